#include "KitAccessibility.h"

#include "HyperlinkTextField.h"
#include "ItemTableAccessible.h"
#include "ItemTableView.h"
#include "MenuAccessible.h"
#include "PieChart.h"
#include "ScrollAreaAccessible.h"
#include "TabBarAccessible.h"

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QAccessible>
#include <QAccessibleWidget>
#include <QHash>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
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

const QString kQuestionName = QStringLiteral("kitQuestion");

// What a question is made of; kept as a child of the question, so it goes
// with it. A message box has neither label to hand over: its window title
// names it and its own text is its question.
class QuestionParts : public QObject
{
public:
    QuestionParts(QWidget *dialog, QLabel *title, QLabel *question)
        : QObject(dialog)
        , title(title)
        , question(question)
    {
        setObjectName(kQuestionName);
    }

    QPointer<QLabel> title;
    QPointer<QLabel> question;
};

QuestionParts *questionPartsOf(const QObject *object)
{
    const auto children = object->findChildren<QObject *>(kQuestionName, Qt::FindDirectChildrenOnly);
    for (QObject *child : children) {
        if (auto *parts = dynamic_cast<QuestionParts *>(child))
            return parts;
    }
    return nullptr;
}

class QuestionAccessible : public QAccessibleWidget
{
public:
    QuestionAccessible(QWidget *dialog, const QuestionParts *parts)
        : QAccessibleWidget(dialog, QAccessible::Dialog)
        , m_title(parts->title)
        , m_question(parts->question)
    {
    }

    QString text(QAccessible::Text kind) const override
    {
        const QString own = QAccessibleWidget::text(kind);
        if (!own.isEmpty())
            return own;
        if (kind == QAccessible::Name && m_title)
            return m_title->text();
        if (kind == QAccessible::Description)
            return askedBy(widget(), m_question);
        return own;
    }

    // What the question asks, as it reads now.
    static QString askedBy(const QWidget *dialog, const QLabel *question)
    {
        if (question)
            return question->text();
        if (auto *box = qobject_cast<const QMessageBox *>(dialog))
            return box->text();
        return {};
    }

    QList<QPair<QAccessibleInterface *, QAccessible::Relation>> relations(QAccessible::Relation match) const override
    {
        auto related = QAccessibleWidget::relations(match);
        if ((match & QAccessible::Label) && m_title) {
            if (QAccessibleInterface *title = QAccessible::queryAccessibleInterface(m_title.data()))
                related.append({title, QAccessible::Label});
        }
        return related;
    }

private:
    QPointer<QLabel> m_title;
    QPointer<QLabel> m_question;
};

QAccessibleInterface *factory(const QString &className, QObject *object)
{
    // A question is known by what was handed over for it, whatever its
    // class: asked at its own class, before Qt's interface for a base.
    if (object && object->isWidgetType() && className == QLatin1String(object->metaObject()->className())) {
        if (const QuestionParts *parts = questionPartsOf(object))
            return new QuestionAccessible(static_cast<QWidget *>(object), parts);
    }
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

void presentAsQuestion(QWidget *dialog, QLabel *title, QLabel *question, const QList<QAbstractButton *> &answers)
{
    if (!dialog)
        return;
    install();
    if (!questionPartsOf(dialog))
        new QuestionParts(dialog, title, question);
    // The title is what names the dialog, as a label names what it labels.
    if (title)
        title->setBuddy(dialog);
    const QString asked = QuestionAccessible::askedBy(dialog, question);
    for (QAbstractButton *answer : answers) {
        if (answer && !asked.isEmpty() && answer->accessibleDescription().isEmpty())
            answer->setAccessibleDescription(asked);
    }
    // Qt keeps the interface a widget was first given: one made before the
    // question was known goes, so the next query makes the dialog's.
    QAccessibleInterface *known = QAccessible::queryAccessibleInterface(dialog);
    if (known && !dynamic_cast<QuestionAccessible *>(known))
        QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(known));
}

void presentAsQuestion(QMessageBox *question)
{
    if (question)
        presentAsQuestion(question, nullptr, nullptr, question->buttons());
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
