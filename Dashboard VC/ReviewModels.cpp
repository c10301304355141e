#include "ReviewModels.h"

#include "ReviewSession.h"

#include <FileFacts.h>
#include <Localization.h>
#include <ProcessState.h>
#include <ResultQueries.h>

#include <QDir>
#include <QFileInfo>

using namespace ReviewRoles;

QString ReviewRoles::markedOfCopies(int marked, int copies)
{
    return QString::number(marked) + QStringLiteral(" / ") + QString::number(copies);
}

namespace {

QHash<int, QByteArray> reviewRoleNames()
{
    return {
        {Qt::DisplayRole, "display"},       {Qt::CheckStateRole, "checkState"},
        {NameRole, "name"},                 {SizeTextRole, "sizeText"},
        {CopyCountRole, "copyCount"},       {MarkedCountRole, "markedCount"},
        {CountTextRole, "countText"},       {IconRole, "icon"},
        {IdentityRole, "identity"},         {UrlRole, "url"},
        {RowKindRole, "rowKind"},           {DateRole, "date"},
        {CategoryNameRole, "categoryName"},
    };
}

// What a copy row shows of its record; shared by the copies table and the
// marked-copies list.
QVariant recordData(const InitialDirectory &record, const CopyKey &key, int role)
{
    switch (role) {
    case Qt::DisplayRole:
    case NameRole:
        return record.file ? record.file->name : QString();
    case SizeTextRole:
        return record.file ? formatSize(record.file->size) : QString();
    case IconRole:
        return record.file ? record.file->icon : QString();
    case IdentityRole:
        return QVariant::fromValue(key);
    case UrlRole:
        return record.url ? QVariant(*record.url) : QVariant();
    case DateRole:
        return record.file ? QVariant(record.file->date) : QVariant();
    default:
        return {};
    }
}

// The folder a copy lies in, as a path.
QString folderOf(const QUrl &url)
{
    return url.isLocalFile() ? QDir::toNativeSeparators(QFileInfo(url.toLocalFile()).path()) : QString();
}

// What a reader hears for a row: the texts its cell shows, in reading order.
// A copy is also read by its folder where its cell leaves it out (the marked
// copies list): without it, two copies of one name read the same.
QVariant spokenText(const QModelIndex &index)
{
    const auto text = [&index](int role) { return index.data(role).toString(); };
    QStringList parts{text(NameRole)};
    switch (RowKind(index.data(RowKindRole).toInt())) {
    case RowKind::Separator:
        return {};
    case RowKind::Copy:
    case RowKind::MarkedCopy:
        parts << folderOf(index.data(UrlRole).toUrl()) << text(SizeTextRole);
        break;
    case RowKind::Group:
        parts << text(SizeTextRole)
              << markedOfCopies(index.data(MarkedCountRole).toInt(), index.data(CopyCountRole).toInt());
        break;
    case RowKind::MarkedCopies:
        parts << text(SizeTextRole) << text(CountTextRole);
        break;
    case RowKind::Category:
        parts << text(SizeTextRole);
        break;
    }
    parts.removeAll(QString());
    return parts.join(QStringLiteral(", "));
}

Qt::CheckState checkState(bool marked)
{
    return marked ? Qt::Checked : Qt::Unchecked;
}

bool isCheckRequest(const QVariant &value, int role, bool *checked)
{
    if (role != Qt::CheckStateRole || !value.isValid())
        return false;
    *checked = value.toInt() == Qt::Checked;
    return true;
}

} // namespace

// ---- Categories ---------------------------------------------------------------------

CategoriesModel::CategoriesModel(ReviewSession *session)
    : QAbstractListModel(session)
    , m_session(session)
{
}

int CategoriesModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_baseRows + (m_extraRows ? 2 : 0);
}

QVariant CategoriesModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    if (role == Qt::AccessibleTextRole)
        return spokenText(index);
    const int row = index.row();
    const QList<Categories> &rows = categoryRows();

    if (row == separatorRow()) {
        if (role == RowKindRole)
            return int(RowKind::Separator);
        if (role == Qt::DisplayRole || role == NameRole || role == SizeTextRole)
            return QString();
        return {};
    }
    if (row == markedCopiesRow()) {
        switch (role) {
        case Qt::DisplayRole:
        case NameRole:
            return localizedString(QStringLiteral("IDS_TMR_119"));
        case SizeTextRole:
            return countAndFormattedSize(GroupList{groupRows()}).second;
        case MarkedCountRole:
            return int(groupRows().size());
        case CountTextRole:
            return QString::number(groupRows().size()) + QStringLiteral(" / ")
                   + QString::number(itemCount(allDuplicateGroups())) + QLatin1Char(' ')
                   + localizedString(QStringLiteral("IDS_TMR_117"));
        case IconRole:
        case CategoryNameRole:
            return QStringLiteral("selected");
        case RowKindRole:
            return int(RowKind::MarkedCopies);
        default:
            return {};
        }
    }
    // The rows can run ahead of the cached count only between a store
    // change and its reset; such a row answers nothing.
    if (row >= rows.size() || !rows.at(row).name)
        return {};
    const QString name = *rows.at(row).name;
    const bool allDuplicates = row == 0 || name == QLatin1String("All Duplicates");
    switch (role) {
    case Qt::DisplayRole:
    case NameRole:
        return localizedCategoryTitle(name);
    case SizeTextRole:
        if (allDuplicates)
            return formattedTotalSize(allDuplicateGroups()).second;
        if (const GroupList *groups = groupsOfCategoryRow(row))
            return countAndFormattedSize(*groups).second;
        return formatSize(0);
    case MarkedCountRole: {
        if (allDuplicates)
            return markedItemCount();
        int count = 0;
        if (const QList<QList<int>> *marks = marksOfCategoryRow(row)) {
            for (const QList<int> &list : *marks)
                count += int(list.size());
        }
        return count;
    }
    case IconRole:
        return rows.at(row).icon.value_or(name);
    case CategoryNameRole:
        return name;
    case RowKindRole:
        return int(RowKind::Category);
    default:
        return {};
    }
}

