#include "PaneTableView.h"

#include "PaneTableAccessible.h"

#include <FocusRing.h>

#include <QCheckBox>

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPalette>
#include <QScrollBar>
#include <QVBoxLayout>

#include <algorithm>

namespace {

// A selection in a table without the focus: a tint of the highlight, with
// the ordinary text, so the table with the focus is the one that stands out.
constexpr qreal kUnfocusedSelectionTint = 0.25;

// Qt settles a widget's accessible interface the first time it is asked,
// which can be while the widget is still being made: the list's interface is
// in place before the table's base is.
QWidget *withListInterface(QWidget *parent)
{
    PaneTableAccessible::install();
    return parent;
}

QColor blend(const QColor &over, const QColor &under, qreal amount)
{
    return QColor::fromRgbF(over.redF() * amount + under.redF() * (1 - amount),
                            over.greenF() * amount + under.greenF() * (1 - amount),
                            over.blueF() * amount + under.blueF() * (1 - amount));
}

} // namespace

// The content of the scroll view: the rows stacked from the top, and the
// empty area under them that takes clicks too.
class PaneTableView::Rows : public QWidget
{
public:
    explicit Rows(PaneTableView *table)
        : QWidget(table)
        , m_table(table)
    {
        setBackgroundRole(QPalette::Base);
        setAutoFillBackground(true);
    }

protected:
    void mousePressEvent(QMouseEvent *event) override
    {
        if (event->button() != Qt::LeftButton) {
            QWidget::mousePressEvent(event);
            return;
        }
        int clicked = -1;
        for (int row = 0; row < m_table->m_cells.size(); ++row) {
            if (m_table->m_cells.at(row)->geometry().contains(event->position().toPoint())) {
                clicked = row;
                break;
            }
        }
        m_table->clickRow(clicked);
        event->accept();
    }

private:
    PaneTableView *m_table;
};

