#include "LoopbackHttpServer.h"

#include <ServiceConfiguration.h>
#include <TestEnvironment.h>
#include <UsageEvents.h>

#include <QDir>
#include <QFile>
#include <QThread>

#include <gtest/gtest.h>

namespace {

// The hash the program sends for the address 00:1b:63:84:45:e6.
const QString kHashedAddress = QStringLiteral("7734187b8727a7120aaaf1fd50c4624d6bbc45b7b2dab4d38fc291ed7f232565");

struct FakeInterface
{
    QString name;
    QString type;
    bool device;
    QString address;
};

QString makeNetworkFolder(const QList<FakeInterface> &interfaces)
{
    const QString root = TestEnvironment::makeTemporaryFolder(QStringLiteral("net"));
    const QString devices = TestEnvironment::makeTemporaryFolder(QStringLiteral("devices"));
    for (const FakeInterface &item : interfaces) {
        const QString folder = root + QLatin1Char('/') + item.name;
        QDir().mkpath(folder);
        QFile type(folder + QStringLiteral("/type"));
        EXPECT_TRUE(type.open(QIODevice::WriteOnly));
        type.write(item.type.toUtf8() + "\n");
        QFile address(folder + QStringLiteral("/address"));
        EXPECT_TRUE(address.open(QIODevice::WriteOnly));
        address.write(item.address.toUtf8() + "\n");
        if (item.device) {
            EXPECT_TRUE(QFile::link(devices, folder + QStringLiteral("/device")));
        }
    }
    return root;
}

QString writeFile(const QString &name, const QByteArray &content)
{
    const QString path = TestEnvironment::makeTemporaryFolder(QStringLiteral("file")) + QLatin1Char('/') + name;
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(content);
    return path;
}

QByteArray plistOf(const QByteArray &entries)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n<dict>\n" + entries
            + "</dict>\n</plist>\n";
}

class UsageEventsTest : public ::testing::Test
{
protected:
    void TearDown() override
    {
        // No request is left half done when the process ends.
        EXPECT_TRUE(waitUntil([] { return UsageEvents::eventsInFlight() == 0; }));
        clearServiceConfiguration();
        UsageEvents::setUpAnalyticsIdentity({QStringLiteral("/nonexistent"), QStringLiteral("/nonexistent"),
                                             QStringLiteral("/nonexistent")});
    }

    void setUpIdentity(bool withInterface, const QByteArray &campaignEntries, bool withCampaignFile)
    {
        QList<FakeInterface> interfaces;
        if (withInterface)
            interfaces.append({QStringLiteral("enp3s0"), QStringLiteral("1"), true, QStringLiteral("00:1b:63:84:45:e6")});
        UsageEvents::IdentitySources sources;
        sources.networkInterfaces = makeNetworkFolder(interfaces);
        sources.campaignFile = withCampaignFile ? writeFile(QStringLiteral("track.plist"), plistOf(campaignEntries))
                                                : TestEnvironment::root() + QStringLiteral("/no-track.plist");
        sources.osRelease = writeFile(QStringLiteral("os-release"), "NAME=\"Debian GNU/Linux\"\nVERSION_ID=\"12\"\n");
        UsageEvents::setUpAnalyticsIdentity(sources);
    }
};

} // namespace

TEST_F(UsageEventsTest, PrimaryAddressIsTheFirstPhysicalEthernetInterfaceByName)
{
    struct Case
    {
        const char *what;
        QList<FakeInterface> interfaces;
        QString expected;
    };
    const QList<Case> cases{
            {"loopback, virtual and zero-address interfaces are passed over",
             {{"lo", "772", false, "00:00:00:00:00:00"},
              {"docker0", "1", false, "02:42:ac:11:00:02"},
              {"eth0", "1", true, "00:00:00:00:00:00"},
              {"wlp2s0", "1", true, "3c:22:fb:00:11:22"},
              {"enp3s0", "1", true, "00:1B:63:84:45:E6"}},
             "00:1b:63:84:45:e6"},
            {"a byte below 16 keeps its leading zero", {{"eno1", "1", true, "0:1b:3:84:a:e6"}}, "00:1b:03:84:0a:e6"},
            {"an interface of another type is no Ethernet", {{"ib0", "32", true, "80:00:02:08"}}, ""},
            {"an unreadable address is passed over",
             {{"eno1", "1", true, "zz:1b:63:84:45:e6"}, {"eno2", "1", true, "00:1b:63:84:45:e7"}},
             "00:1b:63:84:45:e7"},
            {"no interfaces at all", {}, ""},
    };
    for (const Case &c : cases)
        EXPECT_EQ(UsageEvents::primaryMACAddressText(makeNetworkFolder(c.interfaces)), c.expected) << c.what;
    EXPECT_EQ(UsageEvents::primaryMACAddressText(TestEnvironment::root() + QStringLiteral("/missing")), QString());
}

