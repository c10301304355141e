#include "PaneTableView.h"

#include <QMouseEvent>
#include <QPalette>
#include <QScrollBar>
#include <QVBoxLayout>

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
    : CustomScrollerView(parent)
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
        m_layout->insertWidget(row, cell);
        m_cells.append(cell);
    }
    if (m_selectedRow >= count)
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
    setSelectedRow(row);
}

void PaneTableView::setSelectedRow(int row)
{
    if (row == m_selectedRow)
        return;
    m_selectedRow = row;
    paintSelection();
    emit selectionDidChange();
}

void PaneTableView::paintSelection()
{
    const QPalette base = palette();
    for (int row = 0; row < m_cells.size(); ++row) {
        QWidget *cell = m_cells.at(row);
        QPalette colours = base;
        const bool selected = row == m_selectedRow;
        colours.setColor(QPalette::Window, base.color(selected ? QPalette::Highlight : QPalette::Base));
        colours.setColor(QPalette::WindowText, base.color(selected ? QPalette::HighlightedText : QPalette::Text));
        cell->setPalette(colours);
        cell->setBackgroundRole(QPalette::Window);
    }
}