PaneTableView::PaneTableView(QWidget *parent)
    : CustomScrollerView(withListInterface(parent))
    , m_rows(new Rows(this))
    , m_layout(new QVBoxLayout(m_rows))
{
    m_layout->setContentsMargins(0, 0, 0, 0);
    m_layout->setSpacing(0);
    // The rows keep at least their own height, so rows added later make the
    // content taller and the view scrolls, instead of squeezing them.
    m_layout->setSizeConstraint(QLayout::SetMinimumSize);
    m_layout->addStretch(1);
    setWidget(m_rows);
    setWidgetResizable(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setFocusPolicy(Qt::StrongFocus);
}

void PaneTableView::reloadData()
{
    for (QWidget *cell : std::as_const(m_cells))
        delete cell;
    m_cells.clear();
    const int count = numberOfRows ? std::max(0, numberOfRows()) : 0;
    for (int row = 0; row < count; ++row) {
        QWidget *cell = viewForRow ? viewForRow(row) : nullptr;
        // A row the owner cannot fill still takes its place, so row indexes
        // stay the indexes of the owner's list.
        if (!cell)
            cell = new QWidget;
        cell->setAutoFillBackground(true);
        // The table is one stop of the Tab order: what a cell holds is worked
        // through the table's keys, not reached by Tab one box at a time.
        for (QWidget *part : cell->findChildren<QWidget *>())
            part->setFocusPolicy(Qt::NoFocus);
        cell->setFocusPolicy(Qt::NoFocus);
        cell->installEventFilter(this);
        if (const QCheckBox *box = cell->findChild<QCheckBox *>()) {
            connect(box, &QCheckBox::toggled, this, [this, cell] {
                tellAssistiveTools(QAccessible::StateChanged, rowOf(cell));
            });
        }
        m_layout->insertWidget(row, cell);
        // Shown now rather than when the layout gets round to it: a row that
        // is not on show takes no place yet, and the owner may want to scroll
        // to it straight after the reload.
        cell->show();
        m_cells.append(cell);
    }
    if (m_selectedRow >= count)
        m_selectedRow = -1;
    m_currentRow = std::min(m_currentRow, count - 1);
    paintSelection();
    tellAssistiveTools(QAccessible::ObjectReorder);
}

void PaneTableView::clearSelection()
{
    m_selectedRow = -1;
    paintSelection();
}

int PaneTableView::rowCount() const
{
    return int(m_cells.size());
}

QWidget *PaneTableView::viewAtRow(int row) const
{
    return row >= 0 && row < m_cells.size() ? m_cells.at(row) : nullptr;
}

int PaneTableView::rowOf(const QWidget *cell) const
{
    return int(m_cells.indexOf(cell));
}

void PaneTableView::scrollRowToVisible(int row)
{
    if (QWidget *cell = viewAtRow(row)) {
        // The rows may not be laid out yet after a reload.
        m_rows->adjustSize();
        m_layout->activate();
        ensureWidgetVisible(cell, 0, 0);
    }
}

void PaneTableView::setScrollersShown(bool shown)
{
    const Qt::ScrollBarPolicy policy = shown ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff;
    setHorizontalScrollBarPolicy(policy);
    setVerticalScrollBarPolicy(policy);
}

void PaneTableView::clickRow(int row)
{
    if (!isEnabled())
        return;
    if (row >= rowCount())
        row = -1;
    if (row >= 0 && shouldSelectRow && !shouldSelectRow(row))
        return;
    if (row >= 0)
        setCurrentRow(row);
    setSelectedRow(row);
}

void PaneTableView::chooseRow(int row)
{
    if (row < 0 || row >= rowCount())
        return;
    clickRow(row);
    if (m_currentRow == row)
        scrollRowToVisible(row);
}

int PaneTableView::rowsPerPage() const
{
    const QWidget *first = viewAtRow(0);
    const int rowHeight = first ? std::max(1, first->height()) : 1;
    return std::max(1, viewport()->height() / rowHeight);
}

void PaneTableView::keyPressEvent(QKeyEvent *event)
{
    const int count = rowCount();
    const bool plain = (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    if (!plain || count == 0) {
        CustomScrollerView::keyPressEvent(event);
        return;
    }
    const int current = m_currentRow;
    int target = 0;
    switch (event->key()) {
    case Qt::Key_Up:
        target = current < 0 ? 0 : current - 1;
        break;
    case Qt::Key_Down:
        target = current < 0 ? 0 : current + 1;
        break;
    case Qt::Key_PageUp:
        target = current - rowsPerPage();
        break;
    case Qt::Key_PageDown:
        target = current + rowsPerPage();
        break;
    case Qt::Key_Home:
        target = 0;
        break;
    case Qt::Key_End:
        target = count - 1;
        break;
    case Qt::Key_Space:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        target = std::max(0, current);
        break;
    default:
        CustomScrollerView::keyPressEvent(event);
        return;
    }
    target = std::clamp(target, 0, count - 1);
    chooseRow(target);
    if (event->key() == Qt::Key_Space && m_selectedRow == target)
        emit spacePressed(target);
    event->accept();
}

void PaneTableView::focusInEvent(QFocusEvent *event)
{
    // Where the keys will act shows as soon as the table has the focus.
    if (m_currentRow < 0 && rowCount() > 0)
        m_currentRow = std::max(0, m_selectedRow);
    paintSelection();
    CustomScrollerView::focusInEvent(event);
    // The row the keys will act on is what a screen reader reads out.
    tellAssistiveTools(QAccessible::Focus, m_currentRow);
}

void PaneTableView::focusOutEvent(QFocusEvent *event)
{
    paintSelection();
    CustomScrollerView::focusOutEvent(event);
}

bool PaneTableView::eventFilter(QObject *watched, QEvent *event)
{
    // The ring goes over the cell's background and under what the cell
    // holds, which keeps clear of its edges.
    if (event->type() == QEvent::Paint && hasFocus() && watched == viewAtRow(m_currentRow)) {
        auto *cell = static_cast<QWidget *>(watched);
        QPainter painter(cell);
        FocusRing::paint(painter, QRectF(cell->rect()), 3);
    }
    return CustomScrollerView::eventFilter(watched, event);
}

void PaneTableView::setSelectedRow(int row)
{
    if (row == m_selectedRow)
        return;
    m_selectedRow = row;
    paintSelection();
    tellAssistiveTools(QAccessible::Selection, row);
    emit selectionDidChange();
}

void PaneTableView::setCurrentRow(int row)
{
    if (row == m_currentRow)
        return;
    m_currentRow = row;
    paintSelection();
    if (hasFocus())
        tellAssistiveTools(QAccessible::Focus, row);
}

void PaneTableView::tellAssistiveTools(QAccessible::Event change, int row)
{
    if (!QAccessible::isActive() || (row < 0 && change != QAccessible::ObjectReorder))
        return;
    if (change == QAccessible::StateChanged) {
        QAccessible::State changed;
        changed.checked = true;
        QAccessibleStateChangeEvent event(this, changed);
        event.setChild(row);
        QAccessible::updateAccessibility(&event);
        return;
    }
    QAccessibleEvent event(this, change);
    event.setChild(row);
    QAccessible::updateAccessibility(&event);
}

void PaneTableView::paintSelection()
{
    const QPalette base = palette();
    const bool focused = hasFocus();
    const QColor unfocusedSelection = blend(base.color(QPalette::Highlight), base.color(QPalette::Base),
                                            kUnfocusedSelectionTint);
    for (int row = 0; row < m_cells.size(); ++row) {
        QWidget *cell = m_cells.at(row);
        QPalette colours = base;
        QColor fill = base.color(QPalette::Base);
        QColor text = base.color(QPalette::Text);
        if (row == m_selectedRow) {
            fill = focused ? base.color(QPalette::Highlight) : unfocusedSelection;
            text = focused ? base.color(QPalette::HighlightedText) : text;
        }
        colours.setColor(QPalette::Window, fill);
        colours.setColor(QPalette::WindowText, text);
        cell->setPalette(colours);
        cell->setBackgroundRole(QPalette::Window);
        // The ring of the current row comes and goes without a palette change.
        cell->update();
    }
}
