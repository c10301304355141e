#include "FileIcons.h"

#include <QApplication>
#include <QHash>
#include <QMimeDatabase>
#include <QStyle>

namespace FileIcons {

QIcon iconForMimeName(const QString &mimeName)
{
    static QHash<QString, QIcon> cache;
    const auto cached = cache.constFind(mimeName);
    if (cached != cache.cend())
        return *cached;

    QIcon icon;
    const QMimeType type = QMimeDatabase().mimeTypeForName(mimeName);
    if (type.isValid()) {
        icon = QIcon::fromTheme(type.iconName());
        if (icon.isNull())
            icon = QIcon::fromTheme(type.genericIconName());
    }
    if (icon.isNull()) {
        const bool folder = mimeName == QLatin1String("inode/directory");
        icon = QApplication::style()->standardIcon(folder ? QStyle::SP_DirIcon : QStyle::SP_FileIcon);
    }
    cache.insert(mimeName, icon);
    return icon;
}

} // namespace FileIcons