Qt::ItemFlags CategoriesModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    // The separator can be neither chosen nor reached from the keyboard.
    if (index.row() == separatorRow())
        return Qt::ItemNeverHasChildren;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}

QHash<int, QByteArray> CategoriesModel::roleNames() const
{
    return reviewRoleNames();
}

void CategoriesModel::resetFromStore()
{
    beginResetModel();
    m_baseRows = int(categoryRows().size());
    m_extraRows = m_baseRows > 0 && hasMarkedItems();
    endResetModel();
}

bool CategoriesModel::syncMarkedRows()
{
    if (m_baseRows != categoryRows().size()) {
        resetFromStore();
        return false;
    }
    const bool wanted = m_baseRows > 0 && hasMarkedItems();
    if (wanted && m_extraRows) {
        const QModelIndex marked = index(markedCopiesRow());
        emit dataChanged(marked, marked);
        const QModelIndex first = index(0);
        emit dataChanged(first, first);
    } else if (wanted) {
        beginInsertRows(QModelIndex(), m_baseRows, m_baseRows + 1);
        m_extraRows = true;
        endInsertRows();
    } else if (m_extraRows) {
        beginRemoveRows(QModelIndex(), m_baseRows, m_baseRows + 1);
        m_extraRows = false;
        endRemoveRows();
        return true;
    }
    refreshAll();
    return false;
}

void CategoriesModel::refreshAll()
{
    if (m_baseRows > 0)
        emit dataChanged(index(0), index(m_baseRows - 1));
}

// ---- Groups and copies ----------------------------------------------------------------

ReviewListModel::ReviewListModel(ReviewSession *session)
    : QAbstractListModel(session)
    , m_session(session)
{
}

int ReviewListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_rows;
}

QHash<int, QByteArray> ReviewListModel::roleNames() const
{
    return reviewRoleNames();
}

void ReviewListModel::resetFromStore()
{
    beginResetModel();
    m_rows = liveRowCount();
    endResetModel();
}

void ReviewListModel::refreshAll()
{
    if (m_rows != liveRowCount()) {
        resetFromStore();
        return;
    }
    if (m_rows > 0)
        emit dataChanged(index(0), index(m_rows - 1));
}

bool ReviewListModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    bool checked = false;
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid)
        || !isCheckRequest(value, role, &checked) || !rowsHaveBoxes())
        return false;
    return checkRow(index.row(), checked);
}

Qt::ItemFlags ReviewListModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags result = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
    if (rowsHaveBoxes())
        result |= Qt::ItemIsUserCheckable;
    return result;
}

GroupsModel::GroupsModel(ReviewSession *session)
    : ReviewListModel(session)
{
}

int GroupsModel::liveRowCount() const
{
    if (categoryRows().isEmpty())
        return 0;
    switch (m_session->view()) {
    case ReviewSession::View::MarkedCopies:
        return int(m_session->m_displayedCategories.size());
    case ReviewSession::View::AllDuplicates:
        return int(allDuplicateGroups().size());
    case ReviewSession::View::Category:
        if (const GroupList *groups = m_session->chosenCategoryGroups())
            return int(groups->size());
        return 0;
    }
    return 0;
}

