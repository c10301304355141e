#include "PreferencesFixture.h"

#include <CustomAnimator.h>
#include <IgnoreListPreferencesViewController.h>
#include <Localization.h>
#include <PaneTableView.h>
#include <PopoverTextFieldVC.h>
#include <PreferencesTabViewController.h>
#include <PreferencesWindowController.h>
#include <ProcessState.h>
#include <ScreenRegistry.h>
#include <UserDefaults.h>

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

namespace {

class PopoverTextFieldTest : public PreferencesFixture
{
protected:
    IgnoreListPreferencesViewController *pane() { return tabs()->ignoreListPane(); }
    PopoverTextFieldVC *popover()
    {
        return ScreenRegistry::instance().get<PopoverTextFieldVC>(ScreenId::PopoverTextField);
    }

    // The pane with the extensions in front and the popover up over it.
    void openPopover()
    {
        if (!window()->isVisible()) {
            showTab(2);
            pane()->tableViewOptions->clickRow(1);
            // A quick animator, so that each case does not wait half a second.
            customAnimator.emplace(0.01, QRectF(pane()->rect()));
        }
        pane()->btnAdd->click();
        ASSERT_EQ(popover()->parentWidget(), pane());
        ASSERT_TRUE(isScrollingDisabled);
    }

    bool waitUntilDismissed()
    {
        // A dismissed overlay is hidden and stays with the pane that owns it.
        return QTest::qWaitFor([this] { return popover()->isHidden() && popover()->parentWidget() == pane(); }, 5000);
    }

    static QStringList storedExtensions() { return UserDefaults::standard().stringArray("IgnoreExtensionsTMR").value_or(QStringList()); }
};

} // namespace

TEST_F(PopoverTextFieldTest, TypedExtensionsByTheWayTheyAreEntered)
{
    enum class Action { add, returnKey, cancelClick, escapeKey };
    struct Case
    {
        const char *name;
        QString typed;
        Action action;
        QStringList appended; // after "jpg", which is listed
        bool alert;
        bool closes;
    };
    const Case cases[] = {
        {"dot and name", ".jpg", Action::add, {}, false, true},
        {"name", "png", Action::add, {"png"}, false, true},
        {"only one dot goes", "..jpg", Action::add, {".jpg"}, false, true},
        {"exact duplicate", "jpg", Action::add, {}, false, true},
        {"other letter case", "JPG", Action::add, {"JPG"}, false, true},
        {"a dot alone", ".", Action::add, {}, true, false},
        {"two dots", "..", Action::add, {}, true, false},
        {"empty", "", Action::add, {}, true, false},
        {"Return adds", "zip", Action::returnKey, {"zip"}, false, true},
        {"Return with a dot alone", ".", Action::returnKey, {}, true, false},
        {"Return with nothing", "", Action::returnKey, {}, false, false},
        {"a click on Cancel", "xyz", Action::cancelClick, {}, false, true},
        {"Escape cancels", "xyz", Action::escapeKey, {}, false, true},
    };
    store("IgnoreExtensionsTMR", QStringList{"jpg"});
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        openPopover();
        PopoverTextFieldVC *field = popover();
        EXPECT_TRUE(field->textField->text().isEmpty());
        const QStringList before = storedExtensions();
        const qsizetype alertsBefore = alerts.size();
        field->textField->setText(c.typed);

        switch (c.action) {
        case Action::add:
            field->btnAdd->click();
            break;
        case Action::returnKey:
            QTest::keyClick(field->textField, Qt::Key_Return);
            break;
        case Action::cancelClick: {
            // The click takes the focus from the field before Cancel sees it.
            QApplication::setActiveWindow(window());
            field->textField->setFocus();
            ASSERT_EQ(QApplication::focusWidget(), field->textField);
            QSignalSpy finished(field->textField, &QLineEdit::editingFinished);
            QTest::mouseClick(field->btnCancel, Qt::LeftButton);
            EXPECT_EQ(finished.count(), 1);
            break;
        }
        case Action::escapeKey:
            QTest::keyClick(field->textField, Qt::Key_Escape);
            break;
        }
        QCoreApplication::processEvents();

        EXPECT_EQ(storedExtensions(), before + c.appended);
        EXPECT_EQ(alerts.size(), alertsBefore + (c.alert ? 1 : 0));
        if (c.alert) {
            EXPECT_EQ(alerts.last().message, localizedString("IDS_TMR_68"));
        }
        if (c.closes) {
            ASSERT_TRUE(waitUntilDismissed());
            EXPECT_FALSE(isScrollingDisabled);
            EXPECT_TRUE(pane()->btnAdd->isEnabled());
            EXPECT_EQ(pane()->tableViewExtensions->rowCount(), allExtensions().size());
        } else {
            EXPECT_EQ(field->parentWidget(), pane());
            EXPECT_EQ(field->textField->text(), c.typed);
            field->btnCancel->click();
            ASSERT_TRUE(waitUntilDismissed());
        }
    }
    EXPECT_EQ(allExtensions().constLast(), (AllExtensions{true, "zip"}));
}

