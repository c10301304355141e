#include "SiblingApps.h"

#include <EmbeddedImages.h>
#include <FileFacts.h>
#include <ProcessState.h>

#include <QHash>

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
    using namespace EmbeddedImages;
    static const QHash<QString, const QString &(*)()> images{
            {QStringLiteral("calloway_128"), callowayIcon},
            {QStringLiteral("Morrowgate128"), morrowgateIcon},
            {QStringLiteral("fs1.png"), suiteFeatureCleanImage},
            {QStringLiteral("fs2.png"), suiteFeatureSpeedImage},
            {QStringLiteral("fs3.png"), suiteFeaturePrivacyImage},
            {QStringLiteral("fs4.png"), suiteFeatureStartupImage},
            {QStringLiteral("no1.png"), picturesFeatureSimilarImage},
            {QStringLiteral("no2.png"), picturesFeatureSearchImage},
            {QStringLiteral("no3.png"), picturesFeatureFoldersImage},
            {QStringLiteral("no4.png"), picturesFeatureReviewImage},
            {QStringLiteral("fidgetAppIcon"), fidgetAppIcon},
    };
    const auto found = images.constFind(name);
    if (found == images.constEnd())
        return {};
    return decodeImage((*found)()).value_or(QImage());
}
