#include "ScanScreenFixture.h"

#include <FocusTrail.h>

#include <CancelScanningVC.h>
#include <Localization.h>
#include <ProcessState.h>
#include <ResultQueries.h>
#include <SYFlatButton.h>
#include <ScanItemsViewItem.h>
#include <ScreenRegistry.h>

#include <QAbstractAnimation>
#include <QAccessible>
#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>

#include <cmath>
#include <map>

using namespace ScanScreenFixture;

namespace {

QString t(const char *key)
{
    return localizedString(QString::fromLatin1(key));
}

// Relative luminance and contrast ratio as the accessibility guidelines define them.
double luminance(const QColor &colour)
{
    auto channel = [](int value) {
        const double v = value / 255.0;
        return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(colour.red()) + 0.7152 * channel(colour.green()) + 0.0722 * channel(colour.blue());
}

double contrast(const QColor &a, const QColor &b)
{
    const double la = luminance(a);
    const double lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

class ScanKeyboardTest : public ScanScreenTest
{
protected:
    ScanVC *presentActive(const QStringList &paths)
    {
        ScanVC *scan = presentScanScreen(paths);
        QApplication::setActiveWindow(m_home);
        EXPECT_TRUE(QTest::qWaitForWindowActive(m_home));
        return scan;
    }

    // What a widget is called in the expectations: a chip by its folder's name.
    static QString nameOf(QWidget *widget)
    {
        if (auto *chip = qobject_cast<ScanItemsViewItem *>(widget))
            return QStringLiteral("chip ") + chip->findChild<QLabel *>(QStringLiteral("lblName"))->text();
        return widget ? widget->objectName() : QStringLiteral("(nothing)");
    }

    // Where Tab takes the focus from the widget, once round.
    QStringList tabLap(QWidget *from)
    {
        from->setFocus(Qt::TabFocusReason);
        QStringList visited{nameOf(QApplication::focusWidget())};
        for (int step = 0; step < 20; ++step) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            if (QApplication::focusWidget() == from)
                break;
            visited.append(nameOf(QApplication::focusWidget()));
        }
        return visited;
    }

    // The completed summary, as after a scan that found one pair of documents.
    void showCompleted(ScanVC *scan)
    {
        InitialDirectory copy;
        copy.url = QUrl::fromLocalFile(QStringLiteral("/a.txt"));
        duplicateResults().setValue(QStringLiteral("Documents"), {{copy, copy}});
        isBackFromDashboard = true;
        scan->viewWillAppear();
    }

    CancelScanningVC *cancelDialog()
    {
        return ScreenRegistry::instance().peek<CancelScanningVC>(QString::fromLatin1(ScreenId::CancelScanning));
    }

    // Pixels the focus ring adds to the button that stand out from the
    // button's fill by the 3:1 that a control's outline needs.
    int ringPixelsThatStandOut(QAbstractButton *button)
    {
        const QRect area(button->mapTo(m_scan, QPoint(0, 0)), button->size());
        button->clearFocus();
        const QImage plain = m_scan->grab(area).toImage().convertToFormat(QImage::Format_RGB32);
        button->setFocus(Qt::TabFocusReason);
        const QImage focused = m_scan->grab(area).toImage().convertToFormat(QImage::Format_RGB32);
        // The fill: the commonest colour along the middle line of the plain button.
        std::map<QRgb, int> counts;
        for (int x = 0; x < plain.width(); ++x)
            ++counts[plain.pixel(x, plain.height() / 2)];
        const QColor fill(std::max_element(counts.begin(), counts.end(), [](const auto &a, const auto &b) {
                              return a.second < b.second;
                          })->first);
        int standingOut = 0;
        for (int y = 0; y < focused.height(); ++y) {
            for (int x = 0; x < focused.width(); ++x) {
                if (focused.pixel(x, y) != plain.pixel(x, y) && contrast(QColor(focused.pixel(x, y)), fill) >= 3.0)
                    ++standingOut;
            }
        }
        return standingOut;
    }
};

TEST_F(ScanKeyboardTest, tabGoesThroughTheControlsInReadingOrder)
{
    presentActive(makeFolders({QStringLiteral("Alpha"), QStringLiteral("Beta")}));
    // Back at the top, Add folder above the chips, the chips, Start scanning
    // below them, the share buttons at the foot; then round again.
    EXPECT_EQ(tabLap(outlet<QWidget>("btnBack")),
              (QStringList{QStringLiteral("btnBack"), QStringLiteral("btnAddFolder"), QStringLiteral("chip Alpha"),
                           QStringLiteral("chip Beta"), QStringLiteral("btnStartScanning"), QStringLiteral("btnTwitter"),
                           QStringLiteral("btnFacebook")}));
}

// The scan screen comes over the home screen while the home screen's Add
// Folder has the keyboard; when that button goes, the keyboard is on Start
// Scanning, the screen's own action, not on the first control in the chain.
TEST_F(ScanKeyboardTest, startScanningTakesTheKeyboardWhenTheScreenComes)
{
    auto *addFolder = new QPushButton(QStringLiteral("Add Folder"), m_home);
    m_home->show();
    QApplication::setActiveWindow(m_home);
    ASSERT_TRUE(QTest::qWaitForWindowActive(m_home));
    addFolder->setFocus(Qt::TabFocusReason);
    ASSERT_EQ(QApplication::focusWidget(), addFolder);
    presentScanScreen(makeFolders({QStringLiteral("A")}));
    addFolder->hide();
    EXPECT_EQ(nameOf(QApplication::focusWidget()), QStringLiteral("btnStartScanning"));
}

TEST_F(ScanKeyboardTest, returnEnterAndSpacePressTheFocusedButton)
{
    ScreenRegistry::instance().registerFactory(QString::fromLatin1(ScreenId::DashboardWindow),
                                               [] { return new ResultsWindowStandIn; });
    m_chooser.accept = false;
    struct Case
    {
        const char *button;
        bool completed; // the button belongs to the completed summary
        std::function<int()> presses;
    };
    const QList<Case> cases{
            {"btnAddFolder", false, [this] { return m_chooser.opened; }},
            {"btnReviewResults", true, [] { return ResultsWindowStandIn::shownCount; }},
            // The run is held between its steps, so it is still going when looked at.
            {"btnStartScanning", false, [] { return isScanning ? 1 : 0; }},
    };
    for (const Case &c : cases) {
        for (const auto &[key, keyName] : {std::pair{Qt::Key_Return, "Return"}, std::pair{Qt::Key_Enter, "Enter"},
                                           std::pair{Qt::Key_Space, "Space"}}) {
            SCOPED_TRACE(std::string(c.button) + " " + keyName);
            ResultsWindowStandIn::shownCount = 0;
            ScanVC *scan = presentActive(makeTreeWithDuplicates());
            makeQuick(scan, std::chrono::milliseconds(60000));
            if (c.completed)
                showCompleted(scan);
            auto *button = outlet<QWidget>(c.button);
            ASSERT_TRUE(button->isVisible());
            button->setFocus(Qt::TabFocusReason);
            ASSERT_EQ(QApplication::focusWidget(), button);
            const int before = c.presses();
            QTest::keyClick(button, key);
            EXPECT_TRUE(waitUntil([&] { return c.presses() == before + 1; }, 5000));
            // A run still going ends with its screen.
            delete scan;
            EXPECT_FALSE(isScanning);
            duplicateResults().removeAll();
            isScanFinished = false;
        }
    }
}

TEST_F(ScanKeyboardTest, aFocusedChipTakesDeleteAndTheMenuKey)
{
    const QStringList folders = makeFolders({QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")});
    ScanVC *scan = presentActive(folders);

    // Delete removes the chip's folder, as the menu's first item does, and
    // the keyboard stays on the chip that takes its place.
    chips().at(1)->setFocus(Qt::TabFocusReason);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Delete);
    EXPECT_EQ(scan->scanList(), (QStringList{folders.at(0), folders.at(2)}));
    ASSERT_EQ(chips().size(), 2);
    EXPECT_EQ(nameOf(QApplication::focusWidget()), QStringLiteral("chip C"));

    struct Case
    {
        const char *name;
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
    };
    const Case cases[] = {
            {"the menu key", Qt::Key_Menu, Qt::NoModifier},
            {"Shift+F10", Qt::Key_F10, Qt::ShiftModifier},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        ScanItemsViewItem *chip = chips().at(0);
        chip->setFocus(Qt::TabFocusReason);
        QSignalSpy shown(&chip->mainMenu(), &QMenu::aboutToShow);
        QTest::keyClick(chip, c.key, c.modifiers);
        EXPECT_EQ(shown.count(), 1);
        ASSERT_TRUE(chip->mainMenu().isVisible());
        // What the pointer's menu offers, its first item ready for Return, over the chip.
        ASSERT_EQ(chip->mainMenu().actions().size(), 2);
        EXPECT_EQ(chip->mainMenu().activeAction(), chip->mainMenu().actions().at(0));
        EXPECT_EQ(chip->mainMenu().actions().at(0)->text(), t("IDS_TMR_114"));
        EXPECT_TRUE(chip->rect().contains(chip->mapFromGlobal(chip->mainMenu().pos())));
        chip->mainMenu().hide();
    }
    // Delete on the last chip goes home, as removing the last folder does.
    QPointer<ScanVC> guard(scan);
    chips().at(0)->setFocus(Qt::TabFocusReason);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Delete);
    chips().at(0)->setFocus(Qt::TabFocusReason);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Delete);
    EXPECT_TRUE(waitForHome(guard));
}

TEST_F(ScanKeyboardTest, theStopQuestionTakesTheKeyboardAndGivesItBack)
{
    ScanVC *scan = presentActive(makeTreeWithDuplicates());
    makeQuick(scan, std::chrono::milliseconds(60000));
    scan->clickedStartScanning();
    auto *stop = outlet<QWidget>("btnStopScan");
    stop->setFocus(Qt::TabFocusReason);
    QTest::keyClick(stop, Qt::Key_Space);
    CancelScanningVC *dialog = cancelDialog();
    ASSERT_TRUE(dialog);
    ASSERT_TRUE(isScanDialogShown);

    // The question has the keyboard, and Tab goes round its two answers only.
    QStringList visited{nameOf(QApplication::focusWidget())};
    for (int step = 0; step < 3; ++step) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        visited.append(nameOf(QApplication::focusWidget()));
    }
    EXPECT_EQ(visited, (QStringList{QStringLiteral("btnYes"), QStringLiteral("btnNo"), QStringLiteral("btnYes"),
                                    QStringLiteral("btnNo")}));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
    EXPECT_EQ(nameOf(QApplication::focusWidget()), QStringLiteral("btnYes"));

