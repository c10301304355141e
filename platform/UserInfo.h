#pragma once

#include <QString>

// The user running the process.
namespace UserInfo {

// The login name (the short user name).
QString userName();
// The home folder, from $HOME; it stands where macOS says "/Users/" + login name.
QString homeDirectory();
// The user's data folder: $XDG_DATA_HOME when it is an absolute path (the
// base-directory rules make a relative value invalid), else ~/.local/share.
// The home Trash lives in it.
QString dataHomeDirectory();

} // namespace UserInfo
