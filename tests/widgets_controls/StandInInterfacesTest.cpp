#include <KitAccessibility.h>

#include <QAccessible>
#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QScrollArea>
#include <QScrollBar>
#include <QTabBar>
#include <QTest>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace {

class StandInInterfacesTest : public ::testing::Test
{
protected:
    // As the program does before its first window.
    static void SetUpTestSuite() { KitAccessibility::install(); }
};

// Each widget whose Qt interface takes a child's number on trust offers the
// children Qt offers, each of them its own child, and nothing for a number
// before the first or past the last: a scroll area with and without its
// bars (Qt's brings the program down at the first number past the end), a
// menu and a menu bar, a tab bar (Qt's makes a tab for a negative number).
TEST_F(StandInInterfacesTest, EachAnswersNothingForAChildItHasNot)
{
    struct Case
    {
        const char *widget;
        std::function<QWidget *(QWidget *window)> make;
        int children;
        QAccessible::Role role;
        QStringList names; // of the first children
    };
    const Case cases[] = {
        {"a scroll area with one child", [](QWidget *window) {
             auto *area = new QScrollArea(window);
             area->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
             area->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
             area->setWidget(new QLabel(QStringLiteral("a long path"), area));
             return area;
         }, 1, QAccessible::Client, {}},
        {"a scroll area with both bars", [](QWidget *window) {
             auto *area = new QScrollArea(window);
             area->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
             area->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
             area->setWidget(new QLabel(QStringLiteral("a long path"), area));
             return area;
         }, 3, QAccessible::Client, {}},
        {"a menu", [](QWidget *window) {
             auto *menu = new QMenu(window);
             menu->addAction(QStringLiteral("&Open"));
             menu->addSeparator();
             menu->addAction(QStringLiteral("Save && Quit"));
             return menu;
         }, 3, QAccessible::PopupMenu, {QStringLiteral("Open"), QString(), QStringLiteral("Save & Quit")}},
        {"a menu bar", [](QWidget *window) {
             auto *bar = new QMenuBar(window);
             bar->addMenu(QStringLiteral("&File"))->addAction(QStringLiteral("Quit"));
             bar->addMenu(QStringLiteral("Help"));
             return bar;
         }, 2, QAccessible::MenuBar, {QStringLiteral("File"), QStringLiteral("Help")}},
        {"a tab bar", [](QWidget *window) {
             auto *bar = new QTabBar(window);
             bar->addTab(QStringLiteral("General"));
             bar->addTab(QStringLiteral("&Removal"));
             return bar;
         }, 4, QAccessible::PageTabList, {QStringLiteral("General"), QStringLiteral("Removal")}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.widget);
        auto window = std::make_unique<QWidget>();
        auto *layout = new QVBoxLayout(window.get());
        QWidget *widget = c.make(window.get());
        if (!qobject_cast<QMenu *>(widget))
            layout->addWidget(widget);
        window->resize(300, 200);
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));

        QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(widget);
        ASSERT_NE(accessible, nullptr);
        EXPECT_EQ(accessible->role(), c.role);
        ASSERT_EQ(accessible->childCount(), c.children);
        for (int index = 0; index < c.children; ++index) {
            QAccessibleInterface *child = accessible->child(index);
            ASSERT_NE(child, nullptr) << index;
            EXPECT_EQ(child->parent(), accessible) << index;
            EXPECT_EQ(accessible->indexOfChild(child), index);
            if (index < c.names.size()) {
                EXPECT_EQ(child->text(QAccessible::Name), c.names.at(index));
            }
        }
        for (const int missing : {-1, c.children, c.children + 1, c.children + 10})
            EXPECT_EQ(accessible->child(missing), nullptr) << missing;
    }
}

// One action shown in two windows' menus is an item of each menu: it tells
// a reader the menu it is in and where it sits there. Qt's item belongs to
// whichever menu asked first.
TEST_F(StandInInterfacesTest, AnActionInTwoMenusIsAnItemOfEach)
{
    QAction quit(QStringLiteral("Quit"));
    QWidget first;
    QWidget second;
    second.move(400, 300);
    QList<QMenuBar *> bars;
    for (QWidget *window : {&first, &second}) {
        auto *bar = new QMenuBar(window);
        bar->addMenu(QStringLiteral("App"))->addAction(&quit);
        bar->resize(200, 24);
        window->resize(300, 200);
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
        bars.append(bar);
    }
    for (QMenuBar *bar : std::as_const(bars)) {
        SCOPED_TRACE(bar->window() == &first ? "first window" : "second window");
        QAccessibleInterface *barInterface = QAccessible::queryAccessibleInterface(bar);
        QAccessibleInterface *title = barInterface->child(0);
        ASSERT_NE(title, nullptr);
        EXPECT_EQ(title->parent(), barInterface);
        EXPECT_TRUE(barInterface->rect().contains(title->rect().center()));
        QAccessibleInterface *menu = title->child(0);
        ASSERT_NE(menu, nullptr);
        EXPECT_EQ(menu->object(), bar->actions().first()->menu());
        EXPECT_EQ(menu->parent(), title);
        QAccessibleInterface *item = menu->child(0);
        ASSERT_NE(item, nullptr);
        EXPECT_EQ(item->text(QAccessible::Name), QStringLiteral("Quit"));
        EXPECT_EQ(item->parent(), menu);
    }
}

} // namespace
