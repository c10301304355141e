#include "LoopbackHttpServer.h"
#include "OutwardFixture.h"

#include <AboutVC.h>
#include <CustomAnimator.h>
#include <EmbeddedImages.h>
#include <HyperlinkTextField.h>
#include <Localization.h>
#include <NotificationCenter.h>
#include <OutwardScreens.h>
#include <ProcessState.h>
#include <ScreenRegistry.h>

#include <QAccessible>
#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <memory>

namespace {

// A screen with a background picture and the dimming box that overlays show.
class ScreenStandIn : public QWidget
{
public:
    explicit ScreenStandIn(const QString &background, const char *dimmingName = "boxTopLayer")
    {
        resize(1008, 702);
        auto *picture = new QLabel(this);
        picture->setPixmap(QPixmap::fromImage(EmbeddedImages::decodeImage(background).value_or(QImage())));
        picture->setGeometry(rect());
        dimming = new QWidget(this);
        dimming->setObjectName(QLatin1String(dimmingName));
        dimming->setAttribute(Qt::WA_StyledBackground);
        dimming->setStyleSheet(QStringLiteral("background: rgba(0, 0, 0, 110);"));
        dimming->setGeometry(rect());
        dimming->hide();
    }
    QWidget *dimming;
};

class ResultsStandIn : public ScreenStandIn
{
public:
    ResultsStandIn()
        : ScreenStandIn(EmbeddedImages::homeBackgroundImage(), "topLayerParent")
    {
    }
};

// The results window's controller, which draws its own close button.
class ResultsWindowStandIn : public QObject
{
    Q_OBJECT

public:
    Q_INVOKABLE void setCloseButtonEnabled(bool enabled)
    {
        closeEnabled = enabled;
        ++changes;
    }
    bool closeEnabled = true;
    int changes = 0;
};

class AboutOverlayTest : public OutwardFixture
{
protected:
    void SetUp() override
    {
        OutwardFixture::SetUp();
        customAnimator.emplace(0.05, QRectF(0, 0, 1008, 702));
        m_token = NotificationCenter::defaultCenter().addObserver(QLatin1String(kHideTopLayerHomeNotification),
                                                                  [this](const Notification &) { ++hideNotices; });
    }
    void TearDown() override
    {
        NotificationCenter::defaultCenter().removeObserver(m_token);
        customAnimator.reset();
        OutwardFixture::TearDown();
    }

    // Presents the overlay over the screen the way the screens do, and waits
    // until it lies over the whole screen.
    void present(AboutVC *about, ScreenStandIn *screen)
    {
        screen->dimming->show();
        customAnimator->animatePresentationOfViewController(about, screen);
        ASSERT_TRUE(waitUntil([&] { return about->geometry() == screen->rect() && !about->graphicsEffect(); }));
    }
    static void waitUntilGone(AboutVC *about)
    {
        // A dismissed overlay is hidden; the screen it was shown over keeps it.
        ASSERT_TRUE(waitUntil([about] { return about->isHidden() && about->parentWidget() != nullptr; }));
    }

    int hideNotices = 0;

private:
    NotificationCenter::Token m_token = 0;
};

} // namespace

TEST_F(AboutOverlayTest, ShowsTheProgramsTextsAndVersion)
{
    useServiceConfiguration(QString(), QString());
    AboutVC about;
    const QList<QPair<const char *, const char *>> texts{
            {"lblTitle", "IDS_TMR_1"},       {"lblLKSHelpsYouFind", "IDS_TMR_188"},
            {"lblCopyright", "IDS_TMR_189"}, {"lblAllRightsReserved", "IDS_TMR_190"},
            {"lblUnInstallInstructions", "IDS_TMR_191"}, {"lblEULA", "IDS_TMR_192"},
            {"lblPrivacyPolicy", "IDS_TMR_193"}, {"lblWarningThisComputerProgramIsProtected", "IDS_TMR_194"},
    };
    for (const auto &[name, key] : texts) {
        auto *label = about.findChild<QLabel *>(QLatin1String(name));
        ASSERT_NE(label, nullptr) << name;
        EXPECT_EQ(label->text(), localizedString(QLatin1String(key))) << name;
        EXPECT_FALSE(label->text().isEmpty()) << name;
    }
    EXPECT_EQ(about.findChild<QLabel *>(QStringLiteral("lblVersion"))->text(), QStringLiteral("3.2.1"));
    EXPECT_FALSE(about.findChild<QLabel *>(QStringLiteral("imgView"))->pixmap().isNull());
}

