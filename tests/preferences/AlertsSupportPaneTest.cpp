#include "PreferencesFixture.h"

#include <AlertSettingsPreferencesViewController.h>
#include <Localization.h>
#include <PreferencesTabViewController.h>
#include <ProcessState.h>
#include <SupportPreferencesViewController.h>

#include <QCheckBox>
#include <QLabel>

using AlertsPaneTest = PreferencesFixture;
using SupportPaneTest = PreferencesFixture;

TEST_F(AlertsPaneTest, ShowsTheStoredSwitchesAndAMissingOneMeansConfirm)
{
    struct Case
    {
        const char *name;
        QVariant removal;
        QVariant leaving;
        bool shownRemoval;
        bool shownLeaving;
    };
    const Case cases[] = {
        {"both on", true, true, true, true},
        {"removal off", false, true, false, true},
        {"leaving off", true, false, true, false},
        {"both absent", QVariant(), QVariant(), true, true},
        {"not bools", 0, "no", true, true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        resetScreens();
        remove("confirmBeforeDeletingPhotos");
        remove("backToHomeAlert");
        if (c.removal.isValid())
            store("confirmBeforeDeletingPhotos", c.removal);
        if (c.leaving.isValid())
            store("backToHomeAlert", c.leaving);
        const QString before = settingsFile();
        showTab(1);
        AlertSettingsPreferencesViewController *pane = tabs()->alertsPane();
        EXPECT_EQ(pane->btnConfirmBeforeDeletePhotos->isChecked(), c.shownRemoval);
        EXPECT_EQ(pane->btnConfirmWhenMovingAway->isChecked(), c.shownLeaving);
        EXPECT_EQ(settingsFile(), before);
        window()->close();
    }
}

TEST_F(AlertsPaneTest, AClickWritesBothSwitchesAndEveryShowingReadsThemAgain)
{
    store("confirmBeforeDeletingPhotos", true);
    store("backToHomeAlert", false);
    showTab(1);
    AlertSettingsPreferencesViewController *pane = tabs()->alertsPane();
    pane->btnConfirmBeforeDeletePhotos->click();
    EXPECT_EQ(stored("confirmBeforeDeletingPhotos"), QVariant(false));
    EXPECT_EQ(stored("backToHomeAlert"), QVariant(false));
    EXPECT_FALSE(confirmBeforeDeletingPhotosEnabled);

    pane->btnConfirmWhenMovingAway->click();
    EXPECT_EQ(stored("confirmBeforeDeletingPhotos"), QVariant(false));
    EXPECT_EQ(stored("backToHomeAlert"), QVariant(true));
    EXPECT_TRUE(backToHomeAlertEnabled);

    // A confirmation dialog switched the removal question back on meanwhile.
    tabs()->setCurrentIndex(4);
    store("confirmBeforeDeletingPhotos", true);
    tabs()->setCurrentIndex(1);
    EXPECT_TRUE(pane->btnConfirmBeforeDeletePhotos->isChecked());
    EXPECT_TRUE(confirmBeforeDeletingPhotosEnabled);
}

TEST_F(SupportPaneTest, ComposesTheSupportTextFromItsParts)
{
    showTab(4);
    SupportPreferencesViewController *pane = tabs()->supportPane();
    const QString expected = localizedString("IDS_TMR_45") + "\n\n" + localizedString("IDS_TMR_45_1") + "\n"
                             + localizedString("IDS_TMR_46_1") + " +1 " + localizedString("IDS_TMR_46");
    EXPECT_EQ(pane->lblForHelpOnAnySystemRelated->text(), expected);
    EXPECT_TRUE(pane->lblForHelpOnAnySystemRelated->wordWrap());
    EXPECT_EQ(pane->lblContactNo->text(), localizedString("IDS_TMR_46"));

    // Without its caption the last line begins with the prefix.
    ASSERT_TRUE(localizedStrings());
    localizedStrings()->remove("IDS_TMR_46_1");
    const QStringList lines = SupportPreferencesViewController::composedSupportText().split('\n');
    EXPECT_EQ(lines.last(), " +1 " + localizedString("IDS_TMR_46"));
    loadLocalizationTable();
}
