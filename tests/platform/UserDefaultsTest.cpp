#include "NestedLists.h"

#include <TestEnvironment.h>
#include <UserDefaults.h>

#include <QDir>
#include <QSize>
#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

namespace {

QString freshPath()
{
    return TestEnvironment::makeTemporaryFolder(QStringLiteral("defaults")) + QStringLiteral("/twinmoor/defaults.plist");
}

} // namespace

TEST(UserDefaults, FollowsXdgConfigHome)
{
    EXPECT_EQ(UserDefaults::defaultFilePath(),
              qEnvironmentVariable("XDG_CONFIG_HOME") + QStringLiteral("/twinmoor/defaults.plist"));
}

TEST(UserDefaults, TypedReadsTellMissingFromWrongType)
{
    UserDefaults defaults(freshPath());
    EXPECT_FALSE(defaults.object("missing").isValid());
    EXPECT_FALSE(defaults.boolValue("missing").has_value());

    defaults.setObject("flag", true);
    defaults.setObject("size", -1);
    defaults.setObject("text", QStringLiteral("1024"));
    defaults.setObject("names", QStringList{"a", "b"});
    defaults.setObject("states", QVariantList{true, false});
    defaults.setObject("mixed", QVariantList{true, 1});

    EXPECT_EQ(defaults.boolValue("flag"), true);
    EXPECT_FALSE(defaults.boolValue("text").has_value());
    // A negative integer is never read as a huge unsigned one.
    EXPECT_FALSE(defaults.unsignedValue("size").has_value());
    EXPECT_EQ(defaults.integerValue("size"), -1);
    EXPECT_FALSE(defaults.unsignedValue("text").has_value());
    EXPECT_EQ(defaults.stringArray("names"), QStringList({"a", "b"}));
    EXPECT_FALSE(defaults.stringArray("states").has_value());
    EXPECT_EQ(defaults.boolArray("states"), QList<bool>({true, false}));
    EXPECT_FALSE(defaults.boolArray("mixed").has_value());
}

TEST(UserDefaults, ValuesSurviveAReload)
{
    const QString path = freshPath();
    {
        UserDefaults defaults(path);
        EXPECT_TRUE(defaults.setObject("size", quint64(2048)));
        EXPECT_TRUE(defaults.setObject("negative", qint64(-3)));
        EXPECT_TRUE(defaults.setObject("unit", QStringLiteral("MB")));
        EXPECT_TRUE(defaults.setObject("gone", true));
        EXPECT_TRUE(defaults.removeObject("gone"));
    }
    UserDefaults reloaded(path);
    EXPECT_EQ(reloaded.unsignedValue("size"), 2048u);
    EXPECT_EQ(reloaded.integerValue("negative"), -3);
    EXPECT_EQ(reloaded.stringValue("unit"), QStringLiteral("MB"));
    EXPECT_FALSE(reloaded.contains("gone"));
}

TEST(UserDefaults, UnrepresentableValueIsRefused)
{
    UserDefaults defaults(freshPath());
    EXPECT_FALSE(defaults.setObject("size", QVariant::fromValue(QSize(1, 1))));
    EXPECT_FALSE(defaults.contains("size"));
}

TEST(UserDefaults, CorruptFileIsSetAsideAndStoreStartsEmpty)
{
    const QString path = freshPath();
    QDir().mkpath(QFileInfo(path).absolutePath());
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("<plist><dict><key>broken");
    }
    UserDefaults defaults(path);
    EXPECT_TRUE(defaults.dictionaryRepresentation().isEmpty());
    ASSERT_FALSE(defaults.setAsidePath().isEmpty());
    EXPECT_TRUE(QFile::exists(defaults.setAsidePath()));
    EXPECT_FALSE(QFile::exists(path));

    // The next change writes a fresh file; the damaged one stays aside.
    EXPECT_TRUE(defaults.setObject("flag", true));
    EXPECT_TRUE(QFile::exists(path));
    EXPECT_TRUE(QFile::exists(defaults.setAsidePath()));
}

TEST(UserDefaults, RootThatIsNoDictionaryCountsAsCorrupt)
{
    const QString path = freshPath();
    QDir().mkpath(QFileInfo(path).absolutePath());
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("<?xml version=\"1.0\"?><plist version=\"1.0\"><array><true/></array></plist>");
    }
    UserDefaults defaults(path);
    EXPECT_TRUE(defaults.dictionaryRepresentation().isEmpty());
    EXPECT_FALSE(defaults.setAsidePath().isEmpty());
}

