#pragma once

#include "RemovalPlan.h"

#include <FileManager.h>
#include <PhotosScripting.h>
#include <ScanControl.h>
#include <TrashCan.h>

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QStringList>

#include <chrono>
#include <memory>
#include <optional>

class QThread;

// What a run did, copy by copy (in the plan's order), readable once the run
// has finished.
struct RemovalResult
{
    // Every copy not reached yet, with the reason a stopped run leaves it.
    explicit RemovalResult(qsizetype copies = 0);

    QList<CopyOutcome> outcomes;
    QStringList reasons;
    // Folder mode: the path of the item that stood in a copy's way in the
    // destination folder and went to the Trash to make room; empty for none.
    QList<QByteArray> replaced;
    bool stopped = false;

    int removedCount() const;
    int keptCount() const;
};

// One removal run on its own thread. It reads only its plan, touches the disk
// through the file manager, and reports through signals that reach the GUI
// thread queued; it never touches the result store or a widget. Pause and
// stop go through control(): a paused run waits on a condition variable
// before its next group or copy, a stopped one ends after the copy in hand.
class RemovalRun : public QObject
{
    Q_OBJECT

public:
    RemovalRun(RemovalPlan plan, FileManager &fileManager,
               std::shared_ptr<PhotosScripting::PhotosApplication> photos = PhotosScripting::application(),
               QObject *parent = nullptr);
    // Stops the run after the copy in hand and waits for its thread.
    ~RemovalRun() override;

    const RemovalPlan &plan() const { return m_plan; }
    ScanControl &control() { return m_control; }

    // Starts runRemoval() on the run's thread; once only.
    void start();
    // The run's body. Runs on the calling thread when called directly.
    void runRemoval();
    bool isRunning() const;
    // Stops after the copy in hand and blocks until the thread has ended.
    void stopAndWait();
    // Blocks until the thread has ended.
    void wait();

    // Valid once finished() has been delivered.
    const RemovalResult &result() const { return m_result; }

    // The pause after every handled copy (300 µs in the application).
    void setPauseAfterCopy(std::chrono::microseconds pause) { m_pauseAfterCopy = pause; }

signals:
    void totalsKnown(int totalSelected);
    void currentPath(const QString &path);
    // Copies counted as removed so far, out of the total.
    void progress(int removed, int total);
    void copyHandled(int copyIndex, CopyOutcome outcome, const QString &reason);
    // While true the Photos application has the run's identifiers.
    void photosHandOff(bool active);
    void finished();

private:
    struct Pass;

    void keepCopiesSeenThroughOverlays();
    void keepFoldersHoldingKeptItems();
    bool keepsMarkedCopyInside(const FileManager::Status &found, int folderCopy);
    FileManager::KeepTest markedCopiesKeptInside(int folderCopy);
    void handleCopy(int copyIndex, const PlannedGroup &group, Pass &pass);
    // `inPlace`, when given, gets the keepers of the group found in place.
    bool passesChecks(int copyIndex, const PlannedGroup &group, const std::optional<FileManager::Status> &found,
                      QList<int> *inPlace = nullptr);
    void moveIntoFolder(int copyIndex, const FileManager::ItemPlace &place, const FileManager::Expected &expected);
    void handOffPhotos(Pass &pass);
    void settle(int copyIndex, CopyOutcome outcome, const QString &reason = {});
    // Settles a copy that an operation refused, by the kind of refusal.
    void settleRefused(int copyIndex, const FileManager::Result &refused);
    void reportProgress(bool force);
    // Whether a keeper of the group is still in place as the scan saw it;
    // keepers inside the folder copy `outside` (an index) do not count.
    bool hasIntactKeeper(const PlannedGroup &group, int outside = -1) const;
    // The keepers of the group (indices) still in their places, as the
    // items the scan saw; `intact` tells whether one of them is unchanged
    // too, a folder's total included.
    QList<int> keepersInPlace(const PlannedGroup &group, bool &intact) const;
    // Why the marked copy must go back: a keeper of `inPlace` is no longer
    // in its place. Nothing while all of them are.
    std::optional<QString> keptCopyLeft(const PlannedGroup &group, const QList<int> &inPlace) const;
    void deletePermanently(int copyIndex, const PlannedGroup &group, const FileManager::ItemPlace &place,
                           const QList<int> &keepersInPlace);

    RemovalPlan m_plan;
    FileManager &m_fileManager;
    std::shared_ptr<PhotosScripting::PhotosApplication> m_photos;
    ScanControl m_control;
    QThread *m_thread = nullptr;
    RemovalResult m_result;
    std::chrono::microseconds m_pauseAfterCopy{300};
    int m_removed = 0;
    qint64 m_lastReport = 0;
    QString m_pendingPath;
    // Folder mode: names this run filled, and identities it must never clear.
    QList<QByteArray> m_filledNames;
    QList<FileIdentity> m_protected;
    // What the run keeps, by identity: the plan's, and the marked folders the
    // run found holding any of it. No folder that holds one is moved or deleted.
    FileManager::Identities m_kept;
    // Per copy, why the run found it must stay before it began; empty for none.
    QStringList m_keptBecause;
    // The marked copies by identity, and each copy's group in the plan.
    QHash<FileManager::Identity, int> m_markedByIdentity;
    QList<int> m_groupOfCopy;
    // The Trash folders this run puts copies into, each opened once.
    TrashCan m_trash;
    // Folder mode: the destination folder, opened once; the reason when it could not be.
    std::optional<FileManager::ItemPlace> m_destination;
    QString m_destinationRefused;
};

Q_DECLARE_METATYPE(CopyOutcome)
