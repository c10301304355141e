#include "TestEnvironment.h"

#include <KRBObjectiveCMethods.h>
#include <LaunchOnStartup.h>
#include <LoginItems.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QScopeGuard>

#include <gtest/gtest.h>

namespace {

// The Exec value of our entry, unescaped as a desktop reads it, split as
// the desktop splits it into arguments.
QStringList execArguments()
{
    QFile file(LoginItems::autostartEntryPath());
    if (!file.open(QIODevice::ReadOnly))
        return {};
    for (const QByteArray &raw : file.readAll().split('\n')) {
        const QString line = QString::fromUtf8(raw);
        if (!line.startsWith(QLatin1String("Exec=")))
            continue;
        QString value;
        const QString escaped = line.mid(5);
        for (qsizetype i = 0; i < escaped.size(); ++i) {
            if (escaped.at(i) == QLatin1Char('\\') && i + 1 < escaped.size())
                value += escaped.at(++i);
            else if (escaped.at(i) == QLatin1Char('%') && i + 1 < escaped.size() && escaped.at(i + 1) == QLatin1Char('%'))
                value += escaped.at(++i);
            else
                value += escaped.at(i);
        }
        // Exec quoting: inside "...", a backslash escapes " ` $ and itself.
        QStringList arguments;
        QString current;
        bool quoted = false;
        for (qsizetype i = 0; i < value.size(); ++i) {
            const QChar c = value.at(i);
            if (quoted && c == QLatin1Char('\\') && i + 1 < value.size())
                current += value.at(++i);
            else if (c == QLatin1Char('"'))
                quoted = !quoted;
            else if (c == QLatin1Char(' ') && !quoted)
                arguments.append(std::exchange(current, QString()));
            else
                current += c;
        }
        arguments.append(current);
        return arguments;
    }
    return {};
}

class LaunchOnStartupTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        QFile::remove(LoginItems::autostartEntryPath());
        saved = LaunchOnStartup::executablePath();
    }
    void TearDown() override
    {
        QFile::remove(LoginItems::autostartEntryPath());
        QFile::remove(foreignEntry());
        LaunchOnStartup::executablePath() = saved;
    }

    static QString foreignEntry() { return QFileInfo(LoginItems::autostartEntryPath()).absolutePath() + QStringLiteral("/other.desktop"); }

    QString saved;
};

TEST_F(LaunchOnStartupTest, EntryStartsExactlyThisExecutable)
{
    const QStringList paths{QStringLiteral("/opt/Twin moor/twinmoor"), QStringLiteral("/opt/100%/twinmoor"),
                            QStringLiteral("/opt/$HOME/`id`/twin\"moor")};
    for (const QString &path : paths) {
        SCOPED_TRACE(path.toStdString());
        QFile::remove(LoginItems::autostartEntryPath());
        LaunchOnStartup::executablePath() = path;
        LaunchOnStartup::setLaunchAtStartup(true);
        EXPECT_TRUE(LaunchOnStartup::itemReferencesInLoginItems().first.has_value());
        EXPECT_EQ(execArguments(), QStringList({path}));
    }
}

TEST_F(LaunchOnStartupTest, EnablingTwiceKeepsOneEntryAndDisablingLeavesOthersAlone)
{
    QDir().mkpath(QFileInfo(foreignEntry()).absolutePath());
    QFile other(foreignEntry());
    ASSERT_TRUE(other.open(QIODevice::WriteOnly));
    other.write("[Desktop Entry]\nType=Application\nExec=/usr/bin/other\n");
    other.close();

    LaunchOnStartup::executablePath() = QStringLiteral("/opt/twinmoor/twinmoor");
    LaunchOnStartup::setLaunchAtStartup(true);
    QFile entry(LoginItems::autostartEntryPath());
    ASSERT_TRUE(entry.open(QIODevice::ReadOnly));
    const QByteArray first = entry.readAll();
    entry.close();

    LaunchOnStartup::setLaunchAtStartup(true);
    ASSERT_TRUE(entry.open(QIODevice::ReadOnly));
    EXPECT_EQ(entry.readAll(), first);
    entry.close();
    EXPECT_EQ(QDir(QFileInfo(foreignEntry()).absolutePath()).entryList(QDir::Files).size(), 2);

    // Disabling takes our entry away whichever copy it starts.
    LaunchOnStartup::executablePath() = QStringLiteral("/elsewhere/twinmoor");
    LaunchOnStartup::setLaunchAtStartup(false);
    EXPECT_FALSE(QFile::exists(LoginItems::autostartEntryPath()));
    EXPECT_TRUE(QFile::exists(foreignEntry()));
    // Nothing left to take away: the second removal finds nothing.
    LaunchOnStartup::setLaunchAtStartup(false);
    EXPECT_FALSE(KRBObjectiveCMethods().itemRefInLoginItems().has_value());
    EXPECT_TRUE(QFile::exists(foreignEntry()));
}

