#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

// Shows a file or folder where it lives, selected, in the desktop's file
// manager. Tests put a handler of their own in place, so no test ever starts
// a file manager.
namespace FileReveal {

// (path, rootedAt) as selectFile was given them; true when the request went out.
using Handler = std::function<bool(const QString &path, const QString &rootedAt)>;

// Asks the file manager that answers org.freedesktop.FileManager1 on the
// session bus to show the item selected; without one (no bus, nobody
// answering, or the call failing later) the folder that holds the item opens
// through the desktop instead. An empty path opens rootedAt when that is
// given. Never waits for the file manager: true when a request was sent.
bool selectFile(const QString &path, const QString &rootedAt = {});
// The file: URI of a local path, percent-encoded from the bytes of its name
// (NativePath), so that a name that is not UTF-8 names the same item at the
// other end; empty for an empty path.
QByteArray fileUri(const QString &path);

// Replaces how items are revealed; an empty handler restores the desktop's.
void setHandler(Handler handler);

} // namespace FileReveal
