#pragma once

#include "Records.h"

#include <QList>
#include <QPair>
#include <QString>

// The scan summary of a completed run: the item count, the bytes, the three
// largest categories and the rest under Others.
struct ScanSummary
{
    int itemCount = 0;
    quint64 totalBytes = 0;
    QList<QPair<Duplicates, quint64>> slices;
};

// What the scan engine tells its screen. Every call arrives on the main thread
// with values copied when they were produced; the engine never waits for one.
class ScanObserver
{
public:
    enum class PhotosAnswer { QuitPhotos, SkipLibrary };

    virtual ~ScanObserver() = default;

    // Step 1: collecting.
    virtual void updateScanProgress(qint64 processed, qint64 total) { Q_UNUSED(processed) Q_UNUSED(total) }
    virtual void finishFirstStepProgress() {}
    // Step 2: digesting (0 to 75 %) and comparing (75 to 100 %).
    virtual void beginSecondStepProgress() {}
    virtual void showPhotoItemPath(const QString &path) { Q_UNUSED(path) }
    virtual void showCandidatePath(const QString &path) { Q_UNUSED(path) }
    virtual void showDigestProgress(int percent) { Q_UNUSED(percent) }
    // The screen shows 75 + percent.
    virtual void showComparisonProgress(int percent) { Q_UNUSED(percent) }
    virtual void showDuplicateSizeFound(const QString &sizeText) { Q_UNUSED(sizeText) }
    virtual void showSearchFinished() {}
    // A folder whose size is being measured.
    virtual void showFolderSizePath(const QString &path) { Q_UNUSED(path) }

    // The Photos library is being read, before step 1: its database is copied
    // (percent of the copied bytes, 0 to 100), then queried. Called on the way
    // and once with 100 when the read is done, whether it worked or not.
    virtual void showPhotosLibraryProgress(int percent) { Q_UNUSED(percent) }

    // Files the run could not read, or that changed while it ran: they are in
    // no group. Called once per run, just before scanNotCompleted() or the
    // completion calls, with 0 when every file was read.
    virtual void reportUnreadableFiles(qint64 count) { Q_UNUSED(count) }

    // The run ended without results to show: too few candidates, stopped, or no group.
    virtual void scanNotCompleted() {}
    // The run completed with groups; the result store holds them.
    virtual void updateTooltipsForCompletedScan() {}
    virtual void showScanCompletedSummary(const ScanSummary &summary) { Q_UNUSED(summary) }
    virtual void sendScanCompletedEvent(const QString &category, const QString &action)
    {
        Q_UNUSED(category) Q_UNUSED(action)
    }

    // A chosen Photos library is in use: asked modally, on the main thread,
    // before the run starts.
    virtual PhotosAnswer askToQuitPhotos() { return PhotosAnswer::SkipLibrary; }
    // The library could not be read (reported from the worker's first phase,
    // before step 1); the run goes on without its pictures.
    virtual void photosLibrarySkipped(const QString &reason) { Q_UNUSED(reason) }
};
