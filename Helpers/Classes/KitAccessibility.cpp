#include "KitAccessibility.h"

#include "HyperlinkTextField.h"
#include "ItemTableAccessible.h"
#include "ItemTableView.h"
#include "MenuAccessible.h"
#include "PieChart.h"
#include "ScrollAreaAccessible.h"
#include "TabBarAccessible.h"

#include <QAbstractScrollArea>
#include <QAccessible>
#include <QAccessibleWidget>
#include <QHash>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QTabBar>
#include <QWidget>
#include <QWindow>

#include <cmath>

namespace KitAccessibility {

namespace {

// One slice of a chart.
class PieSliceAccessible : public Leaf
{
public:
    PieSliceAccessible(PieChart *chart, int index)
        : Leaf(chart)
        , m_index(index)
    {
    }

    bool isValid() const override { return chart() && m_index < chart()->sliceCount(); }

    QString text(QAccessible::Text kind) const override
    {
        if (!isValid())
            return QString();
        switch (kind) {
        case QAccessible::Name:
            return chart()->accessibleTextForSlice(m_index);
        case QAccessible::Description:
            // The slice's share of the whole, as the chart draws it.
            return QString::number(std::lround(chart()->sliceLayerAt(m_index)->percentage() * 100.0)) + QLatin1Char('%');
        default:
            return QString();
        }
    }

    QRect rect() const override
    {
        if (!isValid())
            return QRect();
        const QRect local = chart()->sliceBounds(m_index).toAlignedRect();
        return QRect(chart()->mapToGlobal(local.topLeft()), local.size());
    }

    QAccessible::Role role() const override { return QAccessible::ListItem; }

    QAccessible::State state() const override
    {
        QAccessible::State state;
        if (!isValid()) {
            state.invalid = true;
            return state;
        }
        state.selectable = true;
        state.selected = chart()->sliceLayerAt(m_index)->isSelected();
        state.invisible = !chart()->isVisible() || chart()->sliceBounds(m_index).isEmpty();
        return state;
    }

private:
    PieChart *chart() const { return static_cast<PieChart *>(owner()); }

    int m_index;
};

class PieChartAccessible : public QAccessibleWidget
{
public:
    explicit PieChartAccessible(PieChart *chart)
        : QAccessibleWidget(chart, QAccessible::Chart)
    {
    }

    int childCount() const override { return chart()->sliceCount(); }

    QAccessibleInterface *child(int index) const override
    {
        if (index < 0 || index >= childCount())
            return nullptr;
        return m_slices.at(index, [](QAccessibleInterface *) { return true; },
                           [this, index] { return new PieSliceAccessible(chart(), index); });
    }

    int indexOfChild(const QAccessibleInterface *child) const override
    {
        const int index = m_slices.indexOf(child);
        return index < childCount() ? index : -1;
    }

    QAccessibleInterface *childAt(int x, int y) const override
    {
        const int index = chart()->sliceIndexAt(chart()->mapFromGlobal(QPoint(x, y)));
        return index >= 0 ? child(index) : nullptr;
    }

private:
    PieChart *chart() const { return static_cast<PieChart *>(widget()); }

    // They stay valid only while the slice exists.
    mutable ChildInterfaces m_slices;
};

class HyperlinkAccessible : public QAccessibleWidget
{
public:
    explicit HyperlinkAccessible(HyperlinkTextField *link)
        : QAccessibleWidget(link, QAccessible::Link)
    {
    }

    QString text(QAccessible::Text kind) const override
    {
        if (kind == QAccessible::Name && widget()->accessibleName().isEmpty())
            return static_cast<HyperlinkTextField *>(widget())->text();
        return QAccessibleWidget::text(kind);
    }

    QStringList actionNames() const override
    {
        return QStringList{pressAction()} + QAccessibleWidget::actionNames();
    }

