#include "PointerEvents.h"

#include <HyperlinkTextField.h>
#include <KitSupport.h>
#include <NotificationCenter.h>
#include <ProcessState.h>

#include <QStringList>

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

} // namespace
