#include "AppTestSupport.h"
#include "TestEnvironment.h"

#include <Dispatch.h>
#include <HomeScreens.h>
#include <HomeWindow.h>
#include <ProcessState.h>
#include <ReopenChannel.h>
#include <ScreenRegistry.h>

#include <QApplication>
#include <QSignalSpy>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <QCloseEvent>

#include <atomic>
#include <thread>

namespace {

class ReopenAndQuitTest : public AppFixture
{
protected:
    void SetUp() override
    {
        AppFixture::SetUp();
        home = launchAfterFirstRun();
        ASSERT_TRUE(home);
    }

    QWidget *home = nullptr;
};

TEST_F(ReopenAndQuitTest, SecondStartDeliversReopen)
{
    const QString name = TestEnvironment::makeTemporaryFolder(QStringLiteral("socket")) + QStringLiteral("/reopen");
    ReopenChannel channel;
    ASSERT_TRUE(channel.listen(name));
    QSignalSpy reopened(&channel, &ReopenChannel::reopenRequested);

    // The second start runs in its own process; here, on its own thread.
    std::atomic<int> answer{-1};
    std::thread second([&] { answer = ReopenChannel::sendReopen(name) ? 1 : 0; });
    EXPECT_TRUE(QTest::qWaitFor([&] { return answer != -1; }, 5000));
    second.join();
    EXPECT_EQ(answer, 1);
    EXPECT_EQ(reopened.count(), 1);

    // Only one program listens; nothing listens once it has gone.
    ReopenChannel other;
    EXPECT_FALSE(other.listen(name));
    const QString unused = TestEnvironment::makeTemporaryFolder(QStringLiteral("socket")) + QStringLiteral("/none");
    EXPECT_FALSE(ReopenChannel::sendReopen(unused, 200));
}

TEST_F(ReopenAndQuitTest, ReopenBringsTheMainWindowBack)
{
    home->showMinimized();
    EXPECT_TRUE(delegate->applicationShouldHandleReopen(false));
    EXPECT_FALSE(home->isMinimized());
    EXPECT_TRUE(home->isVisible());

    isScanDialogShown = true;
    home->hide();
    EXPECT_FALSE(delegate->applicationShouldHandleReopen(false));
    EXPECT_FALSE(home->isVisible());
    isScanDialogShown = false;

    // With the results on screen, the results window comes back.
    auto *results = new QWidget;
    ScreenRegistry::instance().registerFactory(QLatin1String(ScreenId::DashboardWindow), [results] { return results; });
    isDashboardShown = true;
    EXPECT_TRUE(delegate->applicationShouldHandleReopen(false));
    EXPECT_TRUE(results->isVisible());
    EXPECT_FALSE(home->isVisible());
}

TEST_F(ReopenAndQuitTest, ClosingTheLastWindowQuitsButReplacingOneDoesNot)
{
    delegate->watchLastWindowClose();
    home->show();

    // The results window takes the home window's place in the same turn.
    QWidget results;
    home->close();
    results.show();
    QTest::qWait(50); // the check after the close has run
    EXPECT_EQ(terminations, 0);

    results.close();
    EXPECT_TRUE(QTest::qWaitFor([&] { return terminations == 1; }, 2000)) << terminations;
}

// Like the results window, whose close button means Back: it refuses every close.
class RefusingWindow : public QWidget
{
protected:
    void closeEvent(QCloseEvent *event) override { event->ignore(); }
};

TEST_F(ReopenAndQuitTest, QuitEndsTheProgramWhileAWindowRefusesToClose)
{
    delegate->setTerminateHandler({});
    home->show();
    RefusingWindow results;
    results.show();
    QTimer fallback;
    fallback.setSingleShot(true);
    QObject::connect(&fallback, &QTimer::timeout, [] { QCoreApplication::exit(1); });
    fallback.start(3000);
    QTimer::singleShot(0, delegate.get(), [this] { delegate->terminate(); });
    EXPECT_EQ(QApplication::exec(), 0);
}

class StoppingScreen : public QWidget
{
public:
    explicit StoppingScreen(std::atomic<bool> *stopped)
        : m_stopped(stopped)
    {
    }
    ~StoppingScreen() override { *m_stopped = true; }

private:
    std::atomic<bool> *m_stopped;
};

TEST_F(ReopenAndQuitTest, TearDownStopsWorkersAndDeletesScreensFirst)
{
    std::atomic<bool> screenGone{false};
    std::atomic<bool> workerDone{false};
    ScreenRegistry::instance().registerFactory(QLatin1String(ScreenId::Scan), [&screenGone] { return new StoppingScreen(&screenGone); });
    QPointer<QWidget> scan = scanVC();
    QPointer<QWidget> window = home;
    // A worker that runs until its screen has been taken down.
    Dispatch::globalAsync([&] {
        while (!screenGone)
            QThread::msleep(5);
        workerDone = true;
    });

    AppDelegate::tearDown();
    EXPECT_TRUE(screenGone);
    EXPECT_TRUE(workerDone);
    EXPECT_FALSE(scan);
    EXPECT_FALSE(window);
    EXPECT_TRUE(QApplication::topLevelWidgets().isEmpty() || !QApplication::topLevelWidgets().first()->isVisible());
    registerHomeScreens();
}

} // namespace