    // Escape reaches the question: the run goes on, and the keyboard is back on Stop.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    EXPECT_TRUE(dialog->isAnswered());
    ASSERT_TRUE(waitUntil([] { return !isScanDialogShown; }));
    EXPECT_TRUE(isScanning);
    EXPECT_EQ(QApplication::focusWidget(), stop);

    // Return answers Stop; the keyboard then waits on Start scanning.
    QTest::keyClick(stop, Qt::Key_Return);
    ASSERT_TRUE(isScanDialogShown);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    ASSERT_TRUE(waitUntil([] { return !isScanDialogShown && !isScanning; }));
    ASSERT_TRUE(waitUntil([] { return nameOf(QApplication::focusWidget()) == QStringLiteral("btnStartScanning"); }, 3000));
}

// Back with results asks first; cancelling the question gives the keyboard
// back to Back, not to a button that happened to come after it.
TEST_F(ScanKeyboardTest, cancellingTheLeaveQuestionGivesTheKeyboardBackToBack)
{
    QPointer<BackToHomeStandIn> dialog;
    ScreenRegistry::instance().registerFactory(QString::fromLatin1(ScreenId::BackToHome), [&dialog] {
        dialog = new BackToHomeStandIn;
        return dialog.data();
    });
    ScanVC *scan = presentActive(makeFolders({QStringLiteral("A")}));
    showCompleted(scan);
    auto *back = outlet<QWidget>("btnBack");
    back->setFocus(Qt::TabFocusReason);
    QTest::keyClick(back, Qt::Key_Return);
    ASSERT_TRUE(dialog);
    ASSERT_TRUE(isScanDialogShown);
    dialog->answer(false);
    EXPECT_EQ(QApplication::focusWidget(), back);
    delete dialog.data();
}