TEST_F(UsageEventsTest, ClientIdentifierIsAHashOfTheAddress)
{
    EXPECT_EQ(UsageEvents::clientIDFromAddress(QStringLiteral("00:1b:63:84:45:e6")), kHashedAddress);
    EXPECT_EQ(UsageEvents::clientIDFromAddress(QString()), QString());
}

TEST_F(UsageEventsTest, SystemVersionHasThreeNumbers)
{
    const QList<QPair<QByteArray, QString>> cases{
            {"VERSION_ID=\"12\"\n", "12.0.0"},
            {"NAME=Ubuntu\nVERSION_ID=\"22.04\"\n", "22.4.0"},
            {"VERSION_ID=3.18.4\n", "3.18.4"},
            {"VERSION_ID='39'\n", "39.0.0"},
            {"NAME=\"Debian GNU/Linux\"\nVERSION_CODENAME=trixie\n", "0.0.0"},
    };
    for (const auto &[content, expected] : cases)
        EXPECT_EQ(UsageEvents::systemVersionFromOsRelease(writeFile(QStringLiteral("os-release"), content)), expected)
                << content.constData();
    EXPECT_EQ(UsageEvents::systemVersionFromOsRelease(TestEnvironment::root() + QStringLiteral("/none")), "0.0.0");
}

TEST_F(UsageEventsTest, CampaignFileSitsInTheUsersDataFolder)
{
    EXPECT_EQ(UsageEvents::defaultCampaignFilePath(),
              qEnvironmentVariable("XDG_DATA_HOME") + QStringLiteral("/twinmoor/track.plist"));
}

TEST_F(UsageEventsTest, EventBodiesCarryTheIdentityInTheirFields)
{
    struct Case
    {
        const char *what;
        bool withInterface;
        bool withCampaignFile;
        QByteArray campaignEntries;
        QByteArray expected;
    };
    const QByteArray h = kHashedAddress.toLatin1();
    const QList<Case> cases{
            {"no attribution file", true, false, {},
             "v=1&tid=UA-TEST-1&cid=" + h + "&t=event&ec=install&ea=install&el=_" + h + "&pa=click&pal=&pr1id=&pr1nm=12.0.0"},
            {"a source with spaces and tabs around key and value", true, true,
             "<key>\tutm_source </key><string>  news-site_1\t</string>\n",
             "v=1&tid=UA-TEST-1&cid=" + h + "&t=event&ec=install&ea=install&el=news-site_1_" + h
                     + "&pa=click&pal=news-site_1&pr1id=news-site_1&pr1nm=12.0.0"},
            {"only a campaign", true, true, "<key>utm_campaign</key><string>spring</string>\n",
             "v=1&tid=UA-TEST-1&cid=" + h + "&t=event&ec=install&ea=install&el=_" + h + "&pa=click&pal=&pr1id=&pr1nm=12.0.0"},
            {"two keys that trim alike: the one listed last wins", true, true,
             "<key>utm_source </key><string>first</string>\n<key> utm_source</key><string>second</string>\n",
             "v=1&tid=UA-TEST-1&cid=" + h + "&t=event&ec=install&ea=install&el=second_" + h
                     + "&pa=click&pal=second&pr1id=second&pr1nm=12.0.0"},
            {"a value that is no text is passed over", true, true,
             "<key>utm_source</key><string>kept</string>\n<key> utm_source</key><integer>5</integer>\n",
             "v=1&tid=UA-TEST-1&cid=" + h + "&t=event&ec=install&ea=install&el=kept_" + h
                     + "&pa=click&pal=kept&pr1id=kept&pr1nm=12.0.0"},
            {"no interface", false, false, {},
             "v=1&tid=UA-TEST-1&cid=&t=event&ec=install&ea=install&el=_&pa=click&pal=&pr1id=&pr1nm=12.0.0"},
            {"a source that tries to add a field", false, true, "<key>utm_source</key><string>a&amp;tid=X</string>\n",
             "v=1&tid=UA-TEST-1&cid=&t=event&ec=install&ea=install&el=a%26tid%3DX_&pa=click&pal=a%26tid%3DX"
             "&pr1id=a%26tid%3DX&pr1nm=12.0.0"},
            {"a newline is not trimmed", false, true, "<key>utm_source</key><string>line\n</string>\n",
             "v=1&tid=UA-TEST-1&cid=&t=event&ec=install&ea=install&el=line%0A_&pa=click&pal=line%0A"
             "&pr1id=line%0A&pr1nm=12.0.0"},
    };

    LoopbackHttpServer server;
    useServiceConfiguration(server.baseAddress(), QStringLiteral("UA-TEST-1"));
    int sent = 0;
    for (const Case &c : cases) {
        setUpIdentity(c.withInterface, c.campaignEntries, c.withCampaignFile);
        sendAnalyticsEvent(QStringLiteral("install"), QStringLiteral("install"));
        ASSERT_TRUE(server.waitForRequests(++sent)) << c.what;
        const LoopbackHttpServer::Request &request = server.requests().last();
        EXPECT_EQ(request.body, c.expected) << c.what;
        EXPECT_FALSE(request.body.contains("1b:63") || request.body.contains("1b%3A63")) << c.what;
    }
    const LoopbackHttpServer::Request &request = server.requests().first();
    EXPECT_EQ(request.method, "POST");
    EXPECT_EQ(request.target, "/collect");
    EXPECT_EQ(request.headers.value("content-type"), "application/x-www-form-urlencoded");
}

