#include "PreferencesFixture.h"

#include <GeneralPreferencesViewController.h>
#include <LaunchOnStartup.h>
#include <LoginItems.h>
#include <PreferencesTabViewController.h>
#include <ProcessState.h>
#include <Updater.h>
#include <UserDefaults.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QScopeGuard>
#include <QRadioButton>
#include <QSpinBox>

namespace {

class GeneralPaneTest : public PreferencesFixture
{
protected:
    GeneralPreferencesViewController *pane() { return tabs()->generalPane(); }

    void seed(const QVariant &size, const QVariant &unit)
    {
        remove("MinimumFileSizeTMR");
        remove("MinimumFileSizeTypeTMR");
        if (size.isValid())
            store("MinimumFileSizeTMR", size);
        if (unit.isValid())
            store("MinimumFileSizeTypeTMR", unit);
    }
};

enum class Unit { none, kb, mb };

Unit shownUnit(GeneralPreferencesViewController *pane)
{
    if (pane->btnKB->isChecked() && !pane->btnMB->isChecked())
        return Unit::kb;
    if (pane->btnMB->isChecked() && !pane->btnKB->isChecked())
        return Unit::mb;
    EXPECT_FALSE(pane->btnKB->isChecked() && pane->btnMB->isChecked());
    return Unit::none;
}

} // namespace

