#include "KitAccessibility.h"

#include "HyperlinkTextField.h"
#include "PieChart.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QHash>
#include <QPointer>
#include <QWidget>
#include <QWindow>

#include <cmath>

namespace KitAccessibility {

namespace {

// One slice of a chart. It has no object of its own: the chart's interface
// makes it on demand and owns it through Qt's registry of interfaces.
class PieSliceAccessible : public QAccessibleInterface
{
public:
    PieSliceAccessible(PieChart *chart, int index)
        : m_chart(chart)
        , m_index(index)
    {
    }

    bool isValid() const override { return m_chart && m_index < m_chart->sliceCount(); }
    QObject *object() const override { return nullptr; }
    QWindow *window() const override
    {
        return m_chart && m_chart->window() ? m_chart->window()->windowHandle() : nullptr;
    }
    QAccessibleInterface *childAt(int, int) const override { return nullptr; }
    QAccessibleInterface *parent() const override { return QAccessible::queryAccessibleInterface(m_chart.data()); }
    QAccessibleInterface *child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface *) const override { return -1; }

    QString text(QAccessible::Text kind) const override
    {
        if (!isValid())
            return QString();
        switch (kind) {
        case QAccessible::Name:
            return m_chart->accessibleTextForSlice(m_index);
        case QAccessible::Description:
            // The slice's share of the whole, as the chart draws it.
            return QString::number(std::lround(m_chart->sliceLayerAt(m_index)->percentage() * 100.0)) + QLatin1Char('%');
        default:
            return QString();
        }
    }
    void setText(QAccessible::Text, const QString &) override {}

    QRect rect() const override
    {
        if (!isValid())
            return QRect();
        const QRect local = m_chart->sliceBounds(m_index).toAlignedRect();
        return QRect(m_chart->mapToGlobal(local.topLeft()), local.size());
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
        state.selected = m_chart->sliceLayerAt(m_index)->isSelected();
        state.invisible = !m_chart->isVisible() || m_chart->sliceBounds(m_index).isEmpty();
        return state;
    }

private:
    QPointer<PieChart> m_chart;
    int m_index;
};

class PieChartAccessible : public QAccessibleWidget
{
public:
    explicit PieChartAccessible(PieChart *chart)
        : QAccessibleWidget(chart, QAccessible::Chart)
    {
    }

    ~PieChartAccessible() override
    {
        for (const QAccessible::Id id : std::as_const(m_slices))
            QAccessible::deleteAccessibleInterface(id);
    }

    int childCount() const override { return chart()->sliceCount(); }

    QAccessibleInterface *child(int index) const override
    {
        if (index < 0 || index >= childCount())
            return nullptr;
        if (const auto known = m_slices.constFind(index); known != m_slices.constEnd())
            return QAccessible::accessibleInterface(*known);
        auto *slice = new PieSliceAccessible(chart(), index);
        m_slices.insert(index, QAccessible::registerAccessibleInterface(slice));
        return slice;
    }

    int indexOfChild(const QAccessibleInterface *child) const override
    {
        for (auto known = m_slices.constBegin(); known != m_slices.constEnd(); ++known) {
            if (QAccessible::accessibleInterface(known.value()) == child)
                return known.key() < childCount() ? known.key() : -1;
        }
        return -1;
    }

    QAccessibleInterface *childAt(int x, int y) const override
    {
        const int index = chart()->sliceIndexAt(chart()->mapFromGlobal(QPoint(x, y)));
        return index >= 0 ? child(index) : nullptr;
    }

private:
    PieChart *chart() const { return static_cast<PieChart *>(widget()); }

    // Interfaces made so far, by slice; they stay valid only while the slice exists.
    mutable QHash<int, QAccessible::Id> m_slices;
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
    return nullptr;
}

} // namespace

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
