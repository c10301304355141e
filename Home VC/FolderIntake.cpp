#include "FolderIntake.h"

#include <ScanPaths.h>

#include <QDir>
#include <QFileInfo>
#include <QUrl>

namespace FolderIntake {

namespace {

// The ignore entries that count at intake: checked, with an absolute path.
// An entry covers its folder and what lies inside it, on component
// boundaries, as in the scan itself.
QStringList ignoredFolders(const QList<AllIgnorePaths> &ignoreList)
{
    QStringList folders;
    for (const AllIgnorePaths &entry : ignoreList) {
        if (!entry.isChecked || !entry.url || !entry.url->isLocalFile())
            continue;
        const QString path = entry.url->toLocalFile();
        if (!path.isEmpty() && QDir::isAbsolutePath(path))
            folders.append(QDir::cleanPath(path));
    }
    return folders;
}

bool liesInside(const QString &path, const QString &folder)
{
    if (folder == QLatin1String("/"))
        return path != folder;
    return path.size() > folder.size() && path.startsWith(folder) && path.at(folder.size()) == QLatin1Char('/');
}

// Photo Booth and iTunes libraries, the whole disk, applications and
// repeats are never scanned. Each is the same refusal, so the order in which
// they are tested does not matter.
bool isNeverAdded(const QString &path, const QStringList &accepted)
{
    const QString encoded = QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded).toLower();
    const bool library = encoded.contains(QLatin1String("photo%20booth%20library"))
                         || encoded.contains(QLatin1String("/itunes"));
    // "//" and "/." are the whole disk too.
    const bool wholeDisk = QDir::cleanPath(path) == QLatin1String("/");
    const bool application = lastPathExtension(path) == QLatin1String("app");
    return library || wholeDisk || application || accepted.contains(path);
}

} // namespace

std::optional<Refusal> Outcome::alert() const
{
    if (notAdded)
        return Refusal::NotAdded;
    if (excluded)
        return Refusal::Excluded;
    if (parentExcluded)
        return Refusal::ParentExcluded;
    return std::nullopt;
}

Outcome evaluate(Source source, const QStringList &paths, const QList<AllIgnorePaths> &ignoreList)
{
    const QStringList ignored = ignoredFolders(ignoreList);
    Outcome outcome;
    for (const QString &given : paths) {
        const QString path = source == Source::Drop ? QUrl::fromLocalFile(given).toLocalFile() : given;
        if (path.isEmpty())
            continue;
        if (isNeverAdded(path, outcome.accepted)) {
            outcome.notAdded = true;
            continue;
        }
        const QString clean = QDir::cleanPath(path);
        bool matched = false;
        for (const QString &folder : ignored) {
            if (clean == folder) {
                outcome.excluded = true;
                matched = true;
            } else if (liesInside(clean, folder)) {
                outcome.parentExcluded = true;
                matched = true;
            }
        }
        if (matched)
            continue;
        if (source == Source::Drop) {
            const QFileInfo info(path);
            if (!info.exists())
                continue;
            if (!info.isDir()) {
                outcome.notAdded = true;
                continue;
            }
        }
        outcome.accepted.append(path);
    }
    return outcome;
}

QString alertInformativeKey(Refusal refusal)
{
    switch (refusal) {
    case Refusal::NotAdded:
        return QStringLiteral("IDS_TMR_74_1");
    case Refusal::Excluded:
        return QStringLiteral("IDS_TMR_186");
    case Refusal::ParentExcluded:
        return QStringLiteral("IDS_TMR_187");
    }
    return {};
}

int alertDelayMilliseconds(Source source, Refusal refusal)
{
    if (source == Source::Drop)
        return 1000;
    return refusal == Refusal::NotAdded ? 0 : 500;
}

bool panelShouldEnable(const QString &path)
{
    if (lastPathExtension(path).toLower() == QLatin1String("photoslibrary"))
        return true;
    return QFileInfo(path).isDir();
}

} // namespace FolderIntake