TEST_F(UsageEventsTest, EventsFromWorkersAndTheMainThreadAreAllSent)
{
    LoopbackHttpServer server;
    useServiceConfiguration(server.baseAddress(), QStringLiteral("UA-TEST-1"));
    setUpIdentity(true, {}, false);
    QThread *worker = QThread::create([] {
        sendAnalyticsEvent(QStringLiteral("cleandone"), QStringLiteral("cleandone"));
        sendAnalyticsEvent(QStringLiteral("cleandone"), QStringLiteral("cleandone"));
    });
    worker->start();
    sendAnalyticsEvent(QStringLiteral("tmrupdated"), QStringLiteral("3.2.1"));
    ASSERT_TRUE(worker->wait(10000));
    delete worker;
    ASSERT_TRUE(server.waitForRequests(3));
    int cleanDone = 0;
    for (const LoopbackHttpServer::Request &request : server.requests())
        cleanDone += request.body.contains("&ec=cleandone&ea=cleandone&") ? 1 : 0;
    EXPECT_EQ(cleanDone, 2);
    EXPECT_EQ(server.requests().size(), 3);
}

TEST_F(UsageEventsTest, NothingIsSentWithoutATrackingIdentifierOrASafeAddress)
{
    LoopbackHttpServer server;
    setUpIdentity(true, {}, false);
    // Each of these configurations sends nothing; the marker sent afterwards
    // with a working one must be the only request that ever arrives.
    const QList<QPair<QString, QString>> unusable{
            {server.baseAddress(), QString()},
            {QString(), QStringLiteral("UA-TEST-1")},
            {QStringLiteral("http://analytics.example"), QStringLiteral("UA-TEST-1")},
            {QStringLiteral("ftp://127.0.0.1:1"), QStringLiteral("UA-TEST-1")},
    };
    for (const auto &[address, trackingID] : unusable) {
        useServiceConfiguration(address, trackingID);
        sendAnalyticsEvent(QStringLiteral("install"), QStringLiteral("install"));
    }
    useServiceConfiguration(server.baseAddress(), QStringLiteral("UA-MARKER"));
    sendAnalyticsEvent(QStringLiteral("marker"), QStringLiteral("marker"));
    ASSERT_TRUE(server.waitForRequests(1));
    EXPECT_EQ(server.connectionCount(), 1);
    EXPECT_TRUE(server.requests().first().body.startsWith("v=1&tid=UA-MARKER&"));
}

TEST(ServiceConfiguration, OnlyHttpsOrALoopbackHostCounts)
{
    const QList<QPair<QString, std::optional<QString>>> cases{
            {"https://collect.example", QStringLiteral("https://collect.example")},
            {"https://collect.example/", QStringLiteral("https://collect.example")},
            {"HTTPS://collect.example:8443", QStringLiteral("HTTPS://collect.example:8443")},
            {"http://127.0.0.1:8080", QStringLiteral("http://127.0.0.1:8080")},
            {"http://localhost", QStringLiteral("http://localhost")},
            {"http://[::1]:9", QStringLiteral("http://[::1]:9")},
            {"http://collect.example", std::nullopt},
            {"http://127.0.0.1.example", std::nullopt},
            {"https://collect.example/?x=1", std::nullopt},
            {"https://user@collect.example", std::nullopt},
            {"collect.example", std::nullopt},
            {"", std::nullopt},
    };
    for (const auto &[text, expected] : cases)
        EXPECT_EQ(ServiceConfiguration::serviceBaseAddress(text), expected) << qPrintable(text);
}
