#include "LoopbackHttpServer.h"
#include "OutwardFixture.h"

#include <FocusRing.h>
#include <LoginItems.h>
#include <Localization.h>
#include <ProcessState.h>
#include <ScreenRegistry.h>
#include <SiblingApps.h>
#include <StartupVC.h>
#include <UserDefaults.h>
#include <OutwardScreens.h>

#include <QApplication>
#include <QCheckBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>

#include <memory>

namespace {

// Stands in for the application delegate that shows the home window.
class DelegateStandIn : public QObject
{
    Q_OBJECT

public:
    DelegateStandIn()
        : QObject(QCoreApplication::instance())
    {
        setObjectName(QStringLiteral("AppDelegate"));
    }
    Q_INVOKABLE void showHomeWindowAfterStartup() { ++calls; }
    int calls = 0;
};

template<class T> T *child(QWidget *screen, const char *name)
{
    T *found = screen->findChild<T *>(QLatin1String(name));
    EXPECT_NE(found, nullptr) << name;
    return found;
}

QMessageBox *openAlert(QWidget *window)
{
    for (QMessageBox *alert : window->findChildren<QMessageBox *>()) {
        if (alert->isVisible())
            return alert;
    }
    return nullptr;
}

// Presses the alert's only button and waits until it is gone.
void pressOk(QWidget *window)
{
    QMessageBox *alert = openAlert(window);
    ASSERT_NE(alert, nullptr);
    ASSERT_EQ(alert->buttons().size(), 1);
    EXPECT_EQ(alert->buttons().first()->text(), localizedString(QStringLiteral("IDS_TMR_64")));
    alert->buttons().first()->click();
    ASSERT_TRUE(waitUntil([window] { return openAlert(window) == nullptr; }));
}

class StartupWindowTest : public OutwardFixture
{
protected:
    std::unique_ptr<StartupWindow> makeWindow()
    {
        auto window = std::make_unique<StartupWindow>();
        window->show();
        return window;
    }
};

} // namespace

TEST_F(StartupWindowTest, RecommendsTheFirstSiblingThatIsNotInstalled)
{
    using namespace SiblingApps;
    struct Case
    {
        QSet<int> installed;
        int recommended;
        const char *name;
        const char *subtitle;
    };
    const QList<Case> cases{
            {{}, careSuite, "IDS_TMR_135", "IDS_TMR_136"},
            {{careSuite}, larkspire, "IDS_TMR_148", "IDS_TMR_149"},
            {{careSuite, larkspire}, morrowgate, "IDS_TMR_137", "IDS_TMR_138"},
            {{larkspire, morrowgate}, careSuite, "IDS_TMR_135", "IDS_TMR_136"},
    };
    for (const Case &c : cases) {
        setInstalled(c.installed);
        auto window = makeWindow();
        StartupVC *content = window->content();
        EXPECT_EQ(content->isRecommended(), c.recommended);
        EXPECT_EQ(child<QLabel>(content, "lblRecommendedAppName")->text(), localizedString(QLatin1String(c.name)));
        EXPECT_EQ(child<QLabel>(content, "lblRecommendedAppSubTitle")->text(),
                  localizedString(QLatin1String(c.subtitle)));
        EXPECT_FALSE(child<QLabel>(content, "imgViewRecommendedApp")->pixmap().isNull());
        EXPECT_TRUE(child<QFrame>(content, "boxRecommendedApp")->isVisible());
        EXPECT_FALSE(child<QFrame>(content, "boxNonRecommendedApp")->isVisible());
        EXPECT_TRUE(child<QLabel>(content, "lblThankYouForDownloading")->isVisible());

        openedPages.clear();
        child<QPushButton>(content, "btnAppstore")->click();
        ASSERT_EQ(openedPages.size(), 1);
        EXPECT_EQ(openedPages.first(), *campaignPage(c.recommended));
        if (c.recommended == 1)
            saveRender(window.get(), QStringLiteral("startup_window_recommendation"));
    }
}

