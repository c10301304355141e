#include "ResultQueries.h"

#include "FileFacts.h"
#include "Localization.h"

#include <algorithm>
#include <array>

namespace {

struct CategoryRow
{
    const char *name;
    ScanResultKeys key;
    Duplicates duplicates;
    const char *titleKey;
};

constexpr std::array<CategoryRow, 7> categoryTable{{
    {"Applications", ScanResultKeys::Application, Duplicates::_Applications, "IDS_TMR_55"},
    {"Archives", ScanResultKeys::Archives, Duplicates::_Archives, "IDS_TMR_56"},
    {"Documents", ScanResultKeys::Documents, Duplicates::_Documents, "IDS_TMR_57"},
    {"Musics", ScanResultKeys::Musics, Duplicates::_Music, "IDS_TMR_58"},
    {"Photos", ScanResultKeys::Photos, Duplicates::_Photos, "IDS_TMR_59"},
    {"Videos", ScanResultKeys::Videos, Duplicates::_Videos, "IDS_TMR_60"},
    {"Others", ScanResultKeys::Others, Duplicates::_Others, "IDS_TMR_61"},
}};

const CategoryRow *findRow(const QString &name)
{
    for (const CategoryRow &row : categoryTable) {
        if (name == QLatin1String(row.name))
            return &row;
    }
    return nullptr;
}

// The order of the chart and the completion panel.
constexpr std::array<std::pair<const char *, Duplicates>, 7> totalsOrder{{
    {"Photos", Duplicates::_Photos},
    {"Videos", Duplicates::_Videos},
    {"Documents", Duplicates::_Documents},
    {"Archives", Duplicates::_Archives},
    {"Musics", Duplicates::_Music},
    {"Applications", Duplicates::_Applications},
    {"Others", Duplicates::_Others},
}};

template<typename Group>
quint64 sizeOfMembersWithFacts(const Group &group, int *count)
{
    quint64 bytes = 0;
    for (const auto &member : group) {
        const auto &file = [&]() -> const std::optional<Metadata> & {
            if constexpr (std::is_same_v<std::decay_t<decltype(member)>, FileInfoRef>)
                return member->file;
            else
                return member.file;
        }();
        if (!file)
            continue;
        if (count)
            ++*count;
        bytes += file->size;
    }
    return bytes;
}

} // namespace

QString normalizedCategoryName(const QString &name)
{
    return findRow(name) ? name : QStringLiteral("None");
}

ScanResultKeys scanResultKey(const QString &forCategoryName)
{
    const CategoryRow *row = findRow(forCategoryName);
    return row ? row->key : ScanResultKeys::None;
}

QString localizedCategoryTitle(const QString &name)
{
    if (name == QLatin1String("All Duplicates"))
        return localizedString(QStringLiteral("IDS_TMR_62"));
    const CategoryRow *row = findRow(name);
    return row ? localizedString(QString::fromLatin1(row->titleKey)) : QString();
}

QString categoryName(const QString &name)
{
    return normalizedCategoryName(name);
}

QString categoryTitle(const QString &name)
{
    return localizedCategoryTitle(name);
}

bool hasAnyResults(const ResultDictionary &results)
{
    for (const CategoryRow &row : categoryTable) {
        const GroupList *groups = results.find(QString::fromLatin1(row.name));
        if (groups && !groups->isEmpty())
            return true;
    }
    return false;
}

bool hasAnyResults()
{
    return hasAnyResults(duplicateResults());
}

bool hasMarkedItems()
{
    for (const MarkedCategories &entry : std::as_const(markedCategories())) {
        for (const QList<int> &indexes : entry.groupIndexes) {
            if (!indexes.isEmpty())
                return true;
        }
    }
    return false;
}

int markedItemCount()
{
    int count = 0;
    for (const MarkedCategories &entry : std::as_const(markedCategories())) {
        for (const QList<int> &indexes : entry.groupIndexes)
            count += int(indexes.size());
    }
    return count;
}

QPair<int, quint64> countAndSize(const QList<FileInfoGroup> &ofFileGroups)
{
    // Every member counts; a member without facts (never built by the program)
    // adds no bytes instead of failing.
    int count = 0;
    quint64 bytes = 0;
    for (const FileInfoGroup &group : ofFileGroups) {
        count += int(group.size());
        bytes += sizeOfMembersWithFacts(group, nullptr);
    }
    return {count, bytes};
}

int itemCount(const QList<FileInfoGroup> &ofFileGroups)
{
    int count = 0;
    for (const FileInfoGroup &group : ofFileGroups)
        count += int(group.size());
    return count;
}

