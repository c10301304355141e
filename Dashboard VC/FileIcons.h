#pragma once

#include <QIcon>
#include <QString>

// The picture of a file kind. Records carry only the MIME type name of a
// file; the picture is looked up here, on the GUI thread, when a row or the
// preview is drawn, and kept per name.
namespace FileIcons {

// The theme's icon of the MIME type, else of its generic kind, else the
// style's file or folder picture: never a null icon. GUI thread only.
QIcon iconForMimeName(const QString &mimeName);

} // namespace FileIcons