TEST_F(StartupWindowTest, WithEverySiblingInstalledShowsFourCheckedPoints)
{
    setInstalled({1, 2, 3});
    auto window = makeWindow();
    StartupVC *content = window->content();
    EXPECT_EQ(content->isRecommended(), 0);
    EXPECT_FALSE(child<QFrame>(content, "boxRecommendedApp")->isVisible());
    EXPECT_TRUE(child<QFrame>(content, "boxNonRecommendedApp")->isVisible());
    EXPECT_FALSE(child<QLabel>(content, "lblThankYouForDownloading")->isVisible());
    const char *points[] = {"IDS_TMR_131", "IDS_TMR_132", "IDS_TMR_133", "IDS_TMR_134"};
    for (int i = 0; i < 4; ++i) {
        const QByteArray check = "imgViewNonRecomm" + QByteArray::number(i + 1);
        const QByteArray point = "lblNonRecomm" + QByteArray::number(i + 1);
        EXPECT_FALSE(child<QLabel>(content, check.constData())->pixmap().isNull());
        EXPECT_EQ(child<QLabel>(content, point.constData())->text(), localizedString(QLatin1String(points[i])));
        EXPECT_FALSE(child<QLabel>(content, point.constData())->text().isEmpty());
    }
    content->btnAppStore();
    EXPECT_TRUE(openedPages.isEmpty());
    saveRender(window.get(), QStringLiteral("startup_window_all_installed"));
}

TEST_F(StartupWindowTest, TextsAndPointerOverTheButtons)
{
    auto window = makeWindow();
    StartupVC *content = window->content();
    const QList<QPair<const char *, const char *>> labels{
            {"lblTitle", "IDS_TMR_1"},           {"lblSubTitle", "IDS_TMR_126"},
            {"lblThankYouForDownloading", "IDS_TMR_127"}, {"lblRecommendedFreeApp", "IDS_TMR_128"},
            {"lblJoinToOurFreeNewsletter", "IDS_TMR_129"}, {"lblStartLKSOnStartup", "IDS_TMR_130"},
    };
    for (const auto &[name, key] : labels) {
        EXPECT_EQ(child<QLabel>(content, name)->text(), localizedString(QLatin1String(key))) << name;
        EXPECT_FALSE(child<QLabel>(content, name)->text().isEmpty()) << name;
    }
    const QList<QPair<const char *, const char *>> buttons{
            {"btnGetstarted", "IDS_TMR_124"}, {"btnSubscribe", "IDS_TMR_125"}, {"btnAppstore", "IDS_TMR_263"}};
    for (const auto &[name, key] : buttons) {
        auto *button = child<QPushButton>(content, name);
        EXPECT_EQ(button->text(), localizedString(QLatin1String(key))) << name;
        EXPECT_EQ(button->cursor().shape(), Qt::PointingHandCursor) << name;
    }
}

TEST_F(StartupWindowTest, GetStartedStoresTheFirstRunAndHandsOverToTheHomeWindow)
{
    DelegateStandIn delegate;
    auto window = makeWindow();
    ASSERT_TRUE(window->isVisible());
    child<QPushButton>(window->content(), "btnGetstarted")->click();
    EXPECT_EQ(delegate.calls, 1);
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(UserDefaults::standard().boolValue(QStringLiteral("StartupTMR")), true);
}

TEST_F(StartupWindowTest, LaunchAtLoginIsOnOnceTheWindowIsBuiltAndTheBoxSwitchesIt)
{
    UserDefaults::standard().setObject(QLatin1String(kLoginStartStatusKey), false);
    auto window = makeWindow();
    auto *box = child<QCheckBox>(window->content(), "btncheckbox");
    EXPECT_TRUE(box->isChecked());
    EXPECT_TRUE(LoginItems::isLoginItem());
    EXPECT_EQ(UserDefaults::standard().boolValue(QLatin1String(kLoginStartStatusKey)), true);

    box->click();
    EXPECT_FALSE(box->isChecked());
    EXPECT_FALSE(LoginItems::isLoginItem());
    EXPECT_EQ(UserDefaults::standard().boolValue(QLatin1String(kLoginStartStatusKey)), false);

    box->click();
    EXPECT_TRUE(box->isChecked());
    EXPECT_TRUE(LoginItems::isLoginItem());
    EXPECT_EQ(UserDefaults::standard().boolValue(QLatin1String(kLoginStartStatusKey)), true);
}

TEST_F(StartupWindowTest, RegistryMakesOneWindowWhoseContentIsTheStartupScreen)
{
    registerOutwardScreens();
    ScreenRegistry &registry = ScreenRegistry::instance();
    auto *window = registry.get<StartupWindow>(QStringLiteral("StartupWindow"));
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isWindow());
    EXPECT_EQ(registry.get<StartupVC>(QStringLiteral("Startup")), window->content());
    // Made with the window, so start-up's login step already finds the setting.
    EXPECT_EQ(UserDefaults::standard().boolValue(QLatin1String(kLoginStartStatusKey)), true);
}

