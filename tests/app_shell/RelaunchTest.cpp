#include "AppTestSupport.h"
#include "TestEnvironment.h"

#include <ProcessLauncher.h>
#include <ProcessState.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTest>
#include <QTimer>

namespace {

struct Launch
{
    QString program;
    QStringList arguments;
};

class RelaunchTest : public AppFixture
{
protected:
    void SetUp() override
    {
        AppFixture::SetUp();
        makeDelegate();
        ProcessLauncher::setHandler([this](const QString &program, const QStringList &arguments) {
            launches.append({program, arguments});
            return startSucceeds;
        });
    }

    QList<Launch> launches;
    bool startSucceeds = true;
};

TEST_F(RelaunchTest, StartsOurOwnExecutableWithItsPathUntouched)
{
    const QStringList paths{
        QStringLiteral("/opt/Twin moor/bin/twinmoor"),
        QStringLiteral("/tmp/a\"; touch X; \"/twinmoor"),
        QStringLiteral("/tmp/$(touch X)/`touch X`/twinmoor"),
    };
    for (const QString &path : paths) {
        SCOPED_TRACE(path.toStdString());
        launches.clear();
        makeDelegate();
        delegate->setExecutablePath(path);
        delegate->callTerminate();
        ASSERT_EQ(launches.size(), 1);
        EXPECT_EQ(launches.first().program, path);
        EXPECT_EQ(launches.first().arguments,
                  QStringList({QStringLiteral("--wait-for-pid"), QString::number(QCoreApplication::applicationPid())}));
        EXPECT_EQ(terminations, 1);
        terminations = 0;
    }
}

TEST_F(RelaunchTest, WaitsWhileWorkOrADialogIsUnderWay)
{
    bool *const busy[] = {&isScanning, &isScanDialogShown, &isOverlayDialogShown, &isCustomDialogShown, &isFolderPanelOpen};
    for (bool *flag : busy) {
        launches.clear();
        *flag = true;
        delegate->callTerminate();
        EXPECT_TRUE(launches.isEmpty());
        EXPECT_TRUE(delegate->relaunchTimer()->isActive());
        EXPECT_EQ(terminations, 0);
        *flag = false;
    }
    // Once the scan is over the retry goes through.
    delegate->callTerminate();
    EXPECT_EQ(launches.size(), 1);
    EXPECT_EQ(terminations, 1);
}

TEST_F(RelaunchTest, FailedStartKeepsTheProgramRunning)
{
    startSucceeds = false;
    delegate->callTerminate();
    EXPECT_EQ(launches.size(), 1);
    EXPECT_EQ(terminations, 0);
    EXPECT_FALSE(delegate->isTerminating());
}

TEST(ProcessLauncherTest, ProgramPathReachesTheSystemAsOneName)
{
    // A real start: the program is a copy of touch in folders whose names a
    // shell would run; it only makes the file it is given.
    const QString root = TestEnvironment::makeTemporaryFolder(QStringLiteral("launch"));
    const QString folder = root + QStringLiteral("/a\"; touch X; \"/$(touch X)");
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString program = folder + QStringLiteral("/touch");
    ASSERT_TRUE(QFile::copy(QStringLiteral("/usr/bin/touch"), program));
    QFile::setPermissions(program, QFile::ReadOwner | QFile::ExeOwner);

    const QString marker = root + QStringLiteral("/ran");
    const QString before = QDir::currentPath();
    QDir::setCurrent(root);
    EXPECT_TRUE(ProcessLauncher::startDetached(program, {marker}));
    QDir::setCurrent(before);
    EXPECT_TRUE(QTest::qWaitFor([&] { return QFile::exists(marker); }, 5000));
    EXPECT_FALSE(QFile::exists(root + QStringLiteral("/X")));
    EXPECT_FALSE(QFile::exists(folder + QStringLiteral("/X")));
    EXPECT_FALSE(QFile::exists(before + QStringLiteral("/X")));

    EXPECT_FALSE(ProcessLauncher::startDetached(root + QStringLiteral("/missing"), {}));
}

TEST(ProcessLauncherTest, WaitForProcessExitIsBounded)
{
    EXPECT_TRUE(ProcessLauncher::waitForProcessExit(0, 10));
    // This process does not end while it waits for itself.
    EXPECT_FALSE(ProcessLauncher::waitForProcessExit(QCoreApplication::applicationPid(), 100));
}

} // namespace
