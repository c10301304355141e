#pragma once

#include <QByteArray>
#include <QSet>
#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <utility>

class Descriptor;
class TrashCan;

// The file operations of a removal, on native byte paths so that a name that
// is not valid text is handled like any other. Every operation answers
// whether it worked and, when it did not, why in words the user can read.
//
// A removal acts through the folder that holds the item: the folder is
// opened once, without following a link on its path, and the item is
// checked, moved, renamed and deleted by its name in that open folder. So
// whatever is renamed or linked on the path between a check and an act, the
// act reaches the item that was checked, or nothing.
//
// The acts are virtual so that tests can make any of them fail or wait.
class FileManager
{
public:
    struct Status
    {
        bool isFolder = false;
        bool isSymbolicLink = false;
        quint64 device = 0;
        quint64 inode = 0;
        quint64 size = 0;
        // The last change of the item's contents, in milliseconds since 1970 (UTC).
        qint64 modifiedMilliseconds = 0;
    };

    // Why an operation did not happen.
    enum class Refusal {
        None,
        // The operation failed, or something stood in its way.
        Failed,
        // Nothing lies at the path any more.
        Gone,
        // What lies there is not the item that was checked.
        Changed,
        // A folder holds an item the run keeps.
        HoldsKept,
        // Another item has the name the item was to take.
        Taken,
        // A copy the run keeps left its place along with the item (one
        // file seen at two paths), so the item went back.
        KeptWentAlong,
    };

    struct Result
    {
        bool ok = false;
        QString reason;
        Refusal refusal = Refusal::None;

        static Result success() { return {true, {}, Refusal::None}; }
        static Result failure(const QString &why, Refusal refusal = Refusal::Failed) { return {false, why, refusal}; }
        explicit operator bool() const { return ok; }
    };

    // Items by identity: device and inode.
    using Identity = std::pair<quint64, quint64>;
    using Identities = QSet<Identity>;

    // Whether the run keeps the item found inside a folder, with the status
    // the walk read, when that is decided only as the folder is walked.
    using KeepTest = std::function<bool(const Status &)>;

    // An item's place: the folder that holds it, open, and its name there.
    // Copies share the open folder, which closes with the last of them.
    class ItemPlace
    {
    public:
        bool isOpen() const;
        // The open folder's descriptor; -1 when the place is not open.
        int folder() const;
        // The item's path as it was given, for messages.
        const QByteArray &path() const { return m_path; }
        const QByteArray &name() const { return m_name; }
        // Another item of the same open folder.
        ItemPlace withName(const QByteArray &name) const;
        // Whether both open folders are one folder, however each was reached.
        bool sharesFolderWith(const ItemPlace &other) const;
        // Why nothing may go into the open folder any more, to follow "the
        // folder X": it was deleted, or its file system was unmounted (say
        // lazily) so that no path of this process leads to it, and whatever
        // went there would be freed with the last descriptor. Nothing while
        // items may go there; nothing either when it cannot be told.
        std::optional<QString> whyFolderIsGone() const;

    private:
        friend class FileManager;
        std::shared_ptr<const Descriptor> m_folder;
        QByteArray m_path;
        QByteArray m_name;
    };

    // What an act must find at the item, there and where it lands: the
    // status its check read and, for a folder, the total size the check
    // measured and the items the folder must not hold.
    struct Expected
    {
        Status status;
        quint64 folderTotal = 0;
        const Identities *kept = nullptr;
        // Asked once the item has left its place (moved, trashed, or its
        // source set aside) and before that is final: why it must go back
        // because a copy the run keeps left its own place with it; nothing
        // while every such copy is where it was. Not asked when empty.
        std::function<std::optional<QString>()> keptCopyLeft;
    };

    // An item renamed to a private name in its own folder before it is
    // deleted: what is checked at that name is what gets deleted, whatever is
    // renamed over its own name meanwhile.
    struct PinnedItem
    {
        QByteArray path;       // its own name
        QByteArray pinnedPath; // where it lies now
        Status status;         // what lies at the private name
        ItemPlace place;       // its folder and its own name
        QByteArray privateName;

        ItemPlace pinnedPlace() const { return place.withName(privateName); }
    };

    virtual ~FileManager() = default;

    // The process's file manager.
    static FileManager &defaultManager();

    // What lies at the path itself (a link is not followed); nothing when
    // nothing does or it cannot be read.
    virtual std::optional<Status> status(const QByteArray &path) const;
    bool fileExists(const QByteArray &path) const { return status(path).has_value(); }

