#pragma once

#include <QAbstractListModel>
#include <QList>

class ReviewSession;

// Roles of the three review models. Qt::DisplayRole gives the name and
// Qt::CheckStateRole the mark, where a row has a box.
namespace ReviewRoles {
enum Role {
    // Text of the row's name (also Qt::DisplayRole).
    NameRole = Qt::UserRole + 1,
    // Size text by formatSize: a category's, a group's or a copy's bytes.
    SizeTextRole,
    // Group rows: the number of copies (int).
    CopyCountRole,
    // Group rows: the number of marked copies (int); category rows: marked
    // copies in the row's groups.
    MarkedCountRole,
    // The marked-copies category row: "<marked> / <all copies> IDS_TMR_117".
    CountTextRole,
    // Icon reference, resolved by the window: a category-row identifier
    // ("All Duplicates", "Photos", ..., "selected") for category rows, a MIME
    // type name for groups and copies ("" for none).
    IconRole,
    // The copy's CopyKey (QVariant::fromValue) for copy rows and marked-copy
    // rows; for group rows the key of the first copy.
    IdentityRole,
    // The copy's URL (QUrl) where there is one.
    UrlRole,
    // A RowKind (int).
    RowKindRole,
    // Copy rows: the modification date (QDateTime) when the copy has facts.
    DateRole,
    // Category rows: the row's name as the store keys it ("All Duplicates", "Photos"...).
    CategoryNameRole,
};
enum class RowKind { Category, Separator, MarkedCopies, Group, MarkedCopy, Copy };

// A group row's count of marked copies among its copies, as its pill shows
// it: "1 / 2".
QString markedOfCopies(int marked, int copies);
} // namespace ReviewRoles

// Every row of the three models also answers Qt::AccessibleTextRole: what a
// reader says for the row, the texts its cell shows, in reading order. A
// copy: its name, its folder and its size, also among the marked copies,
// whose cells show no folder; a group: its name, its size and its marked
// count; a category: its name and size (and, for the marked copies, the
// count of them).

// The categories table: the category rows, then, while anything is marked, a
// separator that cannot be chosen and the marked-copies row. The two extra
// rows are inserted and removed as the marks come and go.
class CategoriesModel : public QAbstractListModel
{
    Q_OBJECT

public:
    explicit CategoriesModel(ReviewSession *session);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    QHash<int, QByteArray> roleNames() const override;

    // The number of category rows (n) and whether the two extra rows show.
    int categoryRowCount() const { return m_baseRows; }
    bool showsMarkedRows() const { return m_extraRows; }
    int separatorRow() const { return m_extraRows ? m_baseRows : -1; }
    int markedCopiesRow() const { return m_extraRows ? m_baseRows + 1 : -1; }

private:
    friend class ReviewSession;
    void resetFromStore();
    // Inserts or removes the extra rows to match the marks; refreshes the
    // marked-copies row when it stays. Answers whether the rows went away.
    bool syncMarkedRows();
    void refreshAll();

    ReviewSession *m_session;
    int m_baseRows = 0;
    bool m_extraRows = false;
};

// What the groups and copies tables share: a row count announced through
// resets and changes, and answers read from the store when asked.
class ReviewListModel : public QAbstractListModel
{
    Q_OBJECT

public:
    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QHash<int, QByteArray> roleNames() const override;
    // A check state on a row with a box is marking by hand; a refused mark
    // leaves the box off.
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

protected:
    explicit ReviewListModel(ReviewSession *session);
    // The rows the store holds now for the session's view.
    virtual int liveRowCount() const = 0;
    // Whether the rows show boxes now, and what ticking one does.
    virtual bool rowsHaveBoxes() const = 0;
    virtual bool checkRow(int row, bool checked) = 0;

    friend class ReviewSession;
    void resetFromStore();
    // Every row changed its data; a changed row count resets instead.
    void refreshAll();

    ReviewSession *m_session;

private:
    int m_rows = 0;
};

// The groups table: the groups of the chosen category or of "All Duplicates",
// or, in the marked-copies view, one checkable row per marked copy.
class GroupsModel : public ReviewListModel
{
    Q_OBJECT

public:
    explicit GroupsModel(ReviewSession *session);

    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;

private:
    friend class ReviewSession;
    int liveRowCount() const override;
    // Only the marked-copies list has boxes.
    bool rowsHaveBoxes() const override;
    bool checkRow(int row, bool checked) override;
    // Moves the rows: newToOld[p] is the row that now stands at p.
    void applyPermutation(const QList<int> &newToOld);
};

// The copies table: the chosen group's copies, each with a box.
class ItemsModel : public ReviewListModel
{
    Q_OBJECT

public:
    explicit ItemsModel(ReviewSession *session);

    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;

private:
    friend class ReviewSession;
    int liveRowCount() const override;
    bool rowsHaveBoxes() const override { return true; }
    bool checkRow(int row, bool checked) override;
};
