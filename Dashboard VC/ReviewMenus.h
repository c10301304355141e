#pragma once

#include <QList>
#include <QObject>
#include <QPointer>

#include <functional>

class QAction;
class QMenu;
class QWidget;
class ReviewSession;

// The smart-check menus, made afresh at each click: a disabled header, keep
// newest, keep oldest, keep the first copy, and deselect all.
enum class SmartCheckScope { SelectedGroup, AllGroups };
QMenu *makeSmartCheckMenu(ReviewSession &session, SmartCheckScope scope, QWidget *parent = nullptr);
// Pops the menu up under the button; the menu deletes itself when it closes.
QMenu *showSmartCheckMenu(ReviewSession &session, SmartCheckScope scope, QWidget *button);

// The two sort menus, made on first use and kept with their check marks: one
// key and one direction checked in each, always as the session has them.
class ReviewSortMenus : public QObject
{
    Q_OBJECT

public:
    explicit ReviewSortMenus(ReviewSession &session, QObject *parent = nullptr);
    ~ReviewSortMenus() override;

    // Size, name, number of copies, number of marked copies, a separator,
    // ascending, descending.
    QMenu *groupsMenu();
    // Size, name, a separator, ascending, descending.
    QMenu *markedCopiesMenu();
    // Pop the menu up under the button the screen hands in.
    void showGroupsMenu(QWidget *button);
    void showMarkedCopiesMenu(QWidget *button);

private:
    // One item: a title key and its choice, or no key for a separator.
    struct SortItem
    {
        const char *key;
        std::function<void()> choose;
    };
    QMenu *makeMenu(const QString &objectName, const QList<SortItem> &items);
    void syncChecks();

    ReviewSession &m_session;
    QPointer<QMenu> m_groups;
    QPointer<QMenu> m_marked;
};

// Pops a menu up at the lower left corner of a button.
void popUpUnder(QMenu *menu, QWidget *button);
