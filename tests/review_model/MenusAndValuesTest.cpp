#include "ReviewFixture.h"

#include "RenderSupport.h"

#include <ReviewMenus.h>
#include <ReviewScreenValues.h>

#include <QAction>
#include <QCoreApplication>
#include <QEvent>
#include <QMenu>
#include <QPushButton>

namespace {

struct MenuItem
{
    QString text; // "-" for a separator
    bool enabled;
    bool checked;
};

QList<MenuItem> itemsOf(const QMenu &menu)
{
    QList<MenuItem> items;
    for (const QAction *action : menu.actions())
        items.append({action->isSeparator() ? QStringLiteral("-") : action->text(), action->isEnabled(),
                      action->isChecked()});
    return items;
}

QStringList textsOf(const QList<MenuItem> &items)
{
    QStringList texts;
    for (const MenuItem &item : items)
        texts.append(item.text);
    return texts;
}

QList<bool> checksOf(const QMenu &menu)
{
    QList<bool> checks;
    for (const QAction *action : menu.actions())
        checks.append(action->isChecked());
    return checks;
}

void render(QMenu &menu, const QString &name)
{
    menu.adjustSize();
    saveRender(menu, name);
}

} // namespace

TEST_F(ReviewTest, SmartCheckMenusOfferTheFourModesUnderADisabledHeader)
{
    open({{QStringLiteral("Photos"), groupsOf(QStringLiteral("Photos"), {{"a.jpg", "b.jpg", "c.jpg"}})}});
    for (const SmartCheckScope scope : {SmartCheckScope::SelectedGroup, SmartCheckScope::AllGroups}) {
        QMenu *menu = makeSmartCheckMenu(session, scope);
        const QList<MenuItem> items = itemsOf(*menu);
        EXPECT_EQ(textsOf(items),
                  (QStringList{QStringLiteral("Mark all copies but one in each group"), QStringLiteral("-"),
                               QStringLiteral("Keep the newest copy"), QStringLiteral("Keep the oldest copy"),
                               QStringLiteral("Keep the first copy"), QStringLiteral("-"),
                               QStringLiteral("Unmark all")}));
        EXPECT_FALSE(items.first().enabled);
        render(*menu, scope == SmartCheckScope::SelectedGroup ? QStringLiteral("review_smart_check_group")
                                                              : QStringLiteral("review_smart_check_all"));
        ASSERT_TRUE(session.selectCategory(1));
        menu->actions().at(4)->trigger(); // keep the first copy
        EXPECT_EQ(markedNames(session), (QStringList{QStringLiteral("b.jpg"), QStringLiteral("c.jpg")}));
        menu->actions().at(6)->trigger();
        EXPECT_TRUE(markedNames(session).isEmpty());
        delete menu;
    }

    QPushButton button(QStringLiteral("Auto Mark"));
    button.show();
    QPointer<QMenu> shown = showSmartCheckMenu(session, SmartCheckScope::AllGroups, &button);
    ASSERT_TRUE(shown);
    EXPECT_TRUE(shown->isVisible());
    shown->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(shown.isNull()) << "a smart-check menu lives for one click";
}

