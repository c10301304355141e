#include "ScreenStandIns.h"

#include <AfterMoveInPhotoLibraryVC.h>
#include <BackToHomeDialogVC.h>
#include <CustomAnimator.h>
#include <DeleteDuplicatePhotosVC.h>
#include <DeleteVC.h>
#include <FocusRing.h>
#include <Localization.h>
#include <ProcessState.h>
#include <SYFlatButton.h>
#include <ScreenRegistry.h>
#include <UserDefaults.h>

#include <QApplication>
#include <QCheckBox>
#include <QTest>
#include <QLabel>

#include <gtest/gtest.h>

#include <utility>

namespace {

struct SwitchCase
{
    const char *name;
    QList<bool> clicks; // the box's state after each click
    bool ok;
    bool switchAfter;
};

const QList<SwitchCase> switchCases = {
    {"OK untouched", {}, true, true},
    {"tick, Cancel", {true}, false, false},
    {"tick, OK", {true}, true, false},
    {"tick, untick, OK", {true, false}, true, true},
    {"untick twice, tick, Cancel", {true, false, true}, false, false},
};

void expectStored(const char *key, bool value)
{
    const QVariant stored = UserDefaults::standard().object(QLatin1String(key));
    ASSERT_TRUE(stored.isValid()) << key;
    EXPECT_EQ(stored.toBool(), value) << key;
}

} // namespace

TEST(RemovalConfirmation, TheBoxWritesTheSwitchAtOnceAndTheButtonsPostTheirNotification)
{
    loadLocalizationTable();
    ResultsStandIn results;
    results.show();
    for (const SwitchCase &c : switchCases) {
        SCOPED_TRACE(c.name);
        confirmBeforeDeletingPhotosEnabled = true;
        markedCategories().clear(); // nothing marked: OK shows no removal sheet
        results.calls.clear();
        DeleteDuplicatePhotosVC dialog;
        dialog.presentOver(&results);
        ASSERT_TRUE(dialog.isVisible());
        auto *box = dialog.findChild<QCheckBox *>("btnDonotShowAgain");
        ASSERT_NE(box, nullptr);
        EXPECT_FALSE(box->isChecked());
        EXPECT_TRUE(isOverlayDialogShown);
        for (bool state : c.clicks) {
            box->click();
            EXPECT_EQ(box->isChecked(), state);
            EXPECT_EQ(confirmBeforeDeletingPhotosEnabled, !state);
            expectStored(kConfirmBeforeDeletingPhotosKey, !state);
        }
        if (c.ok)
            dialog.tappedOk();
        else
            dialog.tappedCancel();
        dialog.tappedCancel(); // a second answer changes nothing
        EXPECT_FALSE(dialog.isVisible());
        EXPECT_FALSE(isOverlayDialogShown);
        EXPECT_EQ(confirmBeforeDeletingPhotosEnabled, c.switchAfter);
        EXPECT_EQ(results.calls, QStringList{c.ok ? "observerDeleteMarked" : "hideTopParentLayer"});
        EXPECT_FALSE(results.topLayerParent->isVisible());

        // Shown again, the box starts unticked whatever it held.
        box->setChecked(true);
        dialog.presentOver(&results);
        EXPECT_FALSE(box->isChecked());
        dialog.tappedCancel();
    }
}

TEST(LeaveResultsConfirmation, TheBoxWritesTheSwitchAndTheScanScreenHearsTheAnswer)
{
    loadLocalizationTable();
    ScreenRegistry::instance().reset();
    auto *scan = new ScanStandIn;
    ScreenRegistry::instance().put(QLatin1String(ScreenId::Scan), scan);
    scan->show();
    QStringList heard;
    const auto back = NotificationCenter::defaultCenter().addObserver(
        QLatin1String(kBackToHomeObserverNotification), [&](const Notification &) { heard.append("back"); });
    const auto stay = NotificationCenter::defaultCenter().addObserver(
        QLatin1String(kHideTopParentLayerScanVCNotification), [&](const Notification &) { heard.append("stay"); });
    for (const SwitchCase &c : switchCases) {
        SCOPED_TRACE(c.name);
        backToHomeAlertEnabled = true;
        heard.clear();
        scan->calls.clear();
        auto *dialog = new BackToHomeDialogVC(scan);
        dialog->setGeometry(scan->rect());
        dialog->show();
        EXPECT_FALSE(scan->btnClose->isEnabled());
        auto *box = dialog->findChild<QCheckBox *>("btnDoNotShowAgain");
        ASSERT_NE(box, nullptr);
        EXPECT_FALSE(box->isChecked());
        for (bool state : c.clicks) {
            box->click();
            EXPECT_EQ(backToHomeAlertEnabled, !state);
            expectStored(kBackToHomeAlertKey, !state);
        }
        if (c.ok)
            dialog->tappedOk();
        else
            dialog->tappedCancel();
        dialog->tappedOk();
        EXPECT_EQ(heard, QStringList{c.ok ? "back" : "stay"});
        EXPECT_EQ(scan->calls, QStringList{"enableScanButtons"});
        EXPECT_TRUE(scan->btnClose->isEnabled());
        EXPECT_FALSE(isOverlayDialogShown);
        EXPECT_EQ(backToHomeAlertEnabled, c.switchAfter);
        expectStored(kDisablePieChartAnimationKey, false);
        delete dialog;
    }
    NotificationCenter::defaultCenter().removeObserver(back);
    NotificationCenter::defaultCenter().removeObserver(stay);
    ScreenRegistry::instance().reset();
}