TEST(UserDefaults, CrashBetweenWriteAndRenameKeepsTheOldFile)
{
    const QString path = freshPath();
    {
        UserDefaults defaults(path);
        defaults.setObject("size", quint64(4096));
    }
    // A crash after writing the temporary file but before the rename leaves a
    // stray temporary file next to the intact old one.
    QFile stray(path + QStringLiteral(".XyZ123"));
    ASSERT_TRUE(stray.open(QIODevice::WriteOnly));
    stray.write("<plist><dict><key>size</key><integer>1");
    stray.close();

    UserDefaults reloaded(path);
    EXPECT_EQ(reloaded.unsignedValue("size"), 4096u);
    EXPECT_TRUE(reloaded.setAsidePath().isEmpty());
}

TEST(UserDefaults, ReadOnlyModeNeverWritesTheFile)
{
    const QString path = freshPath();
    {
        UserDefaults defaults(path);
        defaults.setObject("size", quint64(10));
    }
    const QByteArray before = [&] { QFile f(path); f.open(QIODevice::ReadOnly); return f.readAll(); }();
    UserDefaults defaults(freshPath());
    defaults.setFilePath(path, true);
    EXPECT_EQ(defaults.unsignedValue("size"), 10u);
    EXPECT_TRUE(defaults.setObject("size", quint64(20)));
    EXPECT_EQ(defaults.unsignedValue("size"), 20u);
    QFile after(path);
    ASSERT_TRUE(after.open(QIODevice::ReadOnly));
    EXPECT_EQ(after.readAll(), before);
}

TEST(UserDefaults, ConcurrentWritersLoseNothing)
{
    const QString path = freshPath();
    UserDefaults defaults(path);
    std::vector<std::unique_ptr<QThread>> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back(QThread::create([&defaults, t] {
            for (int i = 0; i < 25; ++i)
                defaults.setObject(QStringLiteral("k%1_%2").arg(t).arg(i), i);
        }));
        threads.back()->start();
    }
    for (auto &thread : threads)
        thread->wait();
    UserDefaults reloaded(path);
    EXPECT_EQ(reloaded.dictionaryRepresentation().size(), 100);
}

TEST(UserDefaults, ASettingsFileThatIsNoRegularFileNeverBlocksTheStart)
{
    struct Case
    {
        const char *name;
        std::function<void(const QString &path)> make;
    };
    const Case cases[] = {
        {"FIFO", [](const QString &path) { ASSERT_EQ(::mkfifo(QFile::encodeName(path).constData(), 0600), 0); }},
        {"link to an endless device", [](const QString &path) { ASSERT_TRUE(QFile::link("/dev/zero", path)); }},
        {"nested far too deep", [](const QString &path) {
             QFile file(path);
             ASSERT_TRUE(file.open(QIODevice::WriteOnly));
             file.write("<plist version=\"1.0\">" + QByteArray("<array>").repeated(100000)
                        + QByteArray("</array>").repeated(100000) + "</plist>");
         }},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = freshPath();
        QDir().mkpath(QFileInfo(path).absolutePath());
        c.make(path);
        UserDefaults defaults(path);
        EXPECT_TRUE(defaults.dictionaryRepresentation().isEmpty());
        // Read-only, the same file is left where it is.
        const QString other = freshPath();
        QDir().mkpath(QFileInfo(other).absolutePath());
        c.make(other);
        UserDefaults readOnly(other, true);
        EXPECT_TRUE(readOnly.dictionaryRepresentation().isEmpty());
        EXPECT_TRUE(readOnly.setAsidePath().isEmpty());
        EXPECT_TRUE(QFileInfo(other).exists() || QFileInfo(other).isSymLink());
    }
}

TEST(UserDefaults, AFileNestedPastTheParsersStackIsSetAside)
{
    const QByteArray lists[] = {NestedLists::xmlArrays(NestedLists::crashingXmlDepth),
                                NestedLists::binaryArrays(NestedLists::crashingBinaryDepth)};
    for (const QByteArray &list : lists) {
        SCOPED_TRACE(list.left(8).constData());
        const QString path = freshPath();
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_EQ(file.write(list), list.size());
        file.close();
        // Loaded in a child process, which leaves by _exit so that no exit
        // handler removes the test's temporary folders: such a file used to
        // crash the program at every start.
        EXPECT_EXIT(
            {
                UserDefaults defaults(path);
                ::_exit(defaults.dictionaryRepresentation().isEmpty() && !defaults.setAsidePath().isEmpty() ? 0 : 1);
            },
            ::testing::ExitedWithCode(0), "");
        EXPECT_FALSE(QFile::exists(path));
        const QStringList aside = QDir(QFileInfo(path).absolutePath()).entryList({"defaults.plist.unreadable-*"});
        ASSERT_EQ(aside.size(), 1);
        QFile kept(QFileInfo(path).absolutePath() + "/" + aside.first());
        ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
        EXPECT_EQ(kept.readAll(), list);
        // The program goes on from the defaults and writes a fresh file.
        UserDefaults defaults(path);
        EXPECT_TRUE(defaults.setObject("flag", true));
        EXPECT_EQ(UserDefaults(path).boolValue("flag"), true);
    }
}
