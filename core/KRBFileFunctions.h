#pragma once

#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <atomic>

// The recursive size of a folder, measured by our own walk, and a few small file
// helpers. Every folder the walk enters is announced with "kFolderSizeRetrive".
class KRBFileFunctions
{
public:
    // The walk's total as decimal text ("0" for an empty or unreadable folder).
    static QString getFolderSize(const QString &path);
    // Clears the process-wide stop flag of the walk.
    static void initScan();
    // Sets it: every folder entered from then on counts 0 and is not announced.
    static void stopScan();
    // The item's own size as decimal text; "0" when it cannot be read.
    static QString getFileSize(const QString &path);
    // Full paths of every regular file under the folder (hidden ones included).
    static QStringList getFilesListFromDirectoryPath(const QString &path);
    // There is no workspace of running applications here: always false.
    static bool isApplicationRunning(const QString &bundleIdentifier);
};

// Stops the folder-size walk; written by the main thread, read by the walker.
extern std::atomic<bool> folderSizeStopFlag;

// The run a thread measures folders for: every announcement of the walk
// carries it under "run", so that an engine hears only of its own run's
// folders. 0 outside any run.
quint64 currentFolderSizeRun();
class FolderSizeRunScope
{
public:
    explicit FolderSizeRunScope(quint64 run);
    ~FolderSizeRunScope();
    FolderSizeRunScope(const FolderSizeRunScope &) = delete;
    FolderSizeRunScope &operator=(const FolderSizeRunScope &) = delete;

private:
    quint64 m_previous;
};

// The walk: the sum of the sizes of everything under the folder, symbolic links
// counted by their own size and never followed.
quint64 folderSizeAtPath(const char *path);
