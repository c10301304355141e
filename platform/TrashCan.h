#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

// The freedesktop.org Trash, written by hand on native byte paths so that any
// name goes in and every failure ends at once with a reason. An item on the
// file system of the user's data folder goes to the home Trash
// ($XDG_DATA_HOME/Trash, which records absolute paths); an item elsewhere
// goes to the Trash at the top folder of its own file system (which records
// paths relative to that top folder). Nothing is ever copied across file
// systems or deleted instead.
class TrashCan
{
public:
    // The open "files" and "info" folders of a Trash.
    struct OpenFolders;

    // A Trash folder whose "files" and "info" folders were opened and checked
    // once: whatever goes into it goes through those open folders, so a
    // folder renamed or swapped on its path afterwards changes nothing.
    struct Place
    {
        // The Trash folder's path, for the records' names and for messages.
        QByteArray folder;
        // The top folder of the file system, for a top-folder Trash; empty
        // for the home Trash.
        QByteArray topFolder;
        // Why there is no Trash.
        QString reason;
        std::shared_ptr<const OpenFolders> open;

        explicit operator bool() const { return open != nullptr; }
    };

    struct Result
    {
        bool ok = false;
        QString reason;
        // Where the item lies now, in the Trash's "files" folder.
        QByteArray trashedPath;
        // The item that landed in the Trash was not the one expected.
        bool changed = false;

        explicit operator bool() const { return ok; }
    };

    // Tells whether what landed in the Trash (the entry `name` of the open
    // "files" folder) is the item that was meant to go: nothing when it is,
    // else why not. An item that is not goes back where it came from.
    using Landing = std::function<std::optional<QString>(int files, const QByteArray &name)>;

    // The Trash of the user whose data folder ($XDG_DATA_HOME) is given.
    explicit TrashCan(QByteArray dataHome);
    // The Trash of this process's user (the generic data location).
    static TrashCan forUser();

    // The Trash that takes the item `name` of the open folder, its missing
    // folders made; `itemPath` is the item's path. Each Trash is opened the
    // first time an item needs it and stays open as long as this object:
    // the home Trash (through the user's own link, if the data folder has
    // one) and one Trash per top folder. One that could not be used stays so.
    Place placeFor(int folder, const QByteArray &name, const QByteArray &itemPath);
    // Moves the item into the Trash that placeFor finds.
    Result trash(const QByteArray &path);
    // Moves the item `name` of the open folder into the Trash that placeFor
    // finds; `itemPath` is its path, for the record.
    Result trash(int folder, const QByteArray &name, const QByteArray &itemPath, const Landing &landing = {});

    // The top folder (mount point) of the file system that holds the path's
    // folder, links in the folder resolved; empty when it cannot be found.
    static QByteArray topFolderOf(const QByteArray &path);
    // The Trash of a top folder, opened: $topdir/.Trash/$uid when
    // $topdir/.Trash is a real folder with the sticky bit that root or the
    // user owns, else $topdir/.Trash-$uid. Either is made when missing and
    // used only when it is the user's own real folder that no other user can
    // write.
    static Place topFolderTrash(const QByteArray &topFolder);
    // Moves the item into the given Trash: its record is made first under a
    // free name (O_EXCL), then the item is renamed beside it, never replacing
    // anything; the record goes again when the rename fails, or was answered
    // but the Trash entry is seen to hold nothing while the old name still
    // holds the item. A record that a failed create made (an empty file at
    // its name) goes too; a record's name is looked at once it was taken
    // away, and one that stays is named in the reason.
    static Result trashInto(const QByteArray &path, const Place &place);
    // The same for the item `name` of the open folder, whose path the record
    // keeps as `itemPath`. When `landing` refuses what landed, it is renamed
    // back (never replacing anything) and its record goes.
    static Result trashInto(int folder, const QByteArray &name, const QByteArray &itemPath, const Place &place,
                            const Landing &landing = {});

private:
    QByteArray m_dataHome;
    std::optional<Place> m_home;
    QHash<QByteArray, Place> m_topFolders;
};
