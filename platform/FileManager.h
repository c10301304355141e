#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// The file operations of a removal, on native byte paths so that a name that
// is not valid text is handled like any other. Every operation answers
// whether it worked and, when it did not, why in words the user can read.
// The operations are virtual so that tests can make any of them fail or wait.
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

    struct Result
    {
        bool ok = false;
        QString reason;

        static Result success() { return {true, {}}; }
        static Result failure(const QString &why) { return {false, why}; }
        explicit operator bool() const { return ok; }
    };

    virtual ~FileManager() = default;

    // The process's file manager.
    static FileManager &defaultManager();

    // What lies at the path itself (a link is not followed); nothing when
    // nothing does or it cannot be read.
    virtual std::optional<Status> status(const QByteArray &path) const;
    bool fileExists(const QByteArray &path) const { return status(path).has_value(); }
    // Whether the two paths reach the same file (device and inode), links
    // followed, as a folder path given by the user may go through one.
    virtual bool isSameFile(const QByteArray &first, const QByteArray &second) const;

    // Moves the item into the user's Trash: the home Trash of the data folder
    // (made when missing) on its own file system, the Trash at the top folder
    // of the item's file system elsewhere (TrashCan). A Trash that cannot take
    // the item fails at once; never falls back to deleting.
    virtual Result trashItem(const QByteArray &path);
    // An item renamed to a private name in its own folder before it is
    // deleted: what is checked at that name is what gets deleted, whatever is
    // renamed over its own name meanwhile.
    struct PinnedItem
    {
        QByteArray path;       // its own name
        QByteArray pinnedPath; // where it lies now
        Status status;         // what lies at the private name
    };

    // Renames the item to a private name beside itself, never replacing
    // anything, and reads its status there. A folder is checked whole first:
    // one that is or holds a mount point, or holds anything that cannot be
    // deleted, is not renamed.
    virtual Result pinItem(const QByteArray &path, PinnedItem &pinned);
    // Renames a pinned item back to its own name, never replacing what lies
    // there now; when the name is taken it stays pinned and the reason says where.
    virtual Result unpinItem(const PinnedItem &pinned);
    // Deletes a pinned item without ever leaving its own mount. An item of
    // which nothing could be deleted is put back at its own name; a folder
    // that stopped half-way stays at the private name, which the reason gives.
    virtual Result deletePinnedItem(const PinnedItem &pinned);
    // Pins the item and deletes it, checking nothing in between.
    Result removeItem(const QByteArray &path);
    // Moves the item to a path where nothing lies; never replaces an item.
    // Across file systems a file is copied, checked and then removed; a
    // folder is not moved.
    virtual Result moveItem(const QByteArray &from, const QByteArray &to);
    // Creates the folder with its missing parents; an absolute path only.
    virtual Result createDirectory(const QByteArray &path);
    // Whether the user may create entries in the folder.
    virtual bool isWritableFolder(const QByteArray &path) const;

    // The text of a native path, for messages; bytes that are not UTF-8 show
    // as replacement characters.
    static QString displayPath(const QByteArray &path);
};
