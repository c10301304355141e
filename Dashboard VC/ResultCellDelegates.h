#pragma once

#include "PathControl.h"

#include <QList>
#include <QRect>
#include <QStyledItemDelegate>

class QFontMetrics;

// The three kinds of row of the results tables, drawn and hit-tested by
// delegates: no widget per row. Each cell's parts are laid out by a pure
// function of the row's rectangle, which both the painting and the clicks use.

// A table's property: whether its focus is drawn, as a ring on its current
// row. It is while the keyboard works the table, not after a click.
inline constexpr char kShowsRowFocusProperty[] = "twinmoorShowsRowFocus";

// Where a path's components are drawn in a cell: the end of the path always
// shows; leading components that do not fit give way to one "…".
struct PathSegment
{
    QRect rect;
    PathComponent component; // the elision mark carries no path
};
QList<PathSegment> layoutPathSegments(const QString &path, const QRect &area, const QFontMetrics &metrics);

// A category row: its icon by the row's identifier, the title and the size,
// the marked-copies row's count, and the separator's bottom line. A
// highlighted row shows white text and the highlighted icon set.
class CategoryCellDelegate : public QStyledItemDelegate
{
    Q_OBJECT

public:
    using QStyledItemDelegate::QStyledItemDelegate;

    struct Layout
    {
        QRect icon;
        QRect name;
        QRect size;
        QRect count;
    };
    static Layout layout(const QRect &cell);
    // The rectangles of one row as it is painted: the size takes what its
    // text needs. The marked-copies row shows the size beside its title, so
    // that the count below has the whole width.
    static Layout layout(const QStyleOptionViewItem &option, const QModelIndex &index);
    // The texts as the row shows them, shortened in the middle where they do not fit.
    struct Texts
    {
        QString name;
        QString size;
        QString count;
    };
    static Texts shownTexts(const QStyleOptionViewItem &option, const QModelIndex &index);

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;
};

// A group row: icon, name and size, the marked and total counts; in the
// marked-copies view a check box and, under the pointer, a show-related button.
class GroupCellDelegate : public QStyledItemDelegate
{
    Q_OBJECT

public:
    using QStyledItemDelegate::QStyledItemDelegate;

    struct Layout
    {
        QRect checkBox;
        QRect icon;
        QRect name;
        QRect size;
        QRect counts;
        QRect showRelated;
    };
    static Layout layout(const QRect &cell, bool markedCopy);

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;

signals:
    // The show-related button of a marked-copy row.
    void showRelatedClicked(const QModelIndex &index);

protected:
    bool editorEvent(QEvent *event, QAbstractItemModel *model, const QStyleOptionViewItem &option,
                     const QModelIndex &index) override;
};

// A copy row: check box, icon, name and size above the path of the copy as a
// breadcrumb; clicking a component of the path reveals that item.
class ItemCellDelegate : public QStyledItemDelegate
{
    Q_OBJECT

public:
    using QStyledItemDelegate::QStyledItemDelegate;

    struct Layout
    {
        QRect checkBox;
        QRect icon;
        QRect name;
        QRect size;
        QRect path;
    };
    static Layout layout(const QRect &cell);

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;

signals:
    void revealRequested(const QString &path);

protected:
    bool editorEvent(QEvent *event, QAbstractItemModel *model, const QStyleOptionViewItem &option,
                     const QModelIndex &index) override;
};

// Clicks on a check box of these delegates go to the model as a check state;
// a box toggles its current state.
bool toggleCheckState(QAbstractItemModel *model, const QModelIndex &index);
