#include "RemovalFixture.h"

#include <ScanFixture.h>
#include <TestEnvironment.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

#include <sched.h>
#include <sys/mount.h>

using namespace RemovalFixture;
using ScanFixture::writeFile;

namespace {

// Mounts made here live in a mount namespace of the test's own thread (and of
// the threads and processes it starts), private in both directions: nothing
// else on the machine sees them, and they end with the process at the latest.
// Each test takes its own mounts down again in TearDown.
class DeleteAcrossMounts : public testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        if (::unshare(CLONE_NEWNS) != 0)
            s_refused = QStringLiteral("unshare(CLONE_NEWNS): %1").arg(QString::fromLocal8Bit(std::strerror(errno)));
        else if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
            s_refused = QStringLiteral("making the mounts private: %1").arg(QString::fromLocal8Bit(std::strerror(errno)));
    }

    void SetUp() override
    {
        if (!s_refused.isEmpty())
            GTEST_SKIP() << "mounts cannot be made here (" << s_refused.toStdString()
                         << "); run the test as root to check deletes across mounts";
        m_base = TestEnvironment::makeTemporaryFolder("mounts");
    }

    void TearDown() override { unmountAll(); }

    void unmountAll()
    {
        for (auto it = m_mounts.crbegin(); it != m_mounts.crend(); ++it)
            ::umount2(QFile::encodeName(*it).constData(), MNT_DETACH);
        m_mounts.clear();
    }

    // Both paths lie in the test's own temporary folder. On failure the reason.
    QString mountInside(const QString &source, const QString &target, bool bind)
    {
        const QByteArray from = QFile::encodeName(source);
        const QByteArray to = QFile::encodeName(target);
        const int result = bind ? ::mount(from.constData(), to.constData(), nullptr, MS_BIND, nullptr)
                                : ::mount("tmpfs", to.constData(), "tmpfs", 0, "size=1m");
        if (result != 0)
            return QString::fromLocal8Bit(std::strerror(errno));
        m_mounts.append(target);
        return {};
    }

    static QString s_refused;
    QString m_base;
    QStringList m_mounts;
};

QString DeleteAcrossMounts::s_refused;

QStringList entriesOf(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

} // namespace

