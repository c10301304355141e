#include "ProcessState.h"

#include <MainBundle.h>
#include <UserInfo.h>

#include <QDir>
#include <QUrlQuery>

bool ResultDictionary::contains(const QString &key) const
{
    return find(key) != nullptr;
}

std::optional<GroupList> ResultDictionary::value(const QString &key) const
{
    if (const GroupList *groups = find(key))
        return *groups;
    return std::nullopt;
}

const GroupList *ResultDictionary::find(const QString &key) const
{
    for (const auto &entry : m_entries) {
        if (entry.first == key)
            return &entry.second;
    }
    return nullptr;
}

GroupList *ResultDictionary::find(const QString &key)
{
    for (auto &entry : m_entries) {
        if (entry.first == key)
            return &entry.second;
    }
    return nullptr;
}

void ResultDictionary::setValue(const QString &key, const GroupList &groups)
{
    if (GroupList *existing = find(key)) {
        *existing = groups;
        return;
    }
    m_entries.append({key, groups});
}

void ResultDictionary::remove(const QString &key)
{
    m_entries.removeIf([&key](const QPair<QString, GroupList> &entry) { return entry.first == key; });
}

void ResultDictionary::removeAll()
{
    m_entries.clear();
}

QStringList ResultDictionary::keys() const
{
    QStringList result;
    result.reserve(m_entries.size());
    for (const auto &entry : m_entries)
        result.append(entry.first);
    return result;
}

#define TWINMOOR_STATE(type, name)                                                                     \
    type &name()                                                                                       \
    {                                                                                                  \
        static type value;                                                                             \
        return value;                                                                                  \
    }

TWINMOOR_STATE(ResultDictionary, duplicateResults)
TWINMOOR_STATE(ResultDictionary, savedDuplicateResults)
TWINMOOR_STATE(QList<Categories>, categoryRows)
TWINMOOR_STATE(QList<Categories>, savedCategoryRows)
TWINMOOR_STATE(QList<FileInfoGroup>, allDuplicateGroups)
TWINMOOR_STATE(QList<FileInfoGroup>, savedAllDuplicateGroups)
TWINMOOR_STATE(QList<InitialDirectory>, groupRows)
TWINMOOR_STATE(QList<InitialDirectory>, displayedGroupRows)
TWINMOOR_STATE(QList<MarkedCategories>, markedCategories)
TWINMOOR_STATE(QList<AllExtensions>, allExtensions)
TWINMOOR_STATE(QList<AllIgnorePaths>, allIgnorePaths)
TWINMOOR_STATE(QList<AllOptions>, allOptions)
TWINMOOR_STATE(MovingType, removalMode)
TWINMOOR_STATE(std::optional<QVariantMap>, localizedStrings)
TWINMOOR_STATE(QStringList, photoIdentifiersToMove)

#undef TWINMOOR_STATE

void clearScanResults()
{
    duplicateResults().removeAll();
    savedDuplicateResults().removeAll();
    categoryRows().clear();
    savedCategoryRows().clear();
    allDuplicateGroups().clear();
    savedAllDuplicateGroups().clear();
}

QStringList &languageNames()
{
    static QStringList names{QStringLiteral("English")};
    return names;
}

QList<ItemTally> &removedItemTallies()
{
    static QList<ItemTally> tallies{
        {QStringLiteral("Photos"), 0, 0},    {QStringLiteral("Videos"), 0, 0},
        {QStringLiteral("Documents"), 0, 0}, {QStringLiteral("Archives"), 0, 0},
        {QStringLiteral("Musics"), 0, 0},    {QStringLiteral("Applications"), 0, 0},
        {QStringLiteral("Others"), 0, 0},
    };
    return tallies;
}

void tallyRemovedItem(const QString &categoryName, const std::optional<Metadata> &file)
{
    for (ItemTally &tally : removedItemTallies()) {
        if (tally.name == categoryName) {
            tally.count += 1;
            if (file)
                tally.bytes += file->size;
            return;
        }
    }
}

void resetRemovedItemTallies()
{
    for (ItemTally &tally : removedItemTallies()) {
        tally.count = 0;
        tally.bytes = 0;
    }
}

bool dropAreaAcceptsDrag()
{
    return !isHomeFolderPanelOpen && !isRotating && !isCustomDialogShown && !isFolderPanelOpen;
}

const QStringList &defaultIgnoredExtensions()
{
    static const QStringList extensions{
        "a", "so", "h", "pch", "c", "hpp", "h++", "cpp", "c++", "m",
        "swift", "java", "class", "idea", "rb", "php", "css", "js", "json", "jar",
        "lib", "dylib", "dll", "ocx", "pth", "db", "rpl", "hds", "framework", "build",
        "plist", "info", "def", "properties", "proofingtool", "bup", "ar", "tmp", "hg", "vsd",
        "xsd", "xslt", "xsl", "iproj", "entitlements", "xcconfig", "sparsebundle", "dsym", "cer", "crt",
    };
    return extensions;
}