    // Opens the folder of the item at the absolute path from the root down,
    // one folder at a time, never through a link: a scanned path has none,
    // so a link on it was put there since. Gone when a folder on the way is
    // missing, Changed when one is a link or no folder.
    Result openPlace(const QByteArray &path, ItemPlace &place) const;
    // Opens a folder the user named (links followed, as the user may name a
    // folder through one), for the item `name` in it.
    Result openFolderPlace(const QByteArray &folder, const QByteArray &name, ItemPlace &place) const;
    // What lies at the place's name (a link is not followed).
    virtual std::optional<Status> statusIn(const ItemPlace &place) const;
    // Walks the folder at the place: one that is or holds a mount point,
    // holds an item of `kept` or one that `alsoKept` keeps (HoldsKept), or,
    // when `forDelete`, holds anything the kernel would refuse to delete,
    // fails naming the entry; `expected`, when given, is the item the place
    // must hold. Otherwise `totalSize` is its total size.
    Result checkFolder(const ItemPlace &place, const Identities *kept, bool forDelete, const Status *expected,
                       quint64 &totalSize, const KeepTest &alsoKept = {}) const;
    // Whatever lies at the place now, as the item an act expects: its status
    // and, for a folder, what checkFolder finds with `kept` and `forDelete`.
    Result readExpected(const ItemPlace &place, const Identities *kept, bool forDelete, Expected &expected) const;

    // Moves the item into the user's Trash: the home Trash of the data folder
    // (made when missing) on its own file system, the Trash at the top folder
    // of the item's file system elsewhere, as `trash` has them open. A Trash
    // that cannot take the item fails at once; never falls back to deleting.
    // The item that lands there is checked to be the expected one (a rename
    // answered but not made fails, and leaves no record), and goes
    // back (Changed) when it is not, or (KeptWentAlong) when a kept copy
    // went with it.
    virtual Result trashItem(const ItemPlace &place, const Expected &expected, TrashCan &trash);
    // Moves the item to the target place, where nothing may lie; never
    // replaces an item (Taken when one has the name). On one file system it
    // is renamed and checked where it landed (and goes back, Changed, when it
    // is not the expected item, KeptWentAlong when a kept copy went with it).
    // Across file systems a file is read from one descriptor, opened without
    // following a link or waiting, copied into a file without a name (or,
    // where the file system has none, under a private name beside the
    // target, the runner's alone from its first byte), compared, given the
    // source's owner, mode, access list and times where the runner may set
    // them (set-ID bits and capabilities only where the owner and group were
    // kept, as read back; in another group, group and others rights no
    // wider than the source gave both its group and everybody; without the
    // source's access list, group rights no wider than any user it named;
    // attributes read back), and only then named. Where a name gets an inode
    // number of its own, the copy under its name is read back and compared
    // with the source. A private name is looked at again by its name however
    // the move ends, a create that failed included, and what of the copy
    // stays there is named. Every rename is looked at on both of its names,
    // as a file system may answer one it did not make. The source is removed
    // through its own folder only while the target's name holds the very
    // file made, every kept copy is in place and the target folder is still
    // mounted, and its set-aside name is looked at after the unlink: while it
    // still holds the source, the move fails and the source goes back. A
    // file system without the no-replace rename gets a hard link at the
    // target, which the run takes away again by its identity (or, where each
    // name has an inode number of its own, its bytes) wherever the move does
    // not end there, and names where it cannot. A folder is not moved. A
    // move that worked but could not keep all of the file's attributes, or
    // left a spare name of the copy behind, says so in its reason.
    virtual Result moveItem(const ItemPlace &place, const ItemPlace &target, const Expected &expected);
    // Renames the item to a private name beside itself, never replacing
    // anything, and reads its status there; fails where the rename was
    // answered but the item is not seen there alone.
    virtual Result pinItem(const ItemPlace &place, PinnedItem &pinned);
    // Renames a pinned item back to its own name, never replacing what lies
    // there now; when the name is taken it stays pinned and the reason says where.
    virtual Result unpinItem(const PinnedItem &pinned);
    // Deletes a pinned item, only while its private name holds the pinned
    // item, without ever leaving its own mount, and looks at the private
    // name again: it worked only once nothing is there. An item of which
    // nothing could be deleted (or whose deletion was answered but not made)
    // is put back at its own name; a folder that stopped half-way stays at
    // the private name, which the reason gives.
    virtual Result deletePinnedItem(const PinnedItem &pinned);

    // The same on paths, for the item as it is now: its folder is opened
    // with openPlace, whatever lies at the path is the expected item, and a
    // folder is checked whole (no mount point inside) first.
    Result trashItemAtPath(const QByteArray &path);
    Result moveItemAtPath(const QByteArray &from, const QByteArray &to);
    Result pinItemAtPath(const QByteArray &path, PinnedItem &pinned);
    // Pins the item and deletes it; a folder that cannot be deleted whole is
    // not renamed.
    Result removeItem(const QByteArray &path);

    // Creates the folder with its missing parents; an absolute path only.
    virtual Result createDirectory(const QByteArray &path);
    // Whether the user may create entries in the folder.
    virtual bool isWritableFolder(const QByteArray &path) const;

    // The text of a native path, for messages; bytes that are not UTF-8 show
    // as replacement characters.
    static QString displayPath(const QByteArray &path);

private:
    // openPlace, then readExpected with no kept items.
    Result openExpected(const QByteArray &path, bool forDelete, ItemPlace &place, Expected &expected) const;
};