TEST_F(ReviewTest, SortMenusKeepOneKeyAndOneDirectionChecked)
{
    open({{QStringLiteral("Photos"), groupsOf(QStringLiteral("Photos"), {{"a.jpg", "b.jpg"}})}});
    ReviewSortMenus menus(session);
    QStringList titles;
    QObject::connect(&session, &ReviewSession::groupSortTitleChanged, [&](const QString &t) { titles.append(t); });
    QObject::connect(&session, &ReviewSession::markedSortTitleChanged, [&](const QString &t) { titles.append(t); });

    QMenu &groups = *menus.groupsMenu();
    EXPECT_EQ(&groups, menus.groupsMenu()) << "made once and kept";
    EXPECT_EQ(textsOf(itemsOf(groups)),
              (QStringList{QStringLiteral("Size"), QStringLiteral("Name"), QStringLiteral("Number of copies"),
                           QStringLiteral("Number of marked copies"), QStringLiteral("-"),
                           QStringLiteral("Ascending"), QStringLiteral("Descending")}));
    render(groups, QStringLiteral("review_sort_groups"));

    struct Choice
    {
        int item;
        QList<bool> checks;
        QString title; // "" when the choice gives none
    };
    const Choice groupChoices[] = {
        {0, {true, false, false, false, false, false, true}, QStringLiteral("Sort by: Size \u25BE")},
        {1, {false, true, false, false, false, false, true}, QStringLiteral("Sort by: Name \u25BE")},
        {5, {false, true, false, false, false, true, false}, QString()},
        {2, {false, false, true, false, false, true, false}, QStringLiteral("Sort by: Number of copies \u25BE")},
        {3, {false, false, false, true, false, true, false},
         QStringLiteral("Sort by: Number of marked copies \u25BE")},
        {6, {false, false, false, true, false, false, true}, QString()},
    };
    for (const Choice &choice : groupChoices) {
        SCOPED_TRACE(choice.item);
        titles.clear();
        groups.actions().at(choice.item)->trigger();
        EXPECT_EQ(checksOf(groups), choice.checks);
        EXPECT_EQ(titles, choice.title.isEmpty() ? QStringList() : QStringList{choice.title});
    }

    QMenu &marked = *menus.markedCopiesMenu();
    EXPECT_EQ(textsOf(itemsOf(marked)),
              (QStringList{QStringLiteral("Size"), QStringLiteral("Name"), QStringLiteral("-"),
                           QStringLiteral("Ascending"), QStringLiteral("Descending")}));
    EXPECT_EQ(checksOf(marked), (QList<bool>{true, false, false, false, true}));
    render(marked, QStringLiteral("review_sort_marked_copies"));
    const Choice markedChoices[] = {
        {1, {false, true, false, false, true}, QStringLiteral("Sort by: Name \u25BE")},
        {3, {false, true, false, true, false}, QString()},
        {0, {true, false, false, true, false}, QStringLiteral("Sort by: Size \u25BE")},
    };
    for (const Choice &choice : markedChoices) {
        SCOPED_TRACE(choice.item);
        titles.clear();
        marked.actions().at(choice.item)->trigger();
        EXPECT_EQ(checksOf(marked), choice.checks);
        EXPECT_EQ(titles, choice.title.isEmpty() ? QStringList() : QStringList{choice.title});
    }
}

TEST_F(ReviewTest, ScreenValuesFollowTheMarksAndTheView)
{
    EXPECT_EQ(trashButtonLook(true), (TrashButtonLook{true, Color::rgb(52, 94, 242), Color::rgb(255, 255, 255)}));
    EXPECT_FALSE(trashButtonLook(false).enabled);
    EXPECT_EQ(trashButtonLook(false).fill, trashDisabledFillColor());
    EXPECT_EQ(trashButtonLook(false).text, trashDisabledTextColor());

    const ReviewLayout normal = reviewLayout(ReviewSession::View::Category);
    EXPECT_EQ(normal, reviewLayout(ReviewSession::View::AllDuplicates));
    EXPECT_EQ(normal, (ReviewLayout{230, false, false, false, true, true, false}));
    EXPECT_EQ(reviewLayout(ReviewSession::View::MarkedCopies), (ReviewLayout{0, true, true, true, false, false, true}));

    const ReviewTexts texts = reviewTexts();
    EXPECT_EQ(texts.smartCheckTitle, QStringLiteral("Auto Mark \u25BE"));
    EXPECT_EQ(texts.sortTitle, QStringLiteral("Sort by: Size \u25BE"));
    EXPECT_EQ(texts.back, QStringLiteral("Back"));

    // Two copies of 1,024 bytes: the totals and the trash button.
    QList<bool> trash;
    QStringList totals;
    QObject::connect(&session, &ReviewSession::trashStateChanged, [&](bool on) { trash.append(on); });
    QObject::connect(&session, &ReviewSession::totalsChanged,
                     [&](const QString &items, const QString &size) { totals = {items, size}; });
    open({{QStringLiteral("Others"), groupsOf(QStringLiteral("Others"), {{"a.bin", "b.bin"}}, 1024)}});
    session.updateTrashButton();
    EXPECT_EQ(totals, (QStringList{QStringLiteral("2 copies found"), QStringLiteral("2.0 KB in all copies")}));
    ASSERT_TRUE(session.selectCategory(1));
    ASSERT_TRUE(setChecked(*session.itemsModel(), 0, true));
    session.deselectAll();
    EXPECT_EQ(trash, (QList<bool>{false, true, false}));
}
