#pragma once

#include "FileManager.h"

#include <QByteArray>

// The walk through a folder that a removal makes before the folder is moved
// or deleted, and the walk that deletes it. Both go by descriptors from the
// folder that holds the item, never follow a link and never enter another
// mount: another file system mounted inside, or a bind mount of this one
// (same device, another mount), ends the walk.
namespace FolderCheck {

struct Rules
{
    // Items the folder must not hold, by identity, through whatever path
    // reaches them: removing the folder would take them along. May be null.
    const FileManager::Identities *kept = nullptr;
    // The folder is to be deleted: then whatever the kernel would refuse to
    // delete (another user's entry in a folder with the sticky bit, an
    // immutable or append-only file, a folder that cannot be written) stops
    // the check, so that nothing is deleted unless all of it can go.
    bool forDelete = false;
    // Asked for every other item inside: whether the run keeps it, decided
    // only now. May be empty.
    FileManager::KeepTest alsoKept;
};

// Walks the folder `name` of the open folder `parent` (`path` names it in
// messages); when `expected` is given, the folder found must be that item.
// On success `totalSize` is the sum of the sizes of everything under it that
// is not a folder, as the scan's folder-size walk counts it. A folder that is
// itself a mount point, holds one, cannot be read whole, or breaks a rule
// fails with the entry it stopped at; an entry the run keeps fails with the
// refusal HoldsKept, a folder that is not the expected item with Changed.
FileManager::Result check(int parent, const QByteArray &name, const QByteArray &path, const Rules &rules,
                          const FileManager::Status *expected, quint64 &totalSize);

// Deletes the folder `name` of the open folder `parent`, contents first,
// without leaving its own mount, and stops at the first entry that cannot go.
// When `expected` is given, only that item is deleted. `deletedAny` tells
// whether anything went before a failure.
FileManager::Result remove(int parent, const QByteArray &name, const QByteArray &path,
                           const FileManager::Status *expected, bool &deletedAny);

} // namespace FolderCheck
