#include "AppTestSupport.h"

#include <FileFacts.h>
#include <LaunchOnStartup.h>
#include <LaunchRules.h>
#include <Localization.h>
#include <LoginItems.h>
#include <ProcessState.h>
#include <ScreenRegistry.h>
#include <UserDefaults.h>

#include <QApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>

namespace {

using Action = AppDelegate::UpdateAction;

QString runningVersion()
{
    return appVersionString().value_or(QString());
}

QVariant stored(const char *key)
{
    return UserDefaults::standard().object(QLatin1String(key));
}

class StartupTest : public AppFixture
{
protected:
    const QString running = runningVersion();
};

TEST_F(StartupTest, LaunchFollowsTheStoredSettings)
{
    using Events = QList<std::pair<QString, QString>>;
    const QVariantMap later{{kStartupKey, true}, {kFirstRunKey, false}, {kLastVersionKey, running}};
    auto with = [](QVariantMap map, const QVariantMap &more) {
        for (auto it = more.cbegin(); it != more.cend(); ++it)
            map.insert(it.key(), it.value());
        return map;
    };

    struct Case
    {
        const char *what;
        QVariantMap settings;
        bool updater;
        bool loginItemBefore;
        Events events;
        bool homeShown;
        Action action;
        QVariant autoCheckAfter;
        bool loginItemAfter;
    };
    const Case cases[] = {
        {"first launch", {}, true, false, {{"install", "install"}}, true, Action::None, QVariant(), false},
        {"first launch, other type", {{kFirstRunKey, QStringLiteral("no")}}, true, false, {{"install", "install"}}, true,
         Action::None, QVariant(), false},
        {"later, automatic installs", later, true, false, {}, true, Action::AutoInstallUpdates, qint64(1), false},
        {"later, check only", with(later, {{kAutoCheckForUpdateKey, qint64(0)}}), true, false, {}, true,
         Action::CheckForUpdate, qint64(0), false},
        {"later, unknown setting 7", with(later, {{kAutoCheckForUpdateKey, qint64(7)}}), true, false, {}, true,
         Action::None, qint64(7), false},
        {"later, setting of another type", with(later, {{kAutoCheckForUpdateKey, QStringLiteral("0")}}), true, false, {},
         true, Action::AutoInstallUpdates, qint64(1), false},
        {"later, no updater", later, false, false, {}, true, Action::None, qint64(1), false},
        {"first run stored false still done", with(later, {{kStartupKey, false}}), true, false, {}, true,
         Action::AutoInstallUpdates, qint64(1), false},
        {"login wanted", with(later, {{kLoginStartStatusKey, true}}), false, false, {}, true, Action::None, qint64(1), true},
        {"login wanted, entry of another copy", with(later, {{kLoginStartStatusKey, true}}), false, true, {}, true,
         Action::None, qint64(1), true},
        {"login not wanted", with(later, {{kLoginStartStatusKey, false}}), false, true, {}, true, Action::None, qint64(1),
         false},
        {"login setting absent", later, false, true, {}, true, Action::None, qint64(1), false},
        {"login setting of another type", with(later, {{kLoginStartStatusKey, QStringLiteral("yes")}}), false, true, {},
         true, Action::None, qint64(1), false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        TearDown();
        SetUp();
        events.clear();
        seed(c.settings);
        if (c.updater)
            withUpdater();
        if (c.loginItemBefore) {
            ASSERT_TRUE(LoginItems::addLoginItem(QStringLiteral("/usr/bin/twinmoor")));
        }

        launch();

        EXPECT_EQ(events, c.events);
        EXPECT_EQ(stored(kFirstRunKey), QVariant(false));
        EXPECT_EQ(stored(kLastVersionKey), QVariant(running));
        QWidget *home = ScreenRegistry::instance().peek<QWidget>(QLatin1String(ScreenId::HomeWindow));
        EXPECT_EQ(home && home->isVisible(), c.homeShown);
        EXPECT_EQ(delegate->scheduledUpdateAction(), c.action);
        EXPECT_EQ(delegate->updateTimer()->isActive(), c.action != Action::None);
        EXPECT_EQ(delegate->updateTimer()->interval(), 5000);
        EXPECT_EQ(stored(kAutoCheckForUpdateKey), c.autoCheckAfter);
        EXPECT_EQ(LoginItems::isLoginItem(), c.loginItemAfter);
        if (c.loginItemAfter) {
            EXPECT_TRUE(LoginItems::loginItemStarts(LaunchOnStartup::executablePath()));
        }
        EXPECT_EQ(stored(kDisablePieChartAnimationKey), QVariant(false));
        EXPECT_EQ(stored(kConfirmBeforeDeletingPhotosKey), QVariant(true));
        // An updater starts with its automatic work off.
        if (c.updater) {
            ASSERT_TRUE(updater);
            EXPECT_EQ(updater->calls.mid(0, 2), QStringList({QStringLiteral("checks 0"), QStringLiteral("downloads 0")}));
        }
    }
}

TEST_F(StartupTest, TheProgramGoesByItsOwnNameBeforeAnyWindowShows)
{
    QString nameWhenShown;
    ScreenRegistry::instance().registerFactory(QLatin1String(ScreenId::HomeWindow), [&nameWhenShown]() -> QObject * {
        nameWhenShown = QGuiApplication::applicationDisplayName();
        return new QWidget;
    });
    launchAfterFirstRun();
    // Title bars and task lists add the display name to a window's title.
    EXPECT_EQ(nameWhenShown, QStringLiteral("Twinmoor"));
    EXPECT_EQ(QGuiApplication::applicationDisplayName(), localizedString(QStringLiteral("IDS_TMR_1")));
}

TEST_F(StartupTest, VersionChangeIsRecordedOnlyWhenTheVersionGrew)
{
    ASSERT_EQ(running, QStringLiteral("1.0.0"));
    struct Case
    {
        QVariant lastVersion;
        QVariant storedAfter;
        bool event;
    };
    const Case cases[] = {
        {QStringLiteral("0.9"), running, true},
        {QStringLiteral("0.10.0"), running, true},
        {QStringLiteral("1.0"), QStringLiteral("1.0"), false},
        {QStringLiteral("1.0.0"), running, false},
        {QStringLiteral("1.10"), QStringLiteral("1.10"), false},
        {QStringLiteral("0.9b"), QStringLiteral("0.9b"), false},
        {QStringLiteral(" 0.9"), QStringLiteral(" 0.9"), false},
        {qint64(0), qint64(0), false},
        {QVariant(), QVariant(), false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.lastVersion.toString().toStdString());
        TearDown();
        SetUp();
        events.clear();
        seed({{kStartupKey, true}, {kFirstRunKey, false}});
        if (c.lastVersion.isValid())
            seed({{kLastVersionKey, c.lastVersion}});
        launch();
        EXPECT_EQ(stored(kLastVersionKey), c.storedAfter);
        using Events = QList<std::pair<QString, QString>>;
        const Events expected = c.event ? Events{{QStringLiteral("tmrupdated"), running}} : Events{};
        EXPECT_EQ(events, expected);
    }
}

TEST(LaunchRulesTest, VersionsCompareNumberByNumber)
{
    struct Case
    {
        const char *running;
        const char *stored;
        bool newer;
    };
    const Case cases[] = {
        {"1.10", "1.9", true},     {"1.9", "1.10", false},  {"2.1", "2.0", true},   {"2.1", "2.0.1", true},
        {"2.0", "2.0.0", false},   {"2.0.1", "2.0", true},  {"10", "9.9.9", true},  {"1.0", "1.0", false},
        {"1.0b", "0.9", false},    {"1.0", "", false},      {"1..0", "0.9", false}, {"1.0.", "0.9", false},
        {"+1.0", "0.9", false},    {"1.0 ", "0.9", false},
    };
    for (const Case &c : cases)
        EXPECT_EQ(LaunchRules::isNewerVersion(QLatin1String(c.running), QLatin1String(c.stored)), c.newer)
            << c.running << " against " << c.stored;
}

TEST_F(StartupTest, FirstRunWindowIsCentredOnItsOwnScreen)
{
    const QList<QScreen *> screens = QGuiApplication::screens();
    ASSERT_GE(screens.size(), 2);
    QScreen *right = screens.at(1);
    ASSERT_NE(right->geometry().topLeft(), QPoint(0, 0));

    QPointer<QWidget> firstRun;
    ScreenRegistry::instance().registerFactory(QLatin1String(ScreenId::StartupWindow), [&firstRun, right] {
        auto *window = new QWidget;
        window->setFixedSize(600, 400);
        window->setScreen(right);
        firstRun = window;
        return window;
    });
    launch();

    ASSERT_TRUE(firstRun);
    EXPECT_TRUE(firstRun->isVisible());
    const QRect area = right->geometry();
    EXPECT_EQ(firstRun->pos(), QPoint(area.x() + (area.width() - 600) / 2, area.y() + (area.height() - 400) / 2));
    QWidget *home = ScreenRegistry::instance().peek<QWidget>(QLatin1String(ScreenId::HomeWindow));
    EXPECT_FALSE(home && home->isVisible());

    // Get Started reaches the delegate by name and brings the home window.
    QObject *named = qApp->findChild<QObject *>(QStringLiteral("AppDelegate"));
    ASSERT_EQ(named, delegate.get());
    EXPECT_TRUE(QMetaObject::invokeMethod(named, "showHomeWindowAfterStartup"));
    home = ScreenRegistry::instance().peek<QWidget>(QLatin1String(ScreenId::HomeWindow));
    ASSERT_TRUE(home);
    EXPECT_TRUE(home->isVisible());
}

TEST_F(StartupTest, UpdateActionsDriveTheUpdaterAndOnlyAutomaticInstallsRelaunch)
{
    withUpdater();
    seed({{kStartupKey, true}, {kFirstRunKey, false}, {kLastVersionKey, running}, {kAutoCheckForUpdateKey, qint64(0)}});
    launch();
    ASSERT_TRUE(updater);
    updater->calls.clear();
    delegate->checkForUpdate();
    EXPECT_EQ(updater->calls, QStringList({QStringLiteral("checks 1"), QStringLiteral("check")}));
    emit updater->didDownloadUpdate(QStringLiteral("1.1"));
    EXPECT_FALSE(delegate->relaunchTimer()->isActive());

    updater->calls.clear();
    delegate->autoInstallUpdates();
    EXPECT_EQ(updater->calls, QStringList({QStringLiteral("delegate"), QStringLiteral("checks 1"),
                                           QStringLiteral("downloads 1"), QStringLiteral("check")}));
    EXPECT_EQ(updater->delegate, delegate.get());
    emit updater->didDownloadUpdate(QStringLiteral("1.1"));
    EXPECT_TRUE(delegate->relaunchTimer()->isActive());
    EXPECT_EQ(delegate->relaunchTimer()->interval(), 5000);
}

} // namespace