TEST(PhotosFollowUp, CountAndSpaceTexts)
{
    loadLocalizationTable();
    struct Case
    {
        int count;
        QString noun;
        int highlighted;
    };
    for (const Case &c : {Case{1, localizedString("IDS_TMR_75_1"), 1}, Case{12, localizedString("IDS_TMR_75_2"), 2}}) {
        SCOPED_TRACE(c.count);
        const AfterMoveInPhotoLibraryVC::CountLine line = AfterMoveInPhotoLibraryVC::countLine(c.count);
        EXPECT_TRUE(line.text.startsWith(QString::number(c.count) + ' '));
        EXPECT_TRUE(line.text.contains(c.noun));
        EXPECT_EQ(line.highlighted, c.highlighted);
        EXPECT_TRUE(line.html.startsWith("<span style=\"color:#0a60ff\">" + QString::number(c.count) + "</span> "));
        // The album's name is quoted in the table's text and reaches the label escaped.
        EXPECT_TRUE(line.html.contains("&quot;Trash (Twinmoor)&quot;")) << line.html.toStdString();
    }
    EXPECT_EQ(AfterMoveInPhotoLibraryVC::spaceToRecoverText(3145728), localizedString("IDS_TMR_76") + ": 3.0 MB");
}

// The two step headings share their texts with the scan screen's step
// titles, which show them upper-cased on their own: a text that says more
// than the step (or ends in its own colon) reads wrong in one of the two.
TEST(PhotosFollowUp, StepHeadingsAreTheScanScreensStepTitles)
{
    loadLocalizationTable();
    AfterMoveInPhotoLibraryVC dialog;
    for (const auto &[label, key] : {std::pair{"lblStep1", "IDS_TMR_78"}, std::pair{"lblStep2", "IDS_TMR_80"}}) {
        SCOPED_TRACE(key);
        const QString title = localizedString(QLatin1String(key));
        EXPECT_FALSE(title.isEmpty());
        EXPECT_FALSE(title.contains(':')) << title.toStdString();
        EXPECT_EQ(dialog.findChild<QLabel *>(QLatin1String(label))->text(), title + ':');
    }
}

TEST(PhotosFollowUp, CloseHidesTheDimmingAndAsksForTheAdvertAfterAMoment)
{
    loadLocalizationTable();
    ScreenRegistry::instance().reset();
    auto *scan = new ScanStandIn;
    ScreenRegistry::instance().put(QLatin1String(ScreenId::Scan), scan);
    scan->show();
    removedPhotoCount = 12;
    removedPhotoBytes = 3145728;
    // Presented and dismissed by the scan screen's animator, as the scan screen does.
    scanCustomAnimator.emplace(0.0, QRectF(scan->rect()));
    auto *follow = new AfterMoveInPhotoLibraryVC;
    AfterMoveInPhotoLibraryVC &dialog = *follow;
    scanCustomAnimator->animatePresentationOfViewController(follow, scan);
    waitFor([&] { return dialog.isVisible(); });
    EXPECT_TRUE(isOverlayDialogShown);
    EXPECT_FALSE(scan->btnClose->isEnabled());
    EXPECT_TRUE(dialog.findChild<QLabel *>("lblSpaceToRecover")->text().endsWith("3.0 MB"));
    saveRender(dialog, "photos-follow-up");
    dialog.clickedClose();
    dialog.clickedClose();
    EXPECT_TRUE(scan->boxTopLayer->isHidden());
    EXPECT_FALSE(isOverlayDialogShown);
    waitFor([&] { return scan->calls.contains("showAdvertise"); });
    EXPECT_EQ(scan->calls, QStringList({"enableScanButtons", "showAdvertise"}));
    waitFor([&] { return !dialog.isVisible(); });
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_TRUE(scan->btnClose->isEnabled());
    scanCustomAnimator.reset();
    ScreenRegistry::instance().forget(QLatin1String(ScreenId::Scan));
    delete follow;
    delete scan;
}