    void doAction(const QString &actionName) override
    {
        if (actionName == pressAction())
            static_cast<HyperlinkTextField *>(widget())->activate();
        else
            QAccessibleWidget::doAction(actionName);
    }
};

QAccessibleInterface *factory(const QString &className, QObject *object)
{
    if (className == QLatin1String("PieChart")) {
        if (auto *chart = qobject_cast<PieChart *>(object))
            return new PieChartAccessible(chart);
    }
    if (className == QLatin1String("HyperlinkTextField")) {
        if (auto *link = qobject_cast<HyperlinkTextField *>(object))
            return new HyperlinkAccessible(link);
    }
    if (className == QLatin1String("ItemTableView")) {
        if (auto *table = qobject_cast<ItemTableView *>(object))
            return new ItemTableAccessible(table);
    }
    // Qt's own interfaces for these answer a child's number without a check.
    if (className == QLatin1String("QAbstractScrollArea") || className == QLatin1String("QScrollArea")) {
        if (auto *area = qobject_cast<QAbstractScrollArea *>(object))
            return new ScrollAreaAccessible(area);
    }
    if (className == QLatin1String("QMenuBar")) {
        if (auto *bar = qobject_cast<QMenuBar *>(object))
            return new MenuAccessible(bar);
    }
    if (className == QLatin1String("QMenu")) {
        if (auto *menu = qobject_cast<QMenu *>(object))
            return new MenuAccessible(menu);
    }
    if (className == QLatin1String("QTabBar")) {
        if (auto *bar = qobject_cast<QTabBar *>(object))
            return new TabBarAccessible(bar);
    }
    return nullptr;
}

} // namespace

Leaf::Leaf(QWidget *owner)
    : m_owner(owner)
{
}

QWindow *Leaf::window() const
{
    return m_owner && m_owner->window() ? m_owner->window()->windowHandle() : nullptr;
}

QAccessibleInterface *Leaf::parent() const
{
    return QAccessible::queryAccessibleInterface(m_owner.data());
}

ChildInterfaces::~ChildInterfaces()
{
    clear();
}

QAccessibleInterface *ChildInterfaces::at(int index, const std::function<bool(QAccessibleInterface *)> &fits,
                                          const std::function<QAccessibleInterface *()> &make)
{
    if (const auto known = m_ids.constFind(index); known != m_ids.constEnd()) {
        QAccessibleInterface *kept = QAccessible::accessibleInterface(*known);
        if (kept && fits(kept))
            return kept;
        if (kept)
            QAccessible::deleteAccessibleInterface(*known);
        m_ids.remove(index);
    }
    QAccessibleInterface *made = make();
    if (made)
        m_ids.insert(index, QAccessible::registerAccessibleInterface(made));
    return made;
}

int ChildInterfaces::indexOf(const QAccessibleInterface *child) const
{
    for (auto known = m_ids.constBegin(); known != m_ids.constEnd(); ++known) {
        if (QAccessible::accessibleInterface(known.value()) == child)
            return known.key();
    }
    return -1;
}

void ChildInterfaces::clear()
{
    for (const QAccessible::Id id : std::as_const(m_ids))
        QAccessible::deleteAccessibleInterface(id);
    m_ids.clear();
}

QWidget *beforeBase(QWidget *parent)
{
    install();
    return parent;
}

QString withoutShortcutMarks(const QString &text)
{
    QString plain;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i) == QLatin1Char('&')) {
            if (i + 1 < text.size() && text.at(i + 1) == QLatin1Char('&'))
                plain += text.at(++i);
            continue;
        }
        plain += text.at(i);
    }
    return plain;
}

void setReadingOrder(const QList<QWidget *> &siblingsInOrder)
{
    // Raising moves a widget to the end of its parent's children, the list
    // assistive tools walk; siblings that lie side by side look the same.
    for (QWidget *sibling : siblingsInOrder) {
        if (sibling)
            sibling->raise();
    }
}

void install()
{
    static bool installed = false;
    if (installed)
        return;
    installed = true;
    QAccessible::installFactory(factory);
}

} // namespace KitAccessibility