// After the program was moved (or another copy wrote the entry), enabling
// points the entry at the running executable; an entry that already starts
// it, by whatever spelling, is left byte for byte.
TEST_F(LaunchOnStartupTest, AnEntryThatStartsAnotherExecutableIsPointedAtThisOne)
{
    const QString folder = TestEnvironment::makeTemporaryFolder(QStringLiteral("moved"));
    const QString running = folder + QStringLiteral("/new place/twin moor");
    QDir().mkpath(QFileInfo(running).absolutePath());
    QFile executable(running);
    ASSERT_TRUE(executable.open(QIODevice::WriteOnly));
    executable.close();
    executable.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const QString link = folder + QStringLiteral("/link");
    ASSERT_TRUE(QFile::link(running, link));
    const QString old = folder + QStringLiteral("/old place/twinmoor");

    // The running one quoted and escaped as the writer does it.
    const QByteArray runningExec = "\"" + folder.toUtf8() + "/new place/twin moor\"";
    struct Case
    {
        const char *name;
        QByteArray exec;
        bool rewritten;
    };
    const QList<Case> cases{
            {"another path", "\"" + old.toUtf8() + "\"", true},
            {"another path, unquoted", old.toUtf8(), true},
            {"another path with arguments", "\"" + old.toUtf8() + "\" --hidden %u", true},
            {"a bare name that is not on the search path", "twinmoor-not-installed", true},
            {"no program", "", true},
            {"this path", runningExec, false},
            {"this path with arguments", runningExec + " --hidden", false},
            {"this path with blanks escaped", "\"" + folder.toUtf8() + "/new\\splace/twin\\smoor\"", false},
            {"a link to this executable", link.toUtf8(), false},
            {"a bare name the search path finds", "\"twin moor\"", false},
    };
    const QByteArray searchPath = qgetenv("PATH");
    qputenv("PATH", QFileInfo(running).absolutePath().toUtf8());
    const auto restore = qScopeGuard([&searchPath] { qputenv("PATH", searchPath); });
    LaunchOnStartup::executablePath() = running;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        QDir().mkpath(QFileInfo(LoginItems::autostartEntryPath()).absolutePath());
        QFile entry(LoginItems::autostartEntryPath());
        ASSERT_TRUE(entry.open(QIODevice::WriteOnly));
        const QByteArray before = "[Desktop Entry]\nType=Application\nName=Twinmoor\nExec=" + c.exec + "\nX-Kept=1\n";
        entry.write(before);
        entry.close();

        LaunchOnStartup::setLaunchAtStartup(true);
        ASSERT_TRUE(entry.open(QIODevice::ReadOnly));
        const QByteArray after = entry.readAll();
        entry.close();
        if (c.rewritten) {
            EXPECT_EQ(execArguments(), QStringList({running}));
        } else {
            EXPECT_EQ(after, before);
        }
        EXPECT_TRUE(LoginItems::isLoginItem());
        EXPECT_TRUE(LoginItems::loginItemStarts(running));
    }
}

TEST_F(LaunchOnStartupTest, HiddenEntryIsNotInForceAndIsReplaced)
{
    QDir().mkpath(QFileInfo(LoginItems::autostartEntryPath()).absolutePath());
    QFile hidden(LoginItems::autostartEntryPath());
    ASSERT_TRUE(hidden.open(QIODevice::WriteOnly));
    hidden.write("[Desktop Entry]\nType=Application\nExec=/old/twinmoor\nHidden=true\n");
    hidden.close();
    EXPECT_FALSE(LaunchOnStartup::itemReferencesInLoginItems().first.has_value());

    LaunchOnStartup::executablePath() = QStringLiteral("/new/twinmoor");
    LaunchOnStartup::setLaunchAtStartup(true);
    EXPECT_EQ(execArguments(), QStringList({QStringLiteral("/new/twinmoor")}));
}

} // namespace
