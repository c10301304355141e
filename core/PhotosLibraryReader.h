#pragma once

#include "Records.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariantMap>

#include <functional>

class ScanControl;

// True when the path names a Photos library package: its extension, in any
// letter case, is "photoslibrary". Every place that asks uses this test.
bool isPhotosLibraryPath(const QString &path);
// Points the three source paths of the process-wide state at the library's
// database when the path names a library; any other path changes nothing.
void setPhotosLibraryPaths(const QString &libraryPath);
// The library package that holds the current source database.
QString photosLibraryRoot();

struct PhotosLibraryReadResult
{
    // False when the working copy could not be made, opened or queried; then
    // there are no rows and no items, and error says what went wrong.
    bool ok = false;
    QString error;
    // One map per database row, seven text entries keyed by the field names
    // of PhotoLibraryProperties.
    QList<QVariantMap> rows;
    // The Photos candidates: one record per master file that passed the checks.
    QList<InitialDirectory> items;
};

// Reads a Photos library through working copies of its database in the cache
// folder, so the library itself is never opened or changed. Runs synchronously
// on the caller's thread; a busy, missing or damaged database gives an error
// result at once instead of waiting.
class PhotosLibraryReader
{
public:
    // Sets the source paths from every library of the scan list in order (the
    // last one wins), then copies, opens and queries its database and turns
    // the rows into records.
    static PhotosLibraryReadResult readPhotosLibrary(const QStringList &scanList);
    // The same read of the library the source paths already name. A stop
    // interrupts the copy; percent (0 to 100) follows the copied bytes. A
    // copy that failed or was stopped leaves no working copy behind.
    static PhotosLibraryReadResult readCurrentLibrary(const ScanControl *control = nullptr,
                                                      const std::function<void(int)> &percent = {});
    // Deletes the working copies: the run that made them is done with them.
    static void removeWorkingCopies();

    // The steps of a read, in order.
    // Replaces the working copies with fresh copies of the source database and
    // its "-wal" and "-shm" files; an empty text on success, else the error.
    static QString copyPhotosDatabase(const ScanControl *control = nullptr,
                                      const std::function<void(int)> &percent = {});
    // Opens the database at the path and runs the library query.
    static PhotosLibraryReadResult queryPhotosDatabase(const QString &databasePath);
    // Records for the rows whose master file is a regular file inside the
    // library; rows naming an already listed file are passed over.
    static QList<InitialDirectory> makePhotoLibraryItems(const QList<QVariantMap> &rows, const QString &libraryRoot);
};