QVariant GroupsModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    if (role == Qt::AccessibleTextRole)
        return spokenText(index);
    const int row = index.row();
    switch (m_session->view()) {
    case ReviewSession::View::MarkedCopies: {
        const QList<InitialDirectory> &displayed = displayedGroupRows();
        if (row >= displayed.size() || row >= m_session->m_displayedCategories.size())
            return {};
        // A key costs a URL text: only the roles that need one make it.
        if (role == Qt::CheckStateRole)
            return checkState(m_session->isMarked(m_session->displayedKey(row)));
        if (role == RowKindRole)
            return int(RowKind::MarkedCopy);
        if (role == IdentityRole)
            return QVariant::fromValue(m_session->displayedKey(row));
        return recordData(displayed.at(row), CopyKey(), role);
    }
    case ReviewSession::View::AllDuplicates: {
        const QList<FileInfoGroup> &groups = allDuplicateGroups();
        if (categoryRows().isEmpty() || row >= groups.size())
            return {};
        const FileInfoGroup &group = groups.at(row);
        const FileInfoRef first = group.isEmpty() ? nullptr : group.first();
        switch (role) {
        case Qt::DisplayRole:
        case NameRole:
            return first ? baseName(first->url) : QString();
        case SizeTextRole:
            return formattedTotalSize(QList<FileInfoGroup>{group}).second;
        case CopyCountRole:
            return int(group.size());
        case MarkedCountRole:
            return m_session->markedCopyCount(row);
        case IconRole:
            return first && first->file ? first->file->icon : QString();
        case IdentityRole:
            return first ? QVariant::fromValue(copyKey(*first)) : QVariant();
        case RowKindRole:
            return int(RowKind::Group);
        default:
            return {};
        }
    }
    case ReviewSession::View::Category: {
        const GroupList *groups = m_session->chosenCategoryGroups();
        if (!groups || row >= groups->size())
            return {};
        const DuplicateGroup &group = groups->at(row);
        const InitialDirectory *first = group.isEmpty() ? nullptr : &group.first();
        switch (role) {
        case Qt::DisplayRole:
        case NameRole:
            return first ? baseName(first->url) : QString();
        case SizeTextRole:
            return countAndFormattedSize(GroupList{group}).second;
        case CopyCountRole:
            return int(group.size());
        case MarkedCountRole: {
            const QList<QList<int>> *marks = marksOfCategoryRow(m_session->categorySelectedRow());
            return marks && row < marks->size() ? int(marks->at(row).size()) : 0;
        }
        case IconRole:
            return first && first->file ? first->file->icon : QString();
        case IdentityRole:
            return first ? QVariant::fromValue(copyKey(*first, m_session->chosenCategoryName())) : QVariant();
        case RowKindRole:
            return int(RowKind::Group);
        default:
            return {};
        }
    }
    }
    return {};
}

bool GroupsModel::rowsHaveBoxes() const
{
    return m_session->view() == ReviewSession::View::MarkedCopies;
}

bool GroupsModel::checkRow(int row, bool checked)
{
    return m_session->setMarkedRowChecked(row, checked);
}

void GroupsModel::applyPermutation(const QList<int> &newToOld)
{
    if (newToOld.size() != rowCount()) {
        resetFromStore();
        return;
    }
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    QList<int> oldToNew(newToOld.size());
    for (int p = 0; p < newToOld.size(); ++p)
        oldToNew[newToOld.at(p)] = p;
    const QModelIndexList before = persistentIndexList();
    QModelIndexList after;
    for (const QModelIndex &old : before)
        after.append(old.row() < oldToNew.size() ? index(oldToNew.at(old.row()), old.column()) : QModelIndex());
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

// ---- Copies -------------------------------------------------------------------------------

ItemsModel::ItemsModel(ReviewSession *session)
    : ReviewListModel(session)
{
}

int ItemsModel::liveRowCount() const
{
    if (const DuplicateGroup *group = m_session->shownCategoryGroup())
        return int(group->size());
    if (const FileInfoGroup *group = m_session->shownAllDuplicatesGroup())
        return int(group->size());
    return 0;
}

QVariant ItemsModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    if (role == Qt::AccessibleTextRole)
        return spokenText(index);
    const int row = index.row();
    if (role == RowKindRole)
        return int(RowKind::Copy);
    if (const DuplicateGroup *group = m_session->shownCategoryGroup()) {
        if (row >= group->size())
            return {};
        if (role == Qt::CheckStateRole) {
            const QList<QList<int>> *marks = marksOfCategoryRow(m_session->categorySelectedRow());
            const int g = m_session->groupSelectedRow();
            return checkState(marks && g < marks->size() && marks->at(g).contains(row));
        }
        if (role == IdentityRole)
            return QVariant::fromValue(copyKey(group->at(row), m_session->chosenCategoryName()));
        return recordData(group->at(row), CopyKey(), role);
    }
    if (const FileInfoGroup *group = m_session->shownAllDuplicatesGroup()) {
        if (row >= group->size() || !group->at(row))
            return {};
        const FileInfo &info = *group->at(row);
        if (role == Qt::CheckStateRole)
            return checkState(m_session->isCopyMarked(row));
        // The same fields as a record; `name` is not used by a copy row.
        InitialDirectory record;
        record.url = info.url;
        record.file = info.file;
        return recordData(record, role == IdentityRole ? copyKey(info) : CopyKey(), role);
    }
    return {};
}

bool ItemsModel::checkRow(int row, bool checked)
{
    return m_session->setItemChecked(row, checked);
}
