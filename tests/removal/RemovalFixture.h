#pragma once

#include <FileManager.h>
#include <PhotosScripting.h>
#include <QtPrinters.h>
#include <RemovalPlan.h>
#include <RemovalRun.h>
#include <RemovalStore.h>

#include <QByteArray>
#include <QHash>
#include <QJsonObject>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

#include <functional>

#include <sys/types.h>

class QProcess;

// Building blocks for removal tests: a result store made from real files, a
// file manager that fails or stops on cue, a Photos application that records
// what it was given, and a run taken to its end.
namespace RemovalFixture {

// One category's groups, each a list of paths of files that already exist.
struct CategoryGroups
{
    ScanResultKeys category;
    QList<QStringList> groups;
};

// Fills the store as a finished scan and the results screen leave it: the
// groups, the rows in the screen's order, the all-groups list and no marks.
void makeStore(const QList<CategoryGroups> &categories);
// For each name, two files "x/NAME.txt" and "y/NAME.txt" below the root with
// the same bytes; the pairs as groups of paths, for makeStore.
QList<QStringList> writeNamedPairs(const QString &root, const QStringList &names);
// Marks copy `index` of group `group` of category row `row` (1 or more).
void mark(int row, int group, int index);
// The row of the category in categoryRows, or -1.
int rowOf(ScanResultKeys category);
// Every path in the result store, category by category.
QStringList storedPaths();

// Fails the operations whose path contains one of the texts (a delete fails
// at its first step, the pin); calls the hook (on the worker) before every
// trash, delete and move. The other hooks let a test act between the checks
// of a copy and what is done to it.
class ScriptedFileManager : public FileManager
{
public:
    QStringList failTrash;
    QStringList failRemove;
    QStringList failMove;
    // Said by every move that worked, as a move across file systems says
    // what it could not keep.
    QString moveNote;
    std::function<void(const QByteArray &path)> beforeOperation;
    // After every status read, with the path read.
    std::function<void(const QByteArray &path)> afterStatus;
    // After a copy was set aside under its private name.
    std::function<void(const PinnedItem &pinned)> afterPin;
    int operations = 0;

    std::optional<Status> status(const QByteArray &path) const override;
    std::optional<Status> statusIn(const ItemPlace &place) const override;
    Result trashItem(const ItemPlace &place, const Expected &expected, TrashCan &trash) override;
    Result pinItem(const ItemPlace &place, PinnedItem &pinned) override;
    Result moveItem(const ItemPlace &place, const ItemPlace &target, const Expected &expected) override;

private:
    Result scripted(const QStringList &fail, const QByteArray &path);
};

class RecordingPhotos : public PhotosScripting::PhotosApplication
{
public:
    bool accept = true;
    bool album = false;
    QList<QStringList> handedOver;

    bool albumExists(const QString &) override { return album; }
    bool runScript(const QString &) override
    {
        album = accept;
        return accept;
    }
    bool addMediaItems(const QStringList &identifiers, const QString &) override
    {
        handedOver.append(identifiers);
        return accept;
    }
};

// Starts the run, waits for its thread and delivers its queued signals.
void runToEnd(RemovalRun &run);

QByteArray md5Of(const QString &path);
// Every regular file under the folder (links not followed) with its digest.
QHash<QString, QByteArray> digestTree(const QString &folder);

// The Trash of the data folder: old path -> digest of what lies in "files".
QHash<QString, QByteArray> trashContents();

// chattr +i / -i; false when the flag cannot be set here.
bool setImmutable(const QString &path, bool on);

// What the command-line remover printed and how it ended.
struct RunnerResult
{
    int exitCode = -1;
    QList<QJsonObject> lines;
    QString errors;
};

// Runs the command-line remover (with --no-pause) to its end: the program
// the build made, or `program`; `prepare` may set the process up first.
RunnerResult runRemover(const QStringList &arguments, const std::function<void(QProcess &)> &prepare = {},
                        const QString &program = {});

// "nobody", the other user of the tests that need one (and root to be one).
constexpr uid_t kNobody = 65534;
constexpr gid_t kNoGroup = 65534;

// A folder for a test that another user works in: under /tmp, which everyone
// may enter, owned by root and readable by all, removed whole at the end. It
// holds that user's home, settings, data and cache folders and a copy of the
// remover that the user may start, wherever the build lies.
class SharedFolder
{
public:
    SharedFolder();
    ~SharedFolder();
    SharedFolder(const SharedFolder &) = delete;
    SharedFolder &operator=(const SharedFolder &) = delete;

    QString path;
};

// Gives the folder and everything in it (links not followed) to the user.
bool giveTree(const QString &folder, uid_t user, gid_t group);

// How the remover runs as the other user: as "nobody", or as "nobody" made
// root of a user namespace of its own that maps nobody else (unshare -U -r).
enum class OtherUser { Nobody, NobodyAsNamespaceRoot };

// Runs the shared folder's remover as the other user, with its own home and
// XDG folders, from the shared folder.
RunnerResult runRemoverAs(OtherUser user, const SharedFolder &shared, const QStringList &arguments);

} // namespace RemovalFixture
