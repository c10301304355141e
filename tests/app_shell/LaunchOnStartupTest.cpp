#include "TestEnvironment.h"

#include <KRBObjectiveCMethods.h>
#include <LaunchOnStartup.h>
#include <LoginItems.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

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

    LaunchOnStartup::executablePath() = QStringLiteral("/elsewhere/twinmoor");
    LaunchOnStartup::setLaunchAtStartup(true);
    ASSERT_TRUE(entry.open(QIODevice::ReadOnly));
    EXPECT_EQ(entry.readAll(), first);
    entry.close();
    EXPECT_EQ(QDir(QFileInfo(foreignEntry()).absolutePath()).entryList(QDir::Files).size(), 2);

    LaunchOnStartup::setLaunchAtStartup(false);
    EXPECT_FALSE(QFile::exists(LoginItems::autostartEntryPath()));
    EXPECT_TRUE(QFile::exists(foreignEntry()));
    // Nothing left to take away: the second removal finds nothing.
    LaunchOnStartup::setLaunchAtStartup(false);
    EXPECT_FALSE(KRBObjectiveCMethods().itemRefInLoginItems().has_value());
    EXPECT_TRUE(QFile::exists(foreignEntry()));
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
