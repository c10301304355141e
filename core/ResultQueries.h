#pragma once

#include "ProcessState.h"
#include "Records.h"
#include "ScanObserver.h"

#include <QList>
#include <QPair>
#include <QString>

#include <tuple>

// Questions about the result store. None of them changes it; every total is
// recomputed on each call.

// The argument when it is one of the seven category names, else "None".
QString normalizedCategoryName(const QString &name);
ScanResultKeys scanResultKey(const QString &forCategoryName);
// The localised title of a category name or of "All Duplicates"; "" for anything else.
QString localizedCategoryTitle(const QString &name);
QString categoryName(const QString &name);
QString categoryTitle(const QString &name);

bool hasAnyResults();
bool hasAnyResults(const ResultDictionary &results);
bool hasMarkedItems();
int markedItemCount();

QPair<int, quint64> countAndSize(const QList<FileInfoGroup> &ofFileGroups);
int itemCount(const QList<FileInfoGroup> &ofFileGroups);
quint64 totalSize(const QList<FileInfoGroup> &ofFileGroups);
QPair<int, QString> formattedTotalSize(const QList<FileInfoGroup> &ofFileGroups);
QPair<int, QString> countAndFormattedSize(const GroupList &ofGroups);
// Every copy with facts counts, marked or not; the groups sort takes it of a one-group list.
quint64 totalSize(const GroupList &ofGroups);
quint64 totalSelectedSize(const GroupList &groups);
int selectedCount(const DuplicateGroup &group);
int selectedFileCount(const FileInfoGroup &group);
QString formattedSize(quint64 bytes);
// The name a group row shows: the last component of the URL without its
// extension; "" without a URL.
QString baseName(const std::optional<QUrl> &url);
// The name a group or a copy sorts by: the same, lower-cased.
QString sortName(const std::optional<QUrl> &url);

struct CategoryTotal
{
    Duplicates category;
    int count = 0;
    quint64 bytes = 0;
};

// Seven totals in the order Photos, Videos, Documents, Archives, Music, Applications, Others.
QList<CategoryTotal> categoryTotals();
QList<CategoryTotal> categoryTotals(const ResultDictionary &results);
// The same totals as (category, (count, bytes)) pairs, for the scan screen's chart.
QList<QPair<Duplicates, QPair<int, quint64>>> resultsCountAndSize();
// The three largest categories other than Others, then Others with the rest.
ScanSummary categorySizesSortedBySize();
ScanSummary categorySizesSortedBySize(const ResultDictionary &results);