TEST_F(StartupWindowTest, AddressesAreCheckedBeforeAnythingIsSent)
{
    LoopbackHttpServer server;
    useServiceConfiguration(QString(), QString(), server.baseAddress(), QStringLiteral("k?>~k?>~k?"));
    auto window = makeWindow();
    StartupVC *content = window->content();
    auto *field = child<QLineEdit>(content, "txtfield");
    struct Case
    {
        QString address;
        const char *alertTitle;
    };
    const QList<Case> refused{
            {"", "IDS_TMR_139"},
            {" a@b.cc", "IDS_TMR_141"},
            {"a@b.cc ", "IDS_TMR_141"},
            {"a@b.c", "IDS_TMR_141"},
            {"a@bcc", "IDS_TMR_141"},
            {"a b@c.cc", "IDS_TMR_141"},
    };
    for (const Case &c : refused) {
        field->setText(c.address);
        child<QPushButton>(content, "btnSubscribe")->click();
        QMessageBox *alert = openAlert(window.get());
        ASSERT_NE(alert, nullptr) << qPrintable(c.address);
        EXPECT_EQ(alert->text(), localizedString(QLatin1String(c.alertTitle))) << qPrintable(c.address);
        EXPECT_EQ(alert->informativeText(), localizedString(QStringLiteral("IDS_TMR_140")));
        EXPECT_EQ(alert->windowModality(), Qt::WindowModal);
        pressOk(window.get());
        EXPECT_TRUE(field->text().isEmpty()) << qPrintable(c.address);
    }

    field->setText(QStringLiteral("a.b+c@d-e.co.uk"));
    int handled = 0;
    QObject::connect(content, &StartupVC::newsletterReplyHandled, [&handled] { ++handled; });
    child<QPushButton>(content, "btnSubscribe")->click();
    ASSERT_TRUE(waitUntil([&handled] { return handled == 1; }));
    ASSERT_EQ(server.requests().size(), 1);
    EXPECT_EQ(server.connectionCount(), 1);
    EXPECT_EQ(server.requests().first().requestLine,
              "GET /wp-content/plugins/newsletter-api/add.php/?nl=3&nk=az8+fms/Pn5rPw==&ne=YS5iK2NAZC1lLmNvLnVr&nn= "
              "HTTP/1.1");
}

TEST_F(StartupWindowTest, AnAlertTakesTheKeyboardFromTheWindowAndEscapeOrReturnAnswersIt)
{
    auto window = makeWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    StartupVC *content = window->content();
    auto *field = child<QLineEdit>(content, "txtfield");
    for (Qt::Key key : {Qt::Key_Escape, Qt::Key_Return}) {
        SCOPED_TRACE(key == Qt::Key_Escape ? "Escape" : "Return");
        field->setFocus();
        field->setText(QStringLiteral("not an address"));
        child<QPushButton>(content, "btnSubscribe")->click();
        QMessageBox *alert = openAlert(window.get());
        ASSERT_NE(alert, nullptr);
        // A sheet counts as active with its window; wait for the alert itself.
        ASSERT_TRUE(QTest::qWaitFor([alert] { return QApplication::activeWindow() == alert; }));
        QWidget *focused = QApplication::focusWidget();
        ASSERT_NE(focused, nullptr);
        EXPECT_EQ(focused->window(), alert);
        QTest::keyClick(focused, key);
        ASSERT_TRUE(waitUntil([&window] { return openAlert(window.get()) == nullptr; }));
        // The key answered the alert; the field behind got none of it.
        EXPECT_TRUE(field->text().isEmpty());
    }
}

TEST_F(StartupWindowTest, EveryButtonShowsTheKeyboardFocus)
{
    auto window = makeWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    for (const char *name : {"btnAppstore", "btnSubscribe", "btnGetstarted"})
        EXPECT_TRUE(drawsFocus(child<QPushButton>(window->content(), name))) << name;
}

// The window opens with the keyboard on Get Started, its ring showing, and
// Return goes on to the home window.
TEST_F(StartupWindowTest, TheKeyboardStartsAtGetStarted)
{
    DelegateStandIn delegate;
    auto window = makeWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    auto *getStarted = child<QPushButton>(window->content(), "btnGetstarted");
    ASSERT_EQ(QApplication::focusWidget(), getStarted);
    EXPECT_TRUE(FocusRing::isShown(getStarted));
    QTest::keyClick(getStarted, Qt::Key_Return);
    EXPECT_EQ(delegate.calls, 1);
}