TEST_F(PopoverTextFieldTest, OneAnswerAddsOnceAndClosesOnce)
{
    store("IgnoreExtensionsTMR", QStringList{"jpg"});
    openPopover();
    PopoverTextFieldVC *field = popover();
    field->textField->setText("zip");
    field->btnAdd->click();
    // Return, a second Add and Cancel before the popover has gone change nothing.
    QTest::keyClick(field->textField, Qt::Key_Return);
    field->btnAdd->click();
    field->btnCancel->click();
    ASSERT_TRUE(waitUntilDismissed());
    EXPECT_EQ(storedExtensions(), QStringList({"jpg", "zip"}));
    EXPECT_TRUE(alerts.isEmpty());

    // Shown again, the popover starts empty and takes Return again.
    openPopover();
    EXPECT_TRUE(field->textField->text().isEmpty());
    field->textField->setText(".7z");
    QTest::keyClick(field->textField, Qt::Key_Return);
    ASSERT_TRUE(waitUntilDismissed());
    EXPECT_EQ(storedExtensions(), QStringList({"jpg", "zip", "7z"}));
    // The new entry is shown at the end, checked.
    EXPECT_EQ(pane()->tableViewExtensions->rowCount(), 3);
}

TEST_F(PopoverTextFieldTest, ThePopoverKeepsTheKeyboardWhileItIsUp)
{
    store("IgnoreExtensionsTMR", QStringList{"jpg"});
    openPopover();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window()));
    PopoverTextFieldVC *field = popover();
    EXPECT_EQ(QApplication::focusWidget(), field->textField);

    // Tab goes round the popover's own controls, never to the covered pane.
    QList<QWidget *> reached;
    for (int i = 0; i < 6; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        reached.append(QApplication::focusWidget());
    }
    for (QWidget *widget : std::as_const(reached))
        EXPECT_TRUE(field->isAncestorOf(widget)) << (widget ? qPrintable(widget->objectName()) : "nothing");
    EXPECT_TRUE(reached.contains(field->btnAdd));
    EXPECT_TRUE(reached.contains(field->btnCancel));
    EXPECT_TRUE(reached.contains(field->textField));

    // The window's own close keys wait for the popover; Return presses the
    // focused button.
    field->textField->setText("zip");
    QTest::keyClick(field->textField, Qt::Key_W, Qt::ControlModifier);
    EXPECT_TRUE(window()->isVisible());
    field->btnAdd->setFocus();
    QTest::keyClick(field->btnAdd, Qt::Key_Return);
    ASSERT_TRUE(waitUntilDismissed());
    EXPECT_EQ(storedExtensions(), QStringList({"jpg", "zip"}));
    EXPECT_TRUE(window()->isVisible());
    // The keyboard is back where the popover was opened from.
    EXPECT_EQ(QApplication::focusWidget(), pane()->btnAdd);
}

TEST_F(PopoverTextFieldTest, RendersThePopoverOverThePane)
{
    openPopover();
    ASSERT_TRUE(QTest::qWaitFor([this] { return popover()->geometry() == pane()->rect(); }, 5000));
    popover()->textField->setText("tmp");
    saveRender("preferences_extension_popover");
    popover()->btnCancel->click();
    ASSERT_TRUE(waitUntilDismissed());
}

// A list longer than the pane: the entry the box adds is brought into view
// once the popover has gone, as Add brings a new folder into view.
TEST_F(PopoverTextFieldTest, TheNewExtensionIsScrolledIntoView)
{
    QStringList many;
    for (int i = 0; i < 40; ++i)
        many.append(QStringLiteral("ext%1").arg(i));
    store("IgnoreExtensionsTMR", many);
    openPopover();
    PaneTableView *list = pane()->tableViewExtensions;
    const auto rowInSight = [list](int row) {
        QWidget *cell = list->viewAtRow(row);
        if (!cell)
            return false;
        const QRect inViewport(cell->mapTo(list->viewport(), QPoint(0, 0)), cell->size());
        return list->viewport()->rect().contains(inViewport);
    };
    ASSERT_TRUE(QTest::qWaitFor([&] { return rowInSight(0); }, 2000));
    ASSERT_FALSE(rowInSight(39)) << "the list must be longer than the pane for the case to mean anything";

    popover()->textField->setText(QStringLiteral("zip"));
    QTest::keyClick(popover()->textField, Qt::Key_Return);
    ASSERT_TRUE(waitUntilDismissed());
    ASSERT_EQ(list->rowCount(), 41);
    EXPECT_TRUE(QTest::qWaitFor([&] { return rowInSight(40); }, 2000)) << "the new last row is out of sight";
}