TEST_F(AboutOverlayTest, EachLinkOpensItsPageOncePerClick)
{
    AboutVC about;
    about.resize(1008, 702);
    about.show();
    const QList<QPair<const char *, QString>> links{
            {"lblUnInstallInstructions", "/uninstallinstructions.html"},
            {"lblEULA", "/eula.html"},
            {"lblPrivacyPolicy", "/privacypolicy.html"},
    };
    for (const auto &[name, path] : links) {
        auto *link = about.findChild<HyperlinkTextField *>(QLatin1String(name));
        ASSERT_NE(link, nullptr) << name;
        for (int clicks = 1; clicks <= 2; ++clicks) {
            openedPages.clear();
            for (int i = 0; i < clicks; ++i)
                QTest::mouseClick(link, Qt::LeftButton, {}, link->rect().center());
            ASSERT_EQ(openedPages.size(), clicks) << name;
            for (const QUrl &page : std::as_const(openedPages))
                EXPECT_EQ(page.path(), path) << name;
        }
    }
    EXPECT_TRUE(about.isVisible());
}

TEST_F(AboutOverlayTest, ClosingOverTheHomeScreenHidesTheDimmingOfScreensThatExistOnly)
{
    int resultsMade = 0;
    ScreenRegistry &registry = ScreenRegistry::instance();
    registry.registerFactory(QStringLiteral("Dashboard"), [&resultsMade]() -> QObject * {
        ++resultsMade;
        return new ResultsStandIn;
    });
    auto *home = new ScreenStandIn(EmbeddedImages::homeBackgroundImage());
    registry.put(QStringLiteral("Home"), home);
    home->show();
    registerOutwardScreens();
    auto *about = registry.get<AboutVC>(QStringLiteral("About"));
    ASSERT_NE(about, nullptr);

    present(about, home);
    EXPECT_TRUE(isOverlayDialogShown);
    EXPECT_FALSE(about->isDashboardVC());
    saveRender(home, QStringLiteral("about_over_home"));

    about->findChild<QPushButton *>(QStringLiteral("btnClose"))->click();
    EXPECT_FALSE(home->dimming->isVisible());
    EXPECT_EQ(hideNotices, 1);
    EXPECT_FALSE(isOverlayDialogShown);
    EXPECT_EQ(registry.peekObject(QStringLiteral("Dashboard")), nullptr);
    EXPECT_EQ(resultsMade, 0);
    waitUntilGone(about);
    EXPECT_EQ(hideNotices, 1);
}

TEST_F(AboutOverlayTest, OverTheScanScreenItsDimmingGoesToo)
{
    ScreenRegistry &registry = ScreenRegistry::instance();
    auto *scan = new ScreenStandIn(EmbeddedImages::scanBackgroundImage());
    registry.put(QStringLiteral("Scan"), scan);
    scan->show();
    AboutVC about;
    present(&about, scan);
    saveRender(scan, QStringLiteral("about_over_scan"));
    about.tappedClose();
    EXPECT_FALSE(scan->dimming->isVisible());
    waitUntilGone(&about);
}

TEST_F(AboutOverlayTest, OverTheResultsItsCloseButtonIsOffUntilTheOverlayHasGone)
{
    ScreenRegistry &registry = ScreenRegistry::instance();
    auto *results = new ResultsStandIn;
    registry.put(QStringLiteral("Dashboard"), results);
    results->show();
    auto *resultsWindow = new ResultsWindowStandIn;
    registry.put(QStringLiteral("DashboardWindow"), resultsWindow);
    AboutVC about;

    // Over the home window the results window is left alone.
    auto *home = new ScreenStandIn(EmbeddedImages::homeBackgroundImage());
    registry.put(QStringLiteral("Home"), home);
    home->show();
    present(&about, home);
    about.tappedClose();
    waitUntilGone(&about);
    EXPECT_EQ(resultsWindow->changes, 0);

    about.setIsDashboardVC(true);
    present(&about, results);
    EXPECT_FALSE(resultsWindow->closeEnabled);

    // Minimising and restoring the results window is no new showing or closing.
    isDashboardMiniaturized = true;
    about.hide();
    about.show();
    EXPECT_FALSE(resultsWindow->closeEnabled);
    EXPECT_TRUE(about.isDashboardVC());
    isDashboardMiniaturized = false;

    about.tappedClose();
    EXPECT_FALSE(results->dimming->isVisible());
    waitUntilGone(&about);
    EXPECT_TRUE(resultsWindow->closeEnabled);
    EXPECT_FALSE(about.isDashboardVC());
    EXPECT_EQ(resultsWindow->changes, 2);
}