// A bundle marked for deletion with another mount inside: nothing of it, and
// nothing of what is mounted in it, is deleted or even renamed.
TEST_F(DeleteAcrossMounts, ABundleHoldingAMountIsKeptWholeAtItsOwnPath)
{
    enum class Kind { BindFolder, BindFile, OtherFileSystem };
    struct Case
    {
        const char *name;
        Kind kind;
        const char *mountPoint; // inside the marked bundle
    };
    const Case cases[] = {
        // Same file system, same device: only the mount tells it apart.
        {"a folder outside the scanned roots bound inside", Kind::BindFolder, "/Contents/Resources/linked"},
        {"a file outside the scanned roots bound over one inside", Kind::BindFile, "/Contents/Resources/data.bin"},
        {"another file system mounted inside", Kind::OtherFileSystem, "/Contents/scratch"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const QString base = TestEnvironment::makeTemporaryFolder("mount-case");
        const QString kept = base + "/roots/a/Tool.app";
        const QString marked = base + "/roots/b/Tool.app";
        const QString outside = base + "/outside";
        const QByteArray bytes = ScanFixture::uniqueBytes(500);
        ScanFixture::makeBundle(kept, "com.example.tool", bytes);
        ScanFixture::makeBundle(marked, "com.example.tool", bytes);
        writeFile(marked + "/Contents/Resources/data.bin", "bundle data");
        writeFile(outside + "/keep-me.txt", "outside every root");
        writeFile(outside + "/deeper/too.txt", "outside as well");
        writeFile(outside + "/file.bin", "an outside file");

        const QString mountPoint = marked + c.mountPoint;
        QDir().mkpath(QFileInfo(mountPoint).absolutePath());
        if (c.kind != Kind::BindFile)
            QDir().mkpath(mountPoint);
        const QString refused = mountInside(c.kind == Kind::BindFile ? outside + "/file.bin" : outside, mountPoint,
                                            c.kind != Kind::OtherFileSystem);
        if (!refused.isEmpty())
            GTEST_SKIP() << "mount(2) was refused: " << refused.toStdString();
        if (c.kind == Kind::OtherFileSystem)
            writeFile(mountPoint + "/scratch.txt", "on the other file system");

        // The record is made with the mount in place, as a scan would see it.
        makeStore({{ScanResultKeys::Application, {{kept, marked}}}});
        mark(1, 0, 1);
        const QHash<QString, QByteArray> bundleBefore = digestTree(marked);
        const QHash<QString, QByteArray> outsideBefore = digestTree(outside);
        ASSERT_FALSE(bundleBefore.isEmpty());

        RemovalRun run(RemovalPlan::fromStore(MovingType::Permanently()), FileManager::defaultManager());
        runToEnd(run);
        EXPECT_EQ(run.result().outcomes, QList<CopyOutcome>{CopyOutcome::Failed});
        const QString reason = run.result().reasons.value(0);
        EXPECT_TRUE(reason.contains(mountPoint) && reason.contains("mount point")) << reason.toStdString();
        EXPECT_EQ(digestTree(marked), bundleBefore);
        EXPECT_EQ(digestTree(outside), outsideBefore);
        EXPECT_EQ(entriesOf(base + "/roots/b"), QStringList{"Tool.app"});
        unmountAll();
    }
}

// The same through the command-line remover, scan included.
TEST_F(DeleteAcrossMounts, TheRemoverKeepsABundleHoldingABindMount)
{
    const QString roots = m_base + "/roots";
    const QString marked = roots + "/b/Tool.app";
    const QString outside = m_base + "/outside";
    const QByteArray bytes = ScanFixture::uniqueBytes(5000);
    ScanFixture::makeBundle(roots + "/a/Tool.app", "com.example.tool", bytes);
    ScanFixture::makeBundle(marked, "com.example.tool", bytes);
    writeFile(outside + "/keep-me.txt", ScanFixture::uniqueBytes(3000));
    QDir().mkpath(marked + "/Contents/linked");
    const QString refused = mountInside(outside, marked + "/Contents/linked", true);
    if (!refused.isEmpty())
        GTEST_SKIP() << "mount(2) was refused: " << refused.toStdString();
    const QHash<QString, QByteArray> bundleBefore = digestTree(marked);
    const QHash<QString, QByteArray> outsideBefore = digestTree(outside);

    QProcess process;
    process.start(QStringLiteral(TWINMOOR_REMOVE_RUNNER), {"--no-pause", "--keep", "first", "--mode", "delete", roots});
    ASSERT_TRUE(process.waitForFinished(60000));
    const QString errors = QString::fromUtf8(process.readAllStandardError());
    QList<QJsonObject> lines;
    for (const QByteArray &line : process.readAllStandardOutput().split('\n')) {
        if (!line.isEmpty())
            lines.append(QJsonDocument::fromJson(line).object());
    }
    EXPECT_EQ(process.exitCode(), 1) << errors.toStdString();
    ASSERT_EQ(lines.size(), 2) << errors.toStdString();
    EXPECT_EQ(lines.at(0).value("path").toString(), marked);
    EXPECT_EQ(lines.at(0).value("outcome").toString(), "failed");
    EXPECT_TRUE(lines.at(0).value("reason").toString().contains(marked + "/Contents/linked"))
        << lines.at(0).value("reason").toString().toStdString();
    EXPECT_EQ(digestTree(marked), bundleBefore);
    EXPECT_EQ(digestTree(outside), outsideBefore);
    EXPECT_EQ(entriesOf(roots + "/b"), QStringList{"Tool.app"});
}
