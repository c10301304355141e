#pragma once

#include <QString>

// The user running the process.
namespace UserInfo {

// The login name (the short user name).
QString userName();
// The home folder, from $HOME; it stands where macOS says "/Users/" + login name.
QString homeDirectory();

} // namespace UserInfo