TEST_F(AboutOverlayTest, TheOverlayTakesTheKeyboardKeepsTabAndGivesItBackWhenItCloses)
{
    ScreenRegistry &registry = ScreenRegistry::instance();
    auto *home = new ScreenStandIn(EmbeddedImages::homeBackgroundImage());
    registry.put(QStringLiteral("Home"), home);
    // A control of the screen, covered by the overlay.
    auto *covered = new QPushButton(QStringLiteral("Scan"), home);
    covered->setGeometry(20, 20, 120, 30);
    home->show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(home));
    covered->setFocus();
    int coveredPresses = 0;
    QObject::connect(covered, &QPushButton::clicked, [&coveredPresses] { ++coveredPresses; });

    AboutVC about;
    auto *close = about.findChild<QPushButton *>(QStringLiteral("btnClose"));
    struct Case
    {
        const char *what;
        Qt::Key key;
        bool tabFirst; // walk the overlay with Tab first, back to the close button
    };
    const Case cases[] = {
        {"Escape", Qt::Key_Escape, false},
        {"Return on the close button", Qt::Key_Return, true},
        {"Space on the close button", Qt::Key_Space, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        present(&about, home);
        EXPECT_EQ(QApplication::focusWidget(), close);
        if (c.tabFirst) {
            QList<QWidget *> reached;
            for (int i = 0; i < 8; ++i) {
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
                reached.append(QApplication::focusWidget());
            }
            for (QWidget *widget : std::as_const(reached))
                EXPECT_TRUE(about.isAncestorOf(widget)) << (widget ? qPrintable(widget->objectName()) : "nothing");
            for (const char *link : {"lblUnInstallInstructions", "lblEULA", "lblPrivacyPolicy"})
                EXPECT_TRUE(reached.contains(about.findChild<QWidget *>(QLatin1String(link)))) << link;
            while (QApplication::focusWidget() != close)
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        }
        QTest::keyClick(QApplication::focusWidget(), c.key);
        EXPECT_FALSE(isOverlayDialogShown);
        EXPECT_FALSE(home->dimming->isVisible());
        EXPECT_EQ(QApplication::focusWidget(), covered);
        waitUntilGone(&about);
        EXPECT_EQ(coveredPresses, 0);
    }
    EXPECT_EQ(hideNotices, 3);
}

TEST_F(AboutOverlayTest, LinksAreUnderlinedLinksThatTheKeyboardAndAssistiveToolsPress)
{
    AboutVC about;
    about.resize(1008, 702);
    about.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&about));
    const QList<QPair<const char *, QString>> links{
            {"lblUnInstallInstructions", "/uninstallinstructions.html"},
            {"lblEULA", "/eula.html"},
            {"lblPrivacyPolicy", "/privacypolicy.html"},
    };
    for (const auto &[name, path] : links) {
        SCOPED_TRACE(name);
        auto *link = about.findChild<HyperlinkTextField *>(QLatin1String(name));
        ASSERT_NE(link, nullptr);
        EXPECT_TRUE(link->font().underline());

        QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(link);
        ASSERT_NE(accessible, nullptr);
        EXPECT_EQ(accessible->role(), QAccessible::Link);
        EXPECT_EQ(accessible->text(QAccessible::Name), link->text());
        QAccessibleActionInterface *actions = accessible->actionInterface();
        ASSERT_NE(actions, nullptr);
        ASSERT_TRUE(actions->actionNames().contains(QAccessibleActionInterface::pressAction()));
        openedPages.clear();
        actions->doAction(QAccessibleActionInterface::pressAction());
        ASSERT_EQ(openedPages.size(), 1);
        EXPECT_EQ(openedPages.first().path(), path);

        for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Space}) {
            openedPages.clear();
            link->setFocus();
            QTest::keyClick(link, key);
            ASSERT_EQ(openedPages.size(), 1) << key;
            EXPECT_EQ(openedPages.first().path(), path);
        }
    }
    // Each shows when it has the keyboard, as the close button does.
    for (const auto &[name, path] : links)
        EXPECT_TRUE(drawsFocus(about.findChild<QWidget *>(QLatin1String(name)))) << name;
    EXPECT_TRUE(drawsFocus(about.findChild<QPushButton *>(QStringLiteral("btnClose"))));
    QAccessibleInterface *close = QAccessible::queryAccessibleInterface(about.findChild<QPushButton *>(QStringLiteral("btnClose")));
    EXPECT_EQ(close->text(QAccessible::Name), localizedString(QStringLiteral("IDS_TMR_1502")));
    EXPECT_EQ(close->role(), QAccessible::Button);
    saveRender(&about, QStringLiteral("about_links"));
}

#include "AboutOverlayTest.moc"
