#include "ReviewMenus.h"

#include "ReviewSession.h"

#include <Localization.h>

#include <QAction>
#include <QMenu>
#include <QWidget>

namespace {

QString text(const char *key)
{
    return localizedString(QString::fromLatin1(key));
}

QAction *addChoice(QMenu *menu, const char *key, const std::function<void()> &choose)
{
    QAction *action = menu->addAction(text(key));
    QObject::connect(action, &QAction::triggered, menu, choose);
    return action;
}

QAction *addCheckable(QMenu *menu, const char *key, const std::function<void()> &choose)
{
    QAction *action = addChoice(menu, key, choose);
    action->setCheckable(true);
    return action;
}

} // namespace

QMenu *makeSmartCheckMenu(ReviewSession &session, SmartCheckScope scope, QWidget *parent)
{
    auto *menu = new QMenu(parent);
    menu->setObjectName(scope == SmartCheckScope::SelectedGroup ? QStringLiteral("menuSmartCheckGroupItems")
                                                                : QStringLiteral("menuSmartCheckGroup"));
    // What a screen reader calls the menu while it is open.
    menu->setWindowTitle(text("IDS_TMR_6"));
    QAction *header = menu->addAction(text("IDS_TMR_7"));
    header->setEnabled(false);
    menu->addSeparator();
    const auto act = [&session, scope](ReviewSession::SmartCheckMode mode) {
        return [&session, scope, mode]() {
            if (scope == SmartCheckScope::SelectedGroup)
                session.smartCheckSelectedGroup(mode);
            else
                session.smartCheckAllGroups(mode);
        };
    };
    addChoice(menu, "IDS_TMR_8", act(ReviewSession::SmartCheckMode::KeepNewest));
    addChoice(menu, "IDS_TMR_9", act(ReviewSession::SmartCheckMode::KeepOldest));
    addChoice(menu, "IDS_TMR_10", act(ReviewSession::SmartCheckMode::KeepFirst));
    menu->addSeparator();
    addChoice(menu, "IDS_TMR_11", act(ReviewSession::SmartCheckMode::DeselectAll));
    return menu;
}

QMenu *showSmartCheckMenu(ReviewSession &session, SmartCheckScope scope, QWidget *button)
{
    QMenu *menu = makeSmartCheckMenu(session, scope, button);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    popUpUnder(menu, button);
    return menu;
}

void popUpUnder(QMenu *menu, QWidget *button)
{
    if (!menu)
        return;
    menu->popup(button ? button->mapToGlobal(QPoint(0, button->height())) : QPoint());
}

ReviewSortMenus::ReviewSortMenus(ReviewSession &session, QObject *parent)
    : QObject(parent)
    , m_session(session)
{
}

ReviewSortMenus::~ReviewSortMenus()
{
    delete m_groups;
    delete m_marked;
}

QMenu *ReviewSortMenus::makeMenu(const QString &objectName, const QList<SortItem> &items)
{
    auto *menu = new QMenu();
    menu->setObjectName(objectName);
    menu->setWindowTitle(text("IDS_TMR_18").remove(QLatin1Char(':')).trimmed());
    for (const SortItem &item : items) {
        if (!item.key) {
            menu->addSeparator();
            continue;
        }
        const std::function<void()> choose = item.choose;
        addCheckable(menu, item.key, [this, choose]() {
            choose();
            syncChecks();
        });
    }
    return menu;
}

QMenu *ReviewSortMenus::groupsMenu()
{
    if (!m_groups) {
        ReviewSession &s = m_session;
        m_groups = makeMenu(QStringLiteral("menuSortInGroup"),
                            {{"IDS_TMR_12", [&s] { s.sortBySize(); }},
                             {"IDS_TMR_13", [&s] { s.sortByName(); }},
                             {"IDS_TMR_14", [&s] { s.sortByCount(); }},
                             {"IDS_TMR_15", [&s] { s.sortBySelectedCount(); }},
                             {nullptr, {}},
                             {"IDS_TMR_16", [&s] { s.filterByAscending(); }},
                             {"IDS_TMR_17", [&s] { s.filterByDescending(); }}});
        syncChecks();
    }
    return m_groups;
}

QMenu *ReviewSortMenus::markedCopiesMenu()
{
    if (!m_marked) {
        ReviewSession &s = m_session;
        m_marked = makeMenu(QStringLiteral("menuSortInSelectedItems"),
                            {{"IDS_TMR_12", [&s] { s.sortBySizeSelectedItems(); }},
                             {"IDS_TMR_13", [&s] { s.sortByNameSelectedItems(); }},
                             {nullptr, {}},
                             {"IDS_TMR_16", [&s] { s.filterByAscendingSelectedItems(); }},
                             {"IDS_TMR_17", [&s] { s.filterByDescendingSelectedItems(); }}});
        syncChecks();
    }
    return m_marked;
}

void ReviewSortMenus::showGroupsMenu(QWidget *button)
{
    groupsMenu();
    syncChecks();
    popUpUnder(m_groups, button);
}

void ReviewSortMenus::showMarkedCopiesMenu(QWidget *button)
{
    markedCopiesMenu();
    syncChecks();
    popUpUnder(m_marked, button);
}

void ReviewSortMenus::syncChecks()
{
    if (m_groups) {
        const QList<QAction *> items = m_groups->actions();
        const int key = int(m_session.groupSortKey());
        for (int i = 0; i < 4; ++i)
            items.at(i)->setChecked(i == key);
        items.at(5)->setChecked(!m_session.isDescendingSort());
        items.at(6)->setChecked(m_session.isDescendingSort());
    }
    if (m_marked) {
        const QList<QAction *> items = m_marked->actions();
        const bool bySize = m_session.markedSortKey() == ReviewSession::MarkedSortKey::Size;
        items.at(0)->setChecked(bySize);
        items.at(1)->setChecked(!bySize);
        items.at(3)->setChecked(!m_session.isDescendingSortSelected());
        items.at(4)->setChecked(m_session.isDescendingSortSelected());
    }
}