TEST_F(GeneralPaneTest, ShowingTheStoredSizeWritesNothingButTheRepairOfALostUnit)
{
    struct Case
    {
        const char *name;
        QVariant size;
        QVariant unit;
        int shown;
        Unit shownUnit;
        bool repaired;
    };
    const Case cases[] = {
        {"5 KB", quint64(5120), "KB", 5, Unit::kb, false},
        {"remainder dropped in KB", quint64(1536), "KB", 1, Unit::kb, false},
        {"remainder dropped in MB", quint64(1572864), "MB", 1, Unit::mb, false},
        {"zero", quint64(0), "MB", 0, Unit::mb, false},
        {"largest the spin box offers", quint64(2047) * 1024 * 1024, "MB", 2047, Unit::mb, false},
        {"more than the spin box offers", quint64(1) << 40, "MB", 2047, Unit::mb, false},
        {"size of another type", "5120", "KB", 0, Unit::kb, false},
        {"negative size", -5, "KB", 0, Unit::kb, false},
        {"unknown unit", quint64(5120), "GB", 0, Unit::none, false},
        {"unit removed", quint64(5242880), QVariant(), 1, Unit::kb, true},
        {"unit of another type", quint64(5242880), 1, 1, Unit::kb, true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        resetScreens();
        seed(c.size, c.unit);
        minimumFileSize = 777;
        const QString before = settingsFile();

        showTab(0);
        EXPECT_EQ(pane()->stepperFileSize->value(), c.shown);
        EXPECT_EQ(shownUnit(pane()), c.shownUnit);
        if (c.repaired) {
            EXPECT_EQ(stored("MinimumFileSizeTMR"), QVariant(quint64(1024)));
            EXPECT_EQ(stored("MinimumFileSizeTypeTMR"), QVariant(QStringLiteral("KB")));
            EXPECT_EQ(minimumFileSize, 1024u);
        } else {
            EXPECT_EQ(settingsFile(), before);
            EXPECT_EQ(minimumFileSize, 777u);
        }
        window()->close();
    }
}

TEST_F(GeneralPaneTest, UnitsAndTheSpinBoxStoreBytesInTheUnitShown)
{
    seed(quint64(5120), "KB");
    showTab(0);
    pane()->btnMB->click();
    EXPECT_EQ(stored("MinimumFileSizeTMR"), QVariant(quint64(5242880)));
    EXPECT_EQ(stored("MinimumFileSizeTypeTMR"), QVariant(QStringLiteral("MB")));
    EXPECT_EQ(minimumFileSize, 5242880u);
    EXPECT_EQ(shownUnit(pane()), Unit::mb);
    EXPECT_EQ(pane()->stepperFileSize->value(), 5);

    pane()->btnKB->click();
    EXPECT_EQ(stored("MinimumFileSizeTMR"), QVariant(quint64(5120)));
    EXPECT_EQ(stored("MinimumFileSizeTypeTMR"), QVariant(QStringLiteral("KB")));
    EXPECT_EQ(shownUnit(pane()), Unit::kb);

    // Clicking the unit in force keeps it.
    pane()->btnKB->click();
    EXPECT_EQ(shownUnit(pane()), Unit::kb);

    pane()->stepperFileSize->stepUp();
    EXPECT_EQ(stored("MinimumFileSizeTMR"), QVariant(quint64(6144)));
    EXPECT_EQ(stored("MinimumFileSizeTypeTMR"), QVariant(QStringLiteral("KB")));
    EXPECT_EQ(minimumFileSize, 6144u);

    // The top of the range, in MB, stays within a signed 32-bit byte count,
    // and switching units never changes the number shown.
    pane()->btnMB->click();
    pane()->stepperFileSize->setValue(pane()->stepperFileSize->maximum());
    const quint64 largest = stored("MinimumFileSizeTMR").toULongLong();
    EXPECT_EQ(largest, quint64(2047) * 1024 * 1024);
    EXPECT_LE(largest, quint64(2147483647));
    pane()->btnKB->click();
    EXPECT_EQ(pane()->stepperFileSize->value(), 2047);
    EXPECT_EQ(stored("MinimumFileSizeTMR"), QVariant(quint64(2047) * 1024));
    EXPECT_EQ(pane()->stepperFileSize->minimum(), 0);
}

TEST_F(GeneralPaneTest, LaunchAtLoginIsBroughtInLineAtEveryShowingWithoutWritingTheSetting)
{
    struct Case
    {
        const char *name;
        QVariant stored;
        bool entryBefore;
        bool expected;
    };
    const Case cases[] = {
        {"on, no entry", true, false, true},
        {"on, entry", true, true, true},
        {"off, entry", false, true, false},
        {"off, no entry", false, false, false},
        {"absent, entry", QVariant(), true, false},
        {"not a bool, entry", 1, true, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        resetScreens();
        remove("LoginStartStatusTMR");
        if (c.stored.isValid())
            store("LoginStartStatusTMR", c.stored);
        LoginItems::removeLoginItem();
        if (c.entryBefore) {
            ASSERT_TRUE(LoginItems::addLoginItem(QStringLiteral("/usr/bin/twinmoor")));
        }
        const QString before = settingsFile();

        showTab(0);
        EXPECT_EQ(tabs()->generalPane()->btnLaunchAutomatically->isChecked(), c.expected);
        EXPECT_EQ(LoginItems::isLoginItem(), c.expected);
        // An entry of another copy now starts this one.
        EXPECT_EQ(LoginItems::loginItemStarts(LaunchOnStartup::executablePath()), c.expected);
        EXPECT_EQ(settingsFile(), before);
        window()->close();
    }

    // A click stores the choice and follows it at once.
    showTab(0);
    QCheckBox *box = tabs()->generalPane()->btnLaunchAutomatically;
    box->click();
    EXPECT_EQ(stored("LoginStartStatusTMR"), QVariant(box->isChecked()));
    EXPECT_EQ(LoginItems::isLoginItem(), box->isChecked());
    box->click();
    EXPECT_EQ(stored("LoginStartStatusTMR"), QVariant(box->isChecked()));
    EXPECT_EQ(LoginItems::isLoginItem(), box->isChecked());
    LoginItems::removeLoginItem();
}

TEST_F(GeneralPaneTest, AutomaticUpdatesShowOnlyZeroOrOneAndAClickStoresAnInteger)
{
    struct Case
    {
        const char *name;
        QVariant stored;
        bool startChecked;
        bool expected;
    };
    const Case cases[] = {
        {"1", 1, false, true},
        {"0", 0, true, false},
        {"2 leaves the box", 2, true, true},
        {"2 leaves the box off", 2, false, false},
        {"a bool leaves the box", true, false, false},
        {"absent leaves the box", QVariant(), true, true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        resetScreens();
        remove("AutoCheckForUpdateTMR");
        if (c.stored.isValid())
            store("AutoCheckForUpdateTMR", c.stored);
        tabs()->generalPane()->btnAutoUpdate->setChecked(c.startChecked);
        const QString before = settingsFile();
        showTab(0);
        EXPECT_EQ(tabs()->generalPane()->btnAutoUpdate->isChecked(), c.expected);
        EXPECT_EQ(settingsFile(), before);
        window()->close();
    }

    showTab(0);
    QCheckBox *box = tabs()->generalPane()->btnAutoUpdate;
    box->setChecked(false);
    box->click();
    EXPECT_EQ(UserDefaults::standard().integerValue("AutoCheckForUpdateTMR"), 1);
    box->click();
    EXPECT_EQ(UserDefaults::standard().integerValue("AutoCheckForUpdateTMR"), 0);
}

namespace {

class NoUpdates : public Updater
{
public:
    void setAutomaticallyChecksForUpdates(bool) override {}
    void setAutomaticallyDownloadsUpdates(bool) override {}
    void setDelegate(QObject *) override {}
    void checkForUpdatesInBackground() override {}
};

} // namespace

// Packages bring the updates here: the setting shows only when there is an
// updater, and then, until a choice is stored, as the automatic installation
// that start-up falls back on. Showing it never writes it.
TEST_F(GeneralPaneTest, TheUpdateSettingShowsOnlyWithAnUpdaterAndStartsAsStartUpActs)
{
    const auto restore = qScopeGuard([] { Updater::setFactory({}); });
    struct Case
    {
        const char *name;
        bool updater;
        QVariant stored;
        bool shown;
        bool checked;
    };
    const Case cases[] = {
        {"no updater", false, QVariant(), false, true},
        {"no updater, 0 stored", false, 0, false, false},
        {"updater, fresh settings", true, QVariant(), true, true},
        {"updater, 0 stored", true, 0, true, false},
        {"updater, 1 stored", true, 1, true, true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        Updater::setFactory(c.updater ? Updater::Factory([] { return std::unique_ptr<Updater>(new NoUpdates); })
                                      : Updater::Factory());
        resetScreens();
        remove("AutoCheckForUpdateTMR");
        if (c.stored.isValid())
            store("AutoCheckForUpdateTMR", c.stored);
        const QString before = settingsFile();
        showTab(0);
        EXPECT_EQ(pane()->btnAutoUpdate->isVisible(), c.shown);
        EXPECT_EQ(pane()->lblUpdateSetting->isVisible(), c.shown);
        EXPECT_EQ(pane()->btnAutoUpdate->isChecked(), c.checked);
        EXPECT_EQ(settingsFile(), before);
        window()->close();
    }
}

TEST_F(GeneralPaneTest, TheOneLanguageIsOfferedAndChoosingItChangesNothing)
{
    showTab(0);
    QComboBox *languages = tabs()->generalPane()->comboBoxLanguage;
    ASSERT_EQ(languages->count(), 1);
    EXPECT_EQ(languages->itemText(0), QStringLiteral("English"));
    const QString before = settingsFile();
    emit languages->activated(0);
    EXPECT_EQ(settingsFile(), before);
}