TEST_F(StartupWindowTest, EachReplyGetsItsOwnAlertOrNone)
{
    LoopbackHttpServer server;
    useServiceConfiguration(QString(), QString(), server.baseAddress(), QStringLiteral("abcdefghij"));
    auto window = makeWindow();
    StartupVC *content = window->content();
    auto *field = child<QLineEdit>(content, "txtfield");
    int handled = 0;
    QObject::connect(content, &StartupVC::newsletterReplyHandled, [&handled] { ++handled; });
    struct Case
    {
        const char *what;
        int status;
        QByteArray body;
        bool drop;
        const char *title; // nullptr: no alert
        QString message;
    };
    const QString address = QStringLiteral("a%1@b.cc");
    const QList<Case> cases{
            {"0", 200, "0", false, "IDS_TMR_142", localizedString(QStringLiteral("IDS_TMR_143"))},
            {"1 with a marker in the address", 200, "1\n", false, "IDS_TMR_144",
             localizedString(QStringLiteral("IDS_TMR_145")).replace(QStringLiteral("%1"), address)},
            {"2", 200, " 2 ", false, "IDS_TMR_146", localizedString(QStringLiteral("IDS_TMR_147"))},
            {"a string", 200, "\"1\"", false, nullptr, {}},
            {"garbage", 200, "<html>ok</html>", false, nullptr, {}},
            {"another number", 200, "3", false, nullptr, {}},
            {"two values", 200, "1,1", false, nullptr, {}},
            {"an empty body", 200, "", false, nullptr, {}},
            {"a server error", 500, "1", false, nullptr, {}},
            {"a closed connection", 200, "1", true, nullptr, {}},
    };
    for (const Case &c : cases) {
        server.setReply(c.status, c.body);
        server.setDropConnections(c.drop);
        field->setText(address);
        const int before = handled;
        content->btnSubscribe();
        ASSERT_TRUE(waitUntil([&] { return handled == before + 1; })) << c.what;
        QMessageBox *alert = openAlert(window.get());
        if (!c.title) {
            EXPECT_EQ(alert, nullptr) << c.what;
            EXPECT_EQ(field->text(), address) << c.what;
            continue;
        }
        ASSERT_NE(alert, nullptr) << c.what;
        EXPECT_EQ(alert->text(), localizedString(QLatin1String(c.title))) << c.what;
        EXPECT_EQ(alert->informativeText(), c.message) << c.what;
        pressOk(window.get());
        EXPECT_TRUE(field->text().isEmpty()) << c.what;
    }
}

TEST_F(StartupWindowTest, NothingIsSentToAnUnsafeOrMissingService)
{
    LoopbackHttpServer server;
    auto window = makeWindow();
    StartupVC *content = window->content();
    const QList<QPair<QString, QString>> unusable{
            {QString(), QStringLiteral("abcdefghij")},
            {QStringLiteral("http://newsletter.example"), QStringLiteral("abcdefghij")},
            {server.baseAddress(), QString()},
    };
    for (const auto &[base, key] : unusable) {
        useServiceConfiguration(QString(), QString(), base, key);
        child<QLineEdit>(content, "txtfield")->setText(QStringLiteral("a@b.cc"));
        content->btnSubscribe();
        EXPECT_EQ(openAlert(window.get()), nullptr);
    }
    // A working configuration afterwards: its request is the only one.
    useServiceConfiguration(QString(), QString(), server.baseAddress(), QStringLiteral("abcdefghij"));
    int handled = 0;
    QObject::connect(content, &StartupVC::newsletterReplyHandled, [&handled] { ++handled; });
    content->btnSubscribe();
    ASSERT_TRUE(waitUntil([&handled] { return handled == 1; }));
    ASSERT_EQ(server.requests().size(), 1);
    EXPECT_EQ(server.connectionCount(), 1);
    EXPECT_TRUE(server.requests().first().target.contains("&ne=YUBiLmNj&"));
}

TEST(NewsletterReply, OnlyOneBareIntegerCounts)
{
    const QList<QPair<QByteArray, std::optional<int>>> cases{
            {"0", 0}, {"1", 1}, {" 2\n", 2}, {"3", 3}, {"1.0", 1}, {"1.5", std::nullopt}, {"\"1\"", std::nullopt},
            {"[1]", std::nullopt}, {"1]", std::nullopt}, {"1,2", std::nullopt}, {"", std::nullopt},
            {"true", std::nullopt}, {"{\"a\":1}", std::nullopt},
    };
    for (const auto &[body, expected] : cases)
        EXPECT_EQ(StartupVC::newsletterReplyValue(body), expected) << body.constData();
}

#include "StartupWindowTest.moc"