// A button that turns itself off when pressed hands the keyboard to what it
// acted on: Start Scanning to the scan's Stop, the others to the screen
// itself until the question or the results window takes it. The keyboard
// never passes through another of the screen's controls on the way, where a
// screen reader would announce a button the user did not choose.
TEST_F(ScanKeyboardTest, aButtonThatTurnsItselfOffHandsTheKeyboardOn)
{
    ScreenRegistry::instance().registerFactory(QString::fromLatin1(ScreenId::DashboardWindow),
                                               [] { return new ResultsWindowStandIn; });
    QPointer<BackToHomeStandIn> question;
    ScreenRegistry::instance().registerFactory(QString::fromLatin1(ScreenId::BackToHome), [&question] {
        question = new BackToHomeStandIn;
        return question.data();
    });
    struct Case
    {
        const char *button;
        std::function<void(ScanVC *)> reach;
        const char *keyboardAfter; // an outlet, "screen" for the screen itself, or "" for elsewhere
    };
    const Case cases[] = {
        {"btnStartScanning", [](ScanVC *) {}, "btnStopScan"},
        {"btnReviewResults", [this](ScanVC *scan) { showCompleted(scan); }, "screen"},
        {"btnBack", [this](ScanVC *scan) { showCompleted(scan); }, ""},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.button);
        ScanVC *scan = presentActive(makeTreeWithDuplicates());
        makeQuick(scan, std::chrono::milliseconds(60000));
        c.reach(scan);
        auto *button = outlet<QWidget>(c.button);
        ASSERT_TRUE(button->isVisible());
        button->setFocus(Qt::TabFocusReason);

        const FocusTrail trail;
        QTest::keyClick(button, Qt::Key_Space);

        EXPECT_FALSE(button->isEnabled());
        QWidget *expected = QLatin1String(c.keyboardAfter) == QLatin1String("screen") ? scan
                : *c.keyboardAfter                                                   ? outlet<QWidget>(c.keyboardAfter)
                                                                                     : nullptr;
        if (expected) {
            EXPECT_EQ(QApplication::focusWidget(), expected) << nameOf(QApplication::focusWidget()).toStdString();
        }
        // Waiting on the screen itself, or in the question, is no stop at a control.
        for (QWidget *widget : trail.reached()) {
            const bool control = scan->isAncestorOf(widget) && qobject_cast<QAbstractButton *>(widget);
            if (control && widget != expected && !(question && question->isAncestorOf(widget)))
                ADD_FAILURE() << "the keyboard passed through " << nameOf(widget).toStdString();
        }
        if (question)
            question->answer(false);
        delete scan;
        delete question.data();
        duplicateResults().removeAll();
        isScanFinished = false;
        isScanDialogShown = false;
    }
}

