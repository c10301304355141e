#include "LoopbackHttpServer.h"
#include "OutwardFixture.h"

#include <AdvertiseVC.h>
#include <Localization.h>
#include <OutwardScreens.h>
#include <ProcessState.h>
#include <ScreenRegistry.h>
#include <SiblingApps.h>
#include <UserDefaults.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>

#include <memory>

namespace {

class AdvertisePanelTest : public OutwardFixture
{
protected:
    QVariant counter() const { return UserDefaults::standard().object(QLatin1String(kCountAdvertiseKey)); }
    void setCounter(const QVariant &value)
    {
        if (value.isValid())
            UserDefaults::standard().setObject(QLatin1String(kCountAdvertiseKey), value);
        else
            UserDefaults::standard().removeObject(QLatin1String(kCountAdvertiseKey));
    }
    // The panel as the scan screen reaches it: through the screen registry.
    static AdvertiseVC *registeredPanel()
    {
        registerOutwardScreens();
        auto *panel = ScreenRegistry::instance().get<AdvertiseVC>(QStringLiteral("Advertise"));
        EXPECT_NE(panel, nullptr);
        return panel;
    }
    static QString textOf(AdvertiseVC &panel, const char *name)
    {
        auto *label = panel.findChild<QLabel *>(QLatin1String(name));
        EXPECT_NE(label, nullptr) << name;
        return label ? label->text() : QString();
    }
};

} // namespace

TEST_F(AdvertisePanelTest, CounterChoosesWhichSiblingIsTriedFirst)
{
    using namespace SiblingApps;
    struct Case
    {
        const char *what;
        QVariant stored;
        QSet<int> installed;
        int shown;
        QVariant storedAfter;
    };
    const QList<Case> cases{
            {"first showing ever", QVariant(), {}, careSuite, quint64(2)},
            {"3 with Morrowgate and the care suite installed", quint64(3), {morrowgate, careSuite}, larkspire, quint64(1)},
            {"2 with Larkspire installed", quint64(2), {larkspire}, careSuite, quint64(3)},
            {"1 with nothing installed", quint64(1), {}, careSuite, quint64(2)},
            {"2 with nothing installed", quint64(2), {}, larkspire, quint64(3)},
            {"3 with nothing installed", quint64(3), {}, morrowgate, quint64(1)},
            {"not an integer", QStringLiteral("x"), {}, careSuite, quint64(2)},
            {"a Boolean", true, {larkspire}, careSuite, quint64(2)},
            {"an integer outside the table", quint64(7), {}, 0, quint64(7)},
            {"a negative integer", qint64(-1), {}, 0, qint64(-1)},
    };
    for (const Case &c : cases) {
        setInstalled(c.installed);
        setCounter(c.stored);
        AdvertiseVC panel;
        QWidget context;
        panel.advertise(&context);
        ASSERT_TRUE(panel.isVisible()) << c.what;
        EXPECT_EQ(panel.isRecommended(), c.shown) << c.what;
        EXPECT_EQ(counter(), c.storedAfter) << c.what;
        EXPECT_EQ(textOf(panel, "lblAwesome"), localizedString(QStringLiteral("IDS_TMR_164"))) << c.what;
        auto *button = panel.findChild<QPushButton *>(QStringLiteral("btnAppStore"));
        EXPECT_EQ(button->isVisible(), c.shown != 0) << c.what;

        openedPages.clear();
        panel.clickedMacAppStore();
        if (c.shown == 0) {
            EXPECT_TRUE(openedPages.isEmpty()) << c.what;
            EXPECT_TRUE(textOf(panel, "lblReferalAppName").isEmpty()) << c.what;
        } else {
            ASSERT_EQ(openedPages.size(), 1) << c.what;
            EXPECT_EQ(openedPages.first(), *campaignPage(c.shown)) << c.what;
        }
    }
}

TEST_F(AdvertisePanelTest, EverySiblingHasItsOwnPanel)
{
    using namespace SiblingApps;
    struct Case
    {
        int sibling;
        QVariant counter;
        QSet<int> installed;
        QStringList keys; // now-try, name, tagline, four captions
        const char *render;
        QString pagePath;
    };
    const QList<Case> cases{
            {careSuite, quint64(1), {},
             {"IDS_TMR_171", "IDS_TMR_135", "IDS_TMR_136", "IDS_TMR_172", "IDS_TMR_173", "IDS_TMR_174", "IDS_TMR_175"},
             "advertise_care_suite", "/lpaff"},
            {larkspire, quint64(2), {},
             {"IDS_TMR_165", "IDS_TMR_148", "IDS_TMR_166", "IDS_TMR_167", "IDS_TMR_168", "IDS_TMR_169", "IDS_TMR_170"},
             "advertise_larkspire", "/"},
            {morrowgate, quint64(3), {},
             {"IDS_TMR_266", "IDS_TMR_137", "IDS_TMR_267", "IDS_TMR_268", "IDS_TMR_168", "IDS_TMR_169", "IDS_TMR_170"},
             "advertise_morrowgate", "/"},
    };
    for (const Case &c : cases) {
        setInstalled(c.installed);
        setCounter(c.counter);
        AdvertiseVC panel;
        QWidget context;
        panel.advertise(&context);
        ASSERT_EQ(panel.isRecommended(), c.sibling);
        const char *labels[] = {"lblNowTry", "lblReferalAppName", "lblReferalAppTagline",
                                "lblImg1",   "lblImg2",           "lblImg3",
                                "lblImg4"};
        for (int i = 0; i < 7; ++i) {
            EXPECT_EQ(textOf(panel, labels[i]), localizedString(c.keys[i])) << labels[i];
            EXPECT_FALSE(textOf(panel, labels[i]).isEmpty()) << labels[i];
        }
        for (const char *picture : {"imgViewReferalAppIcon", "imgNo1", "imgNo2", "imgNo3", "imgNo4"})
            EXPECT_FALSE(panel.findChild<QLabel *>(QLatin1String(picture))->pixmap().isNull()) << picture;
        panel.findChild<QPushButton *>(QStringLiteral("btnAppStore"))->click();
        ASSERT_EQ(openedPages.size(), 1);
        EXPECT_EQ(openedPages.takeFirst().path(), c.pagePath);
        saveRender(&panel, QLatin1String(c.render));
    }
}

