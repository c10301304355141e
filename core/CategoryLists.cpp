#include "CategoryLists.h"

#include "ProcessState.h"
#include "ResultQueries.h"

#include <algorithm>

const QList<ScanResultKeys> &categoryListOrder()
{
    static const QList<ScanResultKeys> order{
        ScanResultKeys::Application, ScanResultKeys::Archives, ScanResultKeys::Documents,
        ScanResultKeys::Musics,      ScanResultKeys::Photos,   ScanResultKeys::Videos,
        ScanResultKeys::Others,
    };
    return order;
}

void rebuildCategoryLists(bool keepMarks)
{
    allDuplicateGroups().clear();
    if (!keepMarks)
        markedCategories().clear();
    qsizetype groupCount = 0;
    for (ScanResultKeys category : categoryListOrder()) {
        if (const GroupList *groups = duplicateResults().find(rawValue(category)))
            groupCount += groups->size();
    }
    allDuplicateGroups().reserve(groupCount);

    for (ScanResultKeys category : categoryListOrder()) {
        const GroupList *groups = duplicateResults().find(rawValue(category));
        if (!groups)
            continue;
        makeFileInfos(*groups, category);
        if (!keepMarks && !groups->isEmpty()) {
            MarkedCategories marks;
            marks.key = category;
            marks.groupIndexes = QList<QList<int>>(groups->size());
            markedCategories().append(marks);
        }
    }
}

void makeFileInfos(const GroupList &groups, ScanResultKeys category)
{
    QList<FileInfoGroup> &target = allDuplicateGroups();
    // The objects of the whole list share one block, which each of them keeps
    // alive: made one by one, 165,000 objects cost as many allocations and
    // their bookkeeping, at every opening of the results.
    qsizetype count = 0;
    for (const DuplicateGroup &group : groups)
        count += group.size();
    if (count == 0) {
        for (qsizetype g = 0; g < groups.size(); ++g)
            target.append(FileInfoGroup());
        return;
    }
    const std::shared_ptr<FileInfo[]> block = std::make_shared<FileInfo[]>(size_t(count));
    qsizetype next = 0;
    for (const DuplicateGroup &group : groups) {
        FileInfoGroup objects;
        objects.reserve(group.size());
        for (const InitialDirectory &record : group) {
            FileInfoRef info(block, &block[size_t(next++)]);
            info->md5 = record.md5;
            info->url = record.url;
            info->file = record.file;
            info->category = category;
            info->isSelected = record.isSelected;
            info->photoLibraryProperties = record.photoLibraryProperties;
            info->isPhotoLibrary = record.isPhotoLibrary;
            info->identity = record.identity;
            objects.append(std::move(info));
        }
        target.append(std::move(objects));
    }
}

void rebuildGroupRows()
{
    groupRows().clear();
    if (!hasMarkedItems())
        return;
    for (int row = 1; row < categoryRows().size(); ++row)
        fillCategoryGroupsFromResults(row);
}

void fillCategoryGroupsFromResults(int categoryRow)
{
    for (const CopyLocation &location : markedLocationsOfCategoryRow(categoryRow))
        groupRows().append(*recordAt(location));
}

QList<CopyLocation> markedLocationsOfCategoryRow(int categoryRow)
{
    QList<CopyLocation> result;
    const GroupList *groups = groupsOfCategoryRow(categoryRow);
    const QList<QList<int>> *marks = marksOfCategoryRow(categoryRow);
    if (!groups || !marks)
        return result;

    const qsizetype groupCount = std::min(groups->size(), marks->size());
    for (qsizetype g = 0; g < groupCount; ++g) {
        const DuplicateGroup &group = groups->at(g);
        const QList<int> &indexes = marks->at(g);
        // Walking the group rather than the index list gives ascending order,
        // one copy per index however often it is listed, and nothing for an
        // index past the group's end.
        for (qsizetype i = 0; i < group.size(); ++i) {
            if (indexes.contains(int(i)))
                result.append(CopyLocation{categoryRow, int(g), int(i)});
        }
    }
    return result;
}

QList<CopyLocation> markedCopyLocations()
{
    QList<CopyLocation> result;
    if (!hasMarkedItems())
        return result;
    for (int row = 1; row < categoryRows().size(); ++row)
        result.append(markedLocationsOfCategoryRow(row));
    return result;
}

const InitialDirectory *recordAt(const CopyLocation &location)
{
    const GroupList *groups = groupsOfCategoryRow(location.categoryRow);
    if (!groups || location.group < 0 || location.group >= groups->size())
        return nullptr;
    const DuplicateGroup &group = groups->at(location.group);
    if (location.copy < 0 || location.copy >= group.size())
        return nullptr;
    return &group.at(location.copy);
}

const GroupList *groupsOfCategoryRow(int categoryRow)
{
    const QList<Categories> &rows = categoryRows();
    if (categoryRow < 1 || categoryRow >= rows.size() || !rows.at(categoryRow).name)
        return nullptr;
    return duplicateResults().find(normalizedCategoryName(*rows.at(categoryRow).name));
}

QList<QList<int>> *marksOfCategoryRow(int categoryRow)
{
    QList<MarkedCategories> &marks = markedCategories();
    if (categoryRow < 1 || categoryRow - 1 >= marks.size())
        return nullptr;
    return &marks[categoryRow - 1].groupIndexes;
}