// When the scan ends, Stop goes out of sight with the running scan's part
// of the screen: the keyboard goes straight on to the button of the state
// that follows, never through a control beside it.
TEST_F(ScanKeyboardTest, whenTheScanEndsTheKeyboardGoesFromStopToWhatFollows)
{
    struct Case
    {
        const char *scan;
        std::function<QStringList()> tree;
        const char *keyboardAfter;
    };
    const Case cases[] = {
        {"duplicates found", [this] { return makeTreeWithDuplicates(); }, "btnReviewResults"},
        {"nothing found", [this] { return makeTreeWithoutDuplicates(); }, "btnStartScanning"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.scan);
        ScanVC *scan = presentActive(c.tree());
        makeQuick(scan);
        scan->clickedStartScanning();
        auto *stop = outlet<QWidget>("btnStopScan");
        ASSERT_EQ(QApplication::focusWidget(), stop);
        const FocusTrail trail;
        ASSERT_TRUE(waitUntil([] { return !isScanning; }));
        auto *next = outlet<QWidget>(c.keyboardAfter);
        EXPECT_TRUE(waitUntil([next] { return next->hasFocus(); }, 3000)) << nameOf(QApplication::focusWidget()).toStdString();
        for (QWidget *widget : trail.reached()) {
            if (scan->isAncestorOf(widget) && qobject_cast<QAbstractButton *>(widget) && widget != next)
                ADD_FAILURE() << "the keyboard passed through " << nameOf(widget).toStdString();
        }
        delete scan;
        duplicateResults().removeAll();
        isScanFinished = false;
    }
}

TEST_F(ScanKeyboardTest, theFocusRingStandsOutOnEveryKindOfButton)
{
    presentActive(makeFolders({QStringLiteral("A")}));
    for (const char *name : {"btnStartScanning", "btnAddFolder", "btnBack", "btnTwitter"}) {
        SCOPED_TRACE(name);
        auto *button = outlet<QAbstractButton>(name);
        // Wider than the button: the ring goes all the way round.
        EXPECT_GE(ringPixelsThatStandOut(button), button->width() + button->height()) << name;
        if (QLatin1String(name) == QLatin1String("btnStartScanning"))
            saveRender(m_scan, QStringLiteral("scan_screen_focus_on_start"));
    }
    // A click's focus shows no ring.
    auto *start = outlet<QAbstractButton>("btnStartScanning");
    const QRect area(start->mapTo(m_scan, QPoint(0, 0)), start->size());
    start->clearFocus();
    const QImage plain = m_scan->grab(area).toImage();
    start->setFocus(Qt::MouseFocusReason);
    EXPECT_EQ(m_scan->grab(area).toImage(), plain);
}