TEST(RemovalSheet, PercentTexts)
{
    struct Case
    {
        int removed;
        int total;
        const char *text;
    };
    const Case cases[] = {
        {0, 0, "0%"},     {0, 4, "0.0%"},   {1, 3, "33.333333333333336%"},
        {1, 2, "50.0%"},  {2, 2, "100.0%"}, {1, 8, "12.5%"},
        {2, 3, "66.66666666666667%"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(DeleteVC::percentText(c.removed, c.total), c.text) << c.removed << "/" << c.total;
}

namespace {

// Whether the button draws the kit's focus ring: pixels of its outer colour.
bool drawsRing(QWidget *button)
{
    const QImage picture = button->grab().toImage();
    const QRgb ring = FocusRing::kOuterColor.rgb() & 0xffffff;
    int found = 0;
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x)
            found += (picture.pixel(x, y) & 0xffffff) == ring ? 1 : 0;
    }
    return found > button->width();
}

QString focusedName()
{
    return QApplication::focusWidget() ? QApplication::focusWidget()->objectName() : QStringLiteral("(nothing)");
}

// From OK, where both confirmations open, Tab and Shift+Tab go round the
// controls the way the row reads: the box, Cancel, OK.
void expectTabRound(const char *boxName)
{
    EXPECT_EQ(focusedName(), QStringLiteral("btnOk"));
    EXPECT_TRUE(drawsRing(QApplication::focusWidget())) << "the default button shows that it has the keyboard";
    for (const auto &[key, expected] :
         {std::pair{Qt::Key_Tab, QStringList{boxName, "btnCancel", "btnOk"}},
          std::pair{Qt::Key_Backtab, QStringList{"btnCancel", boxName, "btnOk"}}}) {
        QStringList visited;
        for (qsizetype step = 0; step < expected.size(); ++step) {
            QTest::keyClick(QApplication::focusWidget(), key);
            visited.append(focusedName());
        }
        EXPECT_EQ(visited, expected) << (key == Qt::Key_Tab ? "Tab" : "Shift+Tab");
    }
}

} // namespace

TEST(RemovalDialogs, TheKeyboardStartsAtOkAndTabReadsTheRow)
{
    loadLocalizationTable();
    {
        SCOPED_TRACE("removal confirmation");
        ResultsStandIn results;
        results.show();
        markedCategories().clear();
        DeleteDuplicatePhotosVC dialog;
        dialog.presentOver(&results);
        ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
        expectTabRound("btnDonotShowAgain");
        dialog.tappedCancel();
    }
    {
        SCOPED_TRACE("leave-results confirmation");
        ScreenRegistry::instance().reset();
        auto *scan = new ScanStandIn;
        ScreenRegistry::instance().put(QLatin1String(ScreenId::Scan), scan);
        scan->show();
        QApplication::setActiveWindow(scan);
        ASSERT_TRUE(QTest::qWaitForWindowActive(scan));
        scan->btnClose->setFocus(Qt::TabFocusReason);
        scanCustomAnimator.emplace(0.05, QRectF(scan->rect()));
        QStringList heard;
        const auto back = NotificationCenter::defaultCenter().addObserver(
            QLatin1String(kBackToHomeObserverNotification), [&](const Notification &) { heard.append("back"); });
        auto *dialog = new BackToHomeDialogVC(scan);
        scanCustomAnimator->animatePresentationOfViewController(dialog, scan);
        expectTabRound("btnDoNotShowAgain");
        // Return answers where the ring is: OK, and the results are left.
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        EXPECT_EQ(heard, QStringList{"back"});
        waitFor([&] { return dialog->isHidden(); });
        EXPECT_TRUE(dialog->isHidden());
        NotificationCenter::defaultCenter().removeObserver(back);
        scanCustomAnimator.reset();
        ScreenRegistry::instance().reset();
    }
}

TEST(RemovalDialogs, Renders)
{
    loadLocalizationTable();
    ResultsStandIn results;
    results.show();
    DeleteDuplicatePhotosVC confirmation;
    confirmation.presentOver(&results);
    saveRender(confirmation, "confirmation");
    confirmation.tappedCancel();

    ScanStandIn scan;
    scan.show();
    BackToHomeDialogVC back(&scan);
    back.setGeometry(scan.rect());
    back.show();
    saveRender(back, "leave-results");
}
