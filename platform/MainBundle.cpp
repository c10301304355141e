#include "MainBundle.h"

#include "PropertyList.h"

#include <QFileInfo>
#include <QMutex>
#include <QMutexLocker>

namespace {

QMutex overrideMutex;
QString overrideDirectory;

} // namespace

namespace MainBundle {

QString pathForResource(const QString &name, const QString &type)
{
    if (name.isEmpty())
        return {};
    const QString fileName = type.isEmpty() ? name : name + QLatin1Char('.') + type;
    {
        QMutexLocker locker(&overrideMutex);
        if (!overrideDirectory.isEmpty()) {
            const QString candidate = overrideDirectory + QLatin1Char('/') + fileName;
            if (QFileInfo(candidate).isFile())
                return candidate;
        }
    }
    const QString resource = QStringLiteral(":/bundle/") + fileName;
    if (QFileInfo(resource).isFile())
        return resource;
    return {};
}

std::optional<QVariantMap> dictionaryResource(const QString &name)
{
    const QString path = pathForResource(name, QStringLiteral("plist"));
    if (path.isEmpty())
        return std::nullopt;
    const auto root = PropertyList::fromFile(path);
    if (!root || root->typeId() != QMetaType::QVariantMap)
        return std::nullopt;
    return root->toMap();
}

std::optional<QVariantMap> infoDictionary()
{
    return dictionaryResource(QStringLiteral("Info"));
}

void setOverrideDirectory(const QString &directory)
{
    QMutexLocker locker(&overrideMutex);
    overrideDirectory = directory;
}

} // namespace MainBundle
