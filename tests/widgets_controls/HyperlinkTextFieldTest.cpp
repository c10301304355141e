#include "PointerEvents.h"

#include <HyperlinkTextField.h>
#include <KitSupport.h>
#include <NotificationCenter.h>
#include <ProcessState.h>

#include <QAccessible>
#include <QApplication>
#include <QStringList>
#include <QTest>

#include <gtest/gtest.h>

namespace {

// Records every link notification posted while it lives.
class LinkNotifications
{
public:
    LinkNotifications()
    {
        for (const char *name : {kHyperLinkAutoMarkSelectionNotification, kHyperLinkEULANotification,
                                 kHyperLinkPrivacyPolicyNotification, kHyperLinkUnInstallInstructionsNotification}) {
            m_tokens.append(NotificationCenter::defaultCenter().addObserver(QString::fromLatin1(name), [this](const Notification &n) {
                posted.append(n.name);
                userInfoEmpty = userInfoEmpty && n.userInfo.isEmpty();
            }));
        }
    }
    ~LinkNotifications()
    {
        for (NotificationCenter::Token token : m_tokens)
            NotificationCenter::defaultCenter().removeObserver(token);
    }

    QStringList posted;
    bool userInfoEmpty = true;

private:
    QList<NotificationCenter::Token> m_tokens;
};

struct Flags
{
    bool autoMark = false;
    bool eula = false;
    bool privacy = false;
    bool uninstall = false;
};

void setFlags(HyperlinkTextField &label, const Flags &flags)
{
    label.setIsAutoMarkSelection(flags.autoMark);
    label.setIsEULA(flags.eula);
    label.setIsPrivacyPolicy(flags.privacy);
    label.setIsUnInstallInstructions(flags.uninstall);
}

TEST(HyperlinkTextFieldTest, ReleaseInsidePostsTheFirstFlagsNotification)
{
    struct Case
    {
        Flags flags;
        QStringList expected;
    };
    const Case cases[] = {
        {{}, {}},
        {{true, false, false, false}, {"hyperLinkAutoMarkSelection"}},
        {{false, true, false, false}, {"hyperLinkEULA"}},
        {{false, false, true, false}, {"hyperLinkPrivacyPolicy"}},
        {{false, false, false, true}, {"hyperLinkUnInstallInstructions"}},
        {{false, true, true, false}, {"hyperLinkEULA"}},
        {{false, false, true, true}, {"hyperLinkPrivacyPolicy"}},
        {{true, true, false, false}, {"hyperLinkAutoMarkSelection"}},
    };
    for (const Case &c : cases) {
        HyperlinkTextField label(QStringLiteral("Licence agreement"));
        label.resize(140, 20);
        setFlags(label, c.flags);
        LinkNotifications notifications;
        PointerEvents::click(&label);
        EXPECT_EQ(notifications.posted, c.expected);
        EXPECT_TRUE(notifications.userInfoEmpty);
        EXPECT_EQ(label.cursor().shape(), Qt::PointingHandCursor);
        EXPECT_EQ(label.text(), QStringLiteral("Licence agreement"));
    }
}

TEST(HyperlinkTextFieldTest, ReleaseOutsidePostsNothing)
{
    for (const Flags &flags : {Flags{true, false, false, false}, Flags{false, true, false, false}}) {
        HyperlinkTextField label(QStringLiteral("Privacy policy"));
        label.resize(140, 20);
        setFlags(label, flags);
        LinkNotifications notifications;
        PointerEvents::press(&label, {10, 10});
        PointerEvents::release(&label, {10, 60});
        EXPECT_TRUE(notifications.posted.isEmpty());
        EXPECT_EQ(label.appliedAttributes(), flags.autoMark ? label.attributesBeforeClick : label.attributesWithoutUnderLineWithLink);
    }
}

TEST(HyperlinkTextFieldTest, ColouredLinkLooksFollowThePointer)
{
    HyperlinkTextField label(QStringLiteral("Uninstall instructions"));
    label.resize(180, 22);
    label.setIsUnInstallInstructions(true);
    LinkNotifications notifications;
    PointerEvents::saveRender(&label, QStringLiteral("hyperlink_resting"));

    const QColor link = KitSupport::toQColor(linkColor());
    const QColor linkHover = KitSupport::toQColor(linkHoverColor());
    struct Step
    {
        std::function<void()> event;
        TextAttributes expected;
        const char *render;
    };
    const Step steps[] = {
        {[&] { PointerEvents::enter(&label); }, {link, true}, "hyperlink_hover"},
        {[&] { PointerEvents::press(&label, {10, 10}); }, {link, false}, "hyperlink_pressed"},
        {[&] { PointerEvents::release(&label, {10, 10}); }, {linkHover, true}, "hyperlink_released"},
        {[&] { PointerEvents::leave(&label); }, {link, false}, nullptr},
    };
    for (const Step &step : steps) {
        step.event();
        ASSERT_TRUE(label.appliedAttributes());
        EXPECT_EQ(*label.appliedAttributes(), step.expected);
        EXPECT_EQ(label.palette().color(label.foregroundRole()), step.expected.foregroundColor);
        EXPECT_EQ(label.font().underline(), step.expected.underline);
        if (step.render)
            PointerEvents::saveRender(&label, QString::fromLatin1(step.render));
    }
    EXPECT_EQ(notifications.posted, QStringList{QStringLiteral("hyperLinkUnInstallInstructions")});
}

TEST(HyperlinkTextFieldTest, GreyLinkKeepsItsLookOnHover)
{
    HyperlinkTextField label(QStringLiteral("Auto mark"));
    label.resize(120, 20);
    label.setIsAutoMarkSelection(true);
    PointerEvents::enter(&label);
    EXPECT_FALSE(label.appliedAttributes());
    PointerEvents::press(&label, {5, 5});
    EXPECT_EQ(label.appliedAttributes(), (TextAttributes{QColor(Qt::gray), true}));
    PointerEvents::release(&label, {5, 5});
    EXPECT_EQ(label.appliedAttributes(), (TextAttributes{QColor(Qt::lightGray), true}));
    PointerEvents::leave(&label);
    EXPECT_EQ(label.appliedAttributes(), (TextAttributes{QColor(Qt::lightGray), true}));
}

// A label that leads somewhere is a link to assistive tools and to the
// keyboard as well: named by its text, pressed by their press action or by
// Return, Enter or Space once Tab has reached it. A label with no flag is
// neither a link nor a stop for Tab.
TEST(HyperlinkTextFieldTest, LinksAreLinksToAssistiveToolsAndTheKeyboard)
{
    struct Case
    {
        Flags flags;
        QStringList posted;
    };
    const Case cases[] = {
        {{false, true, false, false}, {"hyperLinkEULA"}},
        {{true, false, false, false}, {"hyperLinkAutoMarkSelection"}},
        {{}, {}},
    };
    for (const Case &c : cases) {
        QWidget window;
        auto *before = new QWidget(&window);
        before->setFocusPolicy(Qt::StrongFocus);
        auto *label = new HyperlinkTextField(QStringLiteral("Licence agreement"), &window);
        label->setGeometry(0, 30, 160, 22);
        setFlags(*label, c.flags);
        const bool isLink = !c.posted.isEmpty();
        SCOPED_TRACE(isLink ? c.posted.first().toStdString() : std::string("no flag"));
        window.show();
        QApplication::setActiveWindow(&window);
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));

        QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(label);
        ASSERT_TRUE(accessible);
        EXPECT_EQ(accessible->text(QAccessible::Name), QStringLiteral("Licence agreement"));
        if (isLink) {
            EXPECT_EQ(accessible->role(), QAccessible::Link);
            QAccessibleActionInterface *actions = accessible->actionInterface();
            ASSERT_TRUE(actions);
            EXPECT_TRUE(actions->actionNames().contains(QAccessibleActionInterface::pressAction()));
            LinkNotifications notifications;
            actions->doAction(QAccessibleActionInterface::pressAction());
            EXPECT_EQ(notifications.posted, c.posted);
        }

        before->setFocus(Qt::TabFocusReason);
        QTest::keyClick(before, Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget() == label, isLink);
        if (isLink)
            PointerEvents::saveRender(label, QStringLiteral("hyperlink_keyboard_focus"));
        for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Space}) {
            LinkNotifications notifications;
            QTest::keyClick(label, key);
            EXPECT_EQ(notifications.posted, c.posted) << key;
        }
    }
}

} // namespace