quint64 totalSize(const QList<FileInfoGroup> &ofFileGroups)
{
    quint64 bytes = 0;
    for (const FileInfoGroup &group : ofFileGroups)
        bytes += sizeOfMembersWithFacts(group, nullptr);
    return bytes;
}

QPair<int, QString> formattedTotalSize(const QList<FileInfoGroup> &ofFileGroups)
{
    int count = 0;
    quint64 bytes = 0;
    for (const FileInfoGroup &group : ofFileGroups)
        bytes += sizeOfMembersWithFacts(group, &count);
    return {count, formatSize(bytes)};
}

QPair<int, QString> countAndFormattedSize(const GroupList &ofGroups)
{
    int count = 0;
    quint64 bytes = 0;
    for (const DuplicateGroup &group : ofGroups)
        bytes += sizeOfMembersWithFacts(group, &count);
    return {count, formatSize(bytes)};
}

quint64 totalSize(const GroupList &ofGroups)
{
    quint64 bytes = 0;
    for (const DuplicateGroup &group : ofGroups)
        bytes += sizeOfMembersWithFacts(group, nullptr);
    return bytes;
}

quint64 totalSelectedSize(const GroupList &groups)
{
    return totalSize(groups);
}

int selectedCount(const DuplicateGroup &group)
{
    return int(std::count_if(group.cbegin(), group.cend(), [](const InitialDirectory &r) { return r.isSelected; }));
}

int selectedFileCount(const FileInfoGroup &group)
{
    return int(std::count_if(group.cbegin(), group.cend(),
                             [](const FileInfoRef &info) { return info && info->isSelected; }));
}

QString formattedSize(quint64 bytes)
{
    return formatSize(bytes);
}

QString baseName(const std::optional<QUrl> &url)
{
    if (!url)
        return QString();
    // A bundle's URL ends with a slash; its name is the component before it.
    // The groups sort asks this of every group, so the path is cut as a view
    // and only the name is copied.
    const QString path = url->path();
    QStringView rest(path);
    while (rest.size() > 1 && rest.endsWith(QLatin1Char('/')))
        rest.chop(1);
    QStringView name = rest.mid(rest.lastIndexOf(QLatin1Char('/')) + 1);
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot > 0)
        name.truncate(dot);
    return name.toString();
}

QString sortName(const std::optional<QUrl> &url)
{
    return baseName(url).toLower();
}

QList<CategoryTotal> categoryTotals(const ResultDictionary &results)
{
    QList<CategoryTotal> totals;
    for (const auto &[name, duplicates] : totalsOrder) {
        CategoryTotal total{duplicates, 0, 0};
        if (const GroupList *groups = results.find(QString::fromLatin1(name))) {
            for (const DuplicateGroup &group : *groups)
                total.bytes += sizeOfMembersWithFacts(group, &total.count);
        }
        totals.append(total);
    }
    return totals;
}

QList<CategoryTotal> categoryTotals()
{
    return categoryTotals(duplicateResults());
}

QList<QPair<Duplicates, QPair<int, quint64>>> resultsCountAndSize()
{
    QList<QPair<Duplicates, QPair<int, quint64>>> result;
    for (const CategoryTotal &total : categoryTotals())
        result.append({total.category, {total.count, total.bytes}});
    return result;
}

ScanSummary categorySizesSortedBySize(const ResultDictionary &results)
{
    const QList<CategoryTotal> totals = categoryTotals(results);
    ScanSummary summary;
    QList<QPair<Duplicates, quint64>> ranked;
    quint64 others = 0;
    for (const CategoryTotal &total : totals) {
        summary.itemCount += total.count;
        summary.totalBytes += total.bytes;
        if (total.category == Duplicates::_Others)
            others = total.bytes;
        else
            ranked.append({total.category, total.bytes});
    }
    // Largest first; categories of equal size keep the fixed order of the
    // totals (Photos, Videos, Documents, Archives, Music, Applications).
    std::stable_sort(ranked.begin(), ranked.end(),
                     [](const auto &a, const auto &b) { return a.second > b.second; });
    for (int i = 0; i < 3; ++i)
        summary.slices.append(ranked.at(i));
    quint64 rest = others;
    for (qsizetype i = 3; i < ranked.size(); ++i)
        rest += ranked.at(i).second;
    summary.slices.append({Duplicates::_Others, rest});
    return summary;
}

ScanSummary categorySizesSortedBySize()
{
    return categorySizesSortedBySize(duplicateResults());
}