// While the question slides in, its card hides what lies under it: the ring
// and its percentage never show through the question's text.
TEST_F(ScanKeyboardTest, theStopQuestionsCardHidesTheScreenWhileItSlidesIn)
{
    ScanVC *scan = presentActive(makeTreeWithDuplicates());
    makeQuick(scan, std::chrono::milliseconds(60000));
    scan->clickedStartScanning();
    scan->updateScanProgress(14, 14);
    click("btnStopScan");
    CancelScanningVC *dialog = cancelDialog();
    ASSERT_TRUE(dialog);
    auto *card = dialog->findChild<QWidget *>(QStringLiteral("card"));
    ASSERT_TRUE(card);
    const QImage cardAlone = card->grab().toImage().convertToFormat(QImage::Format_ARGB32);

    for (const double share : {0.5, 0.8}) {
        SCOPED_TRACE(share);
        auto *running = dialog->findChild<QAbstractAnimation *>();
        ASSERT_TRUE(running);
        running->pause();
        running->setCurrentTime(int(running->totalDuration() * share));
        const QRect cardOnScreen(card->mapTo(scan, QPoint(0, 0)), card->size());
        const QRect shown = cardOnScreen.intersected(scan->rect());
        ASSERT_GT(shown.height(), 40);
        const QImage screen = scan->grab(shown).toImage().convertToFormat(QImage::Format_ARGB32);
        if (share == 0.5)
            saveRender(scan, QStringLiteral("scan_screen_cancel_dialog_sliding_in"));
        int compared = 0;
        int differing = 0;
        for (int y = 0; y < shown.height(); ++y) {
            for (int x = 0; x < shown.width(); ++x) {
                const QPoint inCard = QPoint(x, y) + shown.topLeft() - cardOnScreen.topLeft();
                const QRgb own = cardAlone.pixel(inCard);
                if (qAlpha(own) < 255)
                    continue; // the card's rounded corners
                ++compared;
                const QRgb seen = screen.pixel(x, y);
                differing += std::abs(qRed(own) - qRed(seen)) + std::abs(qGreen(own) - qGreen(seen))
                        + std::abs(qBlue(own) - qBlue(seen)) > 12 ? 1 : 0;
            }
        }
        ASSERT_GT(compared, 1000);
        EXPECT_LT(differing, compared / 200);
        running->resume();
    }
    QTest::keyClick(dialog, Qt::Key_Return);
    ASSERT_TRUE(waitUntil([] { return !isScanDialogShown && !isScanning; }));
}

TEST_F(ScanKeyboardTest, everyControlHasANameThatSaysWhatItDoes)
{
    const QStringList folders = makeFolders({QStringLiteral("Alpha"), QStringLiteral("Beta")});
    ScanVC *scan = presentActive(folders);
    const QRegularExpression words(QStringLiteral("\\p{L}{2,}"));
    for (QAbstractButton *button : scan->findChildren<QAbstractButton *>()) {
        QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(button);
        ASSERT_TRUE(accessible);
        const QString name = accessible->text(QAccessible::Name);
        EXPECT_TRUE(words.match(name).hasMatch()) << button->objectName().toStdString() << ": " << name.toStdString();
    }
    auto nameOfOutlet = [this](const char *outletName) {
        return QAccessible::queryAccessibleInterface(outlet<QWidget>(outletName))->text(QAccessible::Name);
    };
    EXPECT_EQ(nameOfOutlet("btnClose"), t("IDS_TMR_1110"));
    EXPECT_EQ(nameOfOutlet("btnMinimize"), t("IDS_TMR_245"));
    EXPECT_EQ(nameOfOutlet("imgViewStandardMaximize"), t("IDS_TMR_246"));
    EXPECT_EQ(nameOfOutlet("btnBack"), t("IDS_TMR_152"));
    EXPECT_EQ(nameOfOutlet("btnTwitter"), QStringLiteral("Twitter"));
    EXPECT_EQ(nameOfOutlet("btnFacebook"), QStringLiteral("Facebook"));
    // A chip is its folder, as the widget and as the list's item that
    // assistive tools read in the list of folders; its cross says what it does.
    QAccessibleInterface *list = QAccessible::queryAccessibleInterface(outlet<QWidget>("collectionView"));
    ASSERT_TRUE(list);
    ASSERT_EQ(list->childCount(), folders.size());
    for (int row = 0; row < folders.size(); ++row) {
        SCOPED_TRACE(row);
        ScanItemsViewItem *chip = chips().at(row);
        const QString folder = QDir::toNativeSeparators(folders.at(row));
        EXPECT_EQ(QAccessible::queryAccessibleInterface(chip)->text(QAccessible::Name), folder);
        QAccessibleInterface *item = list->child(row);
        ASSERT_TRUE(item);
        EXPECT_EQ(item->role(), QAccessible::ListItem);
        EXPECT_EQ(item->text(QAccessible::Name), folder);
        EXPECT_EQ(QAccessible::queryAccessibleInterface(chip->closeButton())->text(QAccessible::Name), t("IDS_TMR_156"));
    }
}

} // namespace