QStringList defaultIgnorePaths()
{
    // Read at each use: the data home is where the Trash lives, and a list
    // naming another folder would let the scan find trashed files.
    const QString home = UserInfo::homeDirectory();
    const QString dataHome = UserInfo::dataHomeDirectory();
    return QStringList{
        QStringLiteral("/usr"),
        dataHome,
        dataHome + QStringLiteral("/Trash"),
        home + QStringLiteral("/Dropbox"),
        QStringLiteral("/proc"),
        QStringLiteral("/sys"),
        QStringLiteral("/dev"),
    };
}

namespace {

QString defaultLibraryDatabase()
{
    return UserInfo::homeDirectory() + QStringLiteral("/Pictures/Photos Library.photoslibrary/database/photos.db");
}

} // namespace

QString photosCacheDirectory()
{
    QString cache = qEnvironmentVariable("XDG_CACHE_HOME");
    if (cache.isEmpty() || !QDir::isAbsolutePath(cache))
        cache = UserInfo::homeDirectory() + QStringLiteral("/.cache");
    return cache + QLatin1Char('/') + QLatin1String(appFolderName);
}

QString &photosDatabasePath()
{
    static QString path = defaultLibraryDatabase();
    return path;
}

QString &photosDatabaseWalPath()
{
    static QString path = defaultLibraryDatabase() + QStringLiteral("-wal");
    return path;
}

QString &photosDatabaseShmPath()
{
    static QString path = defaultLibraryDatabase() + QStringLiteral("-shm");
    return path;
}

QString &photosDatabaseCopyPath()
{
    static QString path = photosCacheDirectory() + QStringLiteral("/photosTempTMR.db");
    return path;
}

QString &photosDatabaseWalCopyPath()
{
    static QString path = photosCacheDirectory() + QStringLiteral("/photosTempTMR.db-wal");
    return path;
}

QString &photosDatabaseShmCopyPath()
{
    static QString path = photosCacheDirectory() + QStringLiteral("/photosTempTMR.db-shm");
    return path;
}

#define TWINMOOR_COLOR(name, value)                                                                    \
    const Color &name()                                                                                \
    {                                                                                                  \
        static const Color color = value;                                                              \
        return color;                                                                                  \
    }

TWINMOOR_COLOR(linkColor, Color::rgb(45, 140, 230))
TWINMOOR_COLOR(linkHoverColor, Color::rgb(54, 128, 255))
TWINMOOR_COLOR(trashEnabledFillColor, Color::rgb(52, 94, 242))
TWINMOOR_COLOR(trashEnabledTextColor, Color::rgb(255, 255, 255))
TWINMOOR_COLOR(trashDisabledFillColor, Color::rgb(142, 142, 147))
TWINMOOR_COLOR(trashDisabledTextColor, Color::rgb(170, 170, 170))
TWINMOOR_COLOR(folderChipHoverBorderColor, Color::rgb(122, 150, 207))
TWINMOOR_COLOR(scrollerKnobColor, Color::rgb(216, 234, 247))
TWINMOOR_COLOR(scrollerTrackColor, Color::rgb(234, 247, 255))

#undef TWINMOOR_COLOR

namespace {

// The addresses are ours to choose; the hosts live under the reserved
// ".example" domain until the product has its own.
const QString siteBase = QStringLiteral("https://twinmoor.example");

std::optional<QUrl> sitePage(const QString &path)
{
    return QUrl(siteBase + path);
}

QUrl campaignPage(const QString &product, const QString &path = QStringLiteral("/"))
{
    QUrl url(QStringLiteral("https://%1.example%2").arg(product.toLower(), path));
    QUrlQuery query;
    query.addQueryItem(QStringLiteral("utm_source"), QStringLiteral("tmr"));
    query.addQueryItem(QStringLiteral("utm_campaign"), QStringLiteral("tmr_build"));
    url.setQuery(query);
    return url;
}

} // namespace

const QList<QUrl> &socialPageURLs()
{
    static const QList<QUrl> urls{QUrl(siteBase + QStringLiteral("/social/one")),
                                  QUrl(siteBase + QStringLiteral("/social/two"))};
    return urls;
}

const std::optional<QUrl> &privacyPolicyURL()
{
    static const std::optional<QUrl> url = sitePage(QStringLiteral("/privacypolicy.html"));
    return url;
}

const std::optional<QUrl> &eulaURL()
{
    static const std::optional<QUrl> url = sitePage(QStringLiteral("/eula.html"));
    return url;
}

const std::optional<QUrl> &uninstallInstructionsURL()
{
    static const std::optional<QUrl> url = sitePage(QStringLiteral("/uninstallinstructions.html"));
    return url;
}

const std::optional<QUrl> &blogURL()
{
    static const std::optional<QUrl> url = QUrl(siteBase + QStringLiteral("/blog?utm_source=tmrmac"));
    return url;
}

const QList<QUrl> &siblingCampaignURLs()
{
    static const QList<QUrl> urls{campaignPage(QStringLiteral("calloway"), QStringLiteral("/lpaff")),
                                  campaignPage(QStringLiteral("Larkspire")),
                                  campaignPage(QStringLiteral("Morrowgate"))};
    return urls;
}

bool stringLessThan(const QString &a, const QString &b)
{
    return a < b;
}
