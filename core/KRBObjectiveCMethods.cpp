#include "KRBObjectiveCMethods.h"

#include <NativePath.h>

#include <LoginItems.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

namespace {

const QString &albumCreationScript()
{
    static const QString script = QStringLiteral("tell application \"Photos\" to make new album named \"%1\"")
                                      .arg(QLatin1String(KRBObjectiveCMethods::trashAlbumName));
    return script;
}

} // namespace

KRBObjectiveCMethods::KRBObjectiveCMethods()
    : m_photos(PhotosScripting::application())
{
}

KRBObjectiveCMethods::KRBObjectiveCMethods(std::shared_ptr<PhotosScripting::PhotosApplication> photos)
    : m_photos(std::move(photos))
{
}

bool KRBObjectiveCMethods::movePhotosInPhotoLibrary(const QStringList &identifiers)
{
    if (!m_photos)
        return false;

    // An item without an identifier cannot be found in Photos; the others
    // still go, but the hand-off as a whole did not work.
    QStringList known;
    for (const QString &identifier : identifiers) {
        if (!identifier.isEmpty())
            known.append(identifier);
    }

    const QString album = QLatin1String(trashAlbumName);
    if (!m_photos->albumExists(album) && !createAlbumInPhotosLibrary())
        return false;
    const bool added = m_photos->addMediaItems(known, album);
    return added && known.size() == identifiers.size();
}

bool KRBObjectiveCMethods::createAlbumInPhotosLibrary()
{
    if (!m_photos)
        return false;
    m_photos->runScript(albumCreationScript());
    return m_photos->albumExists(QLatin1String(trashAlbumName));
}

std::optional<QString> KRBObjectiveCMethods::itemRefInLoginItems()
{
    return LoginItems::removeLoginItem();
}

bool KRBObjectiveCMethods::fileIsHidden(const QString &path)
{
    if (path.isEmpty())
        return false;
    struct stat status {};
    if (::lstat(NativePath::encode(path).constData(), &status) != 0)
        return false;
    return QFileInfo(QDir::cleanPath(QFileInfo(path).absoluteFilePath())).fileName().startsWith(QLatin1Char('.'));
}
