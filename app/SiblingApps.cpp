#include "SiblingApps.h"

#include <FileFacts.h>
#include <MainBundle.h>
#include <ProcessState.h>

namespace {

SiblingApps::InstalledCheck &installedCheck()
{
    static SiblingApps::InstalledCheck check;
    return check;
}

} // namespace

namespace SiblingApps {

QString bundleIdentifier(int sibling)
{
    switch (sibling) {
    case careSuite:
        return QStringLiteral("com.pellworth.fennick");
    case larkspire:
        return QStringLiteral("com.pellworth.larkspire");
    case morrowgate:
        return QStringLiteral("com.pellworth.morrowgate");
    default:
        return {};
    }
}

std::optional<QUrl> campaignPage(int sibling)
{
    const QList<QUrl> &pages = siblingCampaignURLs();
    if (sibling < 1 || sibling > pages.size())
        return std::nullopt;
    return pages.at(sibling - 1);
}

void setInstalledCheck(InstalledCheck check)
{
    installedCheck() = std::move(check);
}

bool isInstalled(int sibling)
{
    const QString identifier = bundleIdentifier(sibling);
    if (identifier.isEmpty())
        return false;
    if (installedCheck())
        return installedCheck()(identifier);
    return isAppInstalled(identifier);
}

int firstNotInstalled(std::initializer_list<int> order)
{
    for (int sibling : order) {
        if (!isInstalled(sibling))
            return sibling;
    }
    return 0;
}

} // namespace SiblingApps

QImage bundleImage(const QString &name)
{
    // A name given without its type is a PNG file of the bundle.
    QString path = MainBundle::pathForResource(name, QString());
    if (path.isEmpty())
        path = MainBundle::pathForResource(name, QStringLiteral("png"));
    return path.isEmpty() ? QImage() : QImage(path);
}