TEST_F(AdvertisePanelTest, NothingIsPresentedWhenAllAreInstalledOrTheScreenIsGone)
{
    setInstalled({1, 2, 3});
    AdvertiseVC panel;
    QWidget context;
    panel.advertise(&context);
    EXPECT_FALSE(panel.isVisible());
    EXPECT_FALSE(counter().isValid());

    setInstalled({});
    QPointer<QWidget> released = new QWidget;
    delete released.data();
    panel.advertise(released);
    EXPECT_FALSE(panel.isVisible());
    EXPECT_FALSE(counter().isValid());
}

TEST_F(AdvertisePanelTest, PanelIsApplicationModalFixedAndShownOnceAtATime)
{
    AdvertiseVC *panel = registeredPanel();
    ASSERT_NE(panel, nullptr);
    QWidget context;
    context.resize(1008, 702);
    context.show();
    // The scan screen reaches the panel by a meta-call only.
    ASSERT_TRUE(QMetaObject::invokeMethod(panel, "advertise", Q_ARG(QWidget *, &context)));
    ASSERT_TRUE(panel->isVisible());
    EXPECT_EQ(panel->windowModality(), Qt::ApplicationModal);
    EXPECT_EQ(panel->minimumSize(), panel->maximumSize());
    EXPECT_EQ(panel->findChild<QPushButton *>(QStringLiteral("btnAppStore"))->cursor().shape(), Qt::PointingHandCursor);
    EXPECT_EQ(counter(), QVariant(quint64(2)));

    panel->advertise(&context);
    EXPECT_EQ(counter(), QVariant(quint64(2)));
    panel->close();
    panel->advertise(&context);
    EXPECT_EQ(counter(), QVariant(quint64(3)));
    EXPECT_EQ(panel->isRecommended(), SiblingApps::larkspire);
}

TEST_F(AdvertisePanelTest, ThePanelTakesTheKeyboardFromTheWindowBehind)
{
    AdvertiseVC *panel = registeredPanel();
    ASSERT_NE(panel, nullptr);
    QWidget context;
    context.resize(1008, 702);
    auto *behind = new QLineEdit(&context);
    context.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&context));
    behind->setFocus();

    struct Case
    {
        const char *what;
        Qt::Key key;
        qsizetype pagesOpened;
        bool staysOpen;
    };
    const Case cases[] = {
        {"Return presses the button", Qt::Key_Return, 1, true},
        {"Escape closes the panel", Qt::Key_Escape, 0, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        openedPages.clear();
        panel->advertise(&context);
        ASSERT_TRUE(QTest::qWaitForWindowActive(panel));
        QWidget *focused = QApplication::focusWidget();
        ASSERT_NE(focused, nullptr);
        EXPECT_EQ(focused->window(), panel);
        EXPECT_TRUE(drawsFocus(focused));
        focused->setFocus();
        QTest::keyClick(focused, c.key);
        EXPECT_EQ(openedPages.size(), c.pagesOpened);
        EXPECT_EQ(panel->isVisible(), c.staysOpen);
        EXPECT_TRUE(behind->text().isEmpty());
        panel->close();
    }
}

TEST(BundlePictures, TheScreensPicturesAreInTheBundleAtTheirSizes)
{
    const QList<QPair<QString, QSize>> pictures{
            {"fidgetAppIcon", {128, 128}}, {"calloway_128", {128, 128}}, {"Morrowgate128", {128, 128}},
            {"fs1.png", {100, 80}},        {"fs2.png", {100, 80}},        {"fs3.png", {100, 80}},
            {"fs4.png", {100, 80}},        {"no1.png", {100, 80}},        {"no2.png", {100, 80}},
            {"no3.png", {100, 80}},        {"no4.png", {100, 80}},
    };
    for (const auto &[name, size] : pictures)
        EXPECT_EQ(bundleImage(name).size(), size) << qPrintable(name);
    EXPECT_TRUE(bundleImage(QStringLiteral("fs5.png")).isNull());
    EXPECT_TRUE(bundleImage(QString()).isNull());
}
