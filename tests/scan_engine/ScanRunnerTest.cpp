#include "ScanFixture.h"
#include "../platform/NestedLists.h"

#include <PropertyList.h>
#include <TestEnvironment.h>

#include <QFile>
#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>

#include <gtest/gtest.h>

#include <algorithm>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace ScanFixture;

namespace {

struct RunnerResult
{
    int exitCode = -1;
    QStringList lines;
    QString errors;
};

// The runner, with at most that many open descriptors when given, and the
// environment when given.
RunnerResult runRunner(const QStringList &arguments, int descriptorLimit = 0,
                       const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment())
{
    QProcess process;
    process.setProcessEnvironment(environment);
    if (descriptorLimit > 0) {
        process.setChildProcessModifier([descriptorLimit] {
            const struct rlimit limit {rlim_t(descriptorLimit), rlim_t(descriptorLimit)};
            ::setrlimit(RLIMIT_NOFILE, &limit);
        });
    }
    process.start(QStringLiteral(TWINMOOR_SCAN_RUNNER), arguments);
    EXPECT_TRUE(process.waitForFinished(60000));
    RunnerResult result;
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.lines = QString::fromUtf8(process.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    result.errors = QString::fromUtf8(process.readAllStandardError());
    return result;
}

// The file names of a JSON array of paths, as bytes: "\\udcXX" is the byte XX.
QList<QByteArray> decodePaths(const QByteArray &array)
{
    QList<QByteArray> paths;
    QByteArray current;
    bool inString = false;
    for (qsizetype i = 0; i < array.size(); ++i) {
        const char c = array.at(i);
        if (!inString) {
            if (c == '"') {
                inString = true;
                current.clear();
            }
            continue;
        }
        if (c == '"') {
            inString = false;
            paths.append(current);
        } else if (c == '\\') {
            const char next = array.at(++i);
            if (next == 'u') {
                const QByteArray hex = array.mid(i + 1, 4);
                i += 4;
                const int unit = hex.toInt(nullptr, 16);
                if (unit >= 0xDC80 && unit <= 0xDCFF)
                    current.append(char(unit - 0xDC00));
                else
                    current.append(QString(QChar(char16_t(unit))).toUtf8());
            } else {
                current.append(next == 'n' ? '\n' : next == 't' ? '\t' : next == 'r' ? '\r' : next);
            }
        } else {
            current.append(c);
        }
    }
    return paths;
}

QString writeSettings(const QVariantMap &values)
{
    const QString path = TestEnvironment::makeTemporaryFolder("runner-settings") + "/defaults.plist";
    writeFile(path, PropertyList::toData(values));
    return path;
}

} // namespace

TEST(ScanRunner, PrintsGroupsThenASummary)
{
    const QString root = TestEnvironment::makeTemporaryFolder("runner");
    const QByteArray photo = uniqueBytes(3000);
    writeFile(root + "/a/one.jpg", photo);
    writeFile(root + "/b/\"quoted\" two.jpg", photo);
    const QByteArray text = uniqueBytes(2000);
    writeFile(root + "/c.txt", text);
    writeFile(root + "/d.txt", text);
    writeFile(root + "/small.txt", "tiny");
    writeFile(root + "/small2.txt", "tiny");
    const QString settings = writeSettings({{"MinimumFileSizeTMR", quint64(1024)}});

    const RunnerResult result = runRunner({"--no-pause", "--settings", settings, root});
    EXPECT_EQ(result.exitCode, 0) << result.errors.toStdString();
    EXPECT_EQ(result.lines,
              QStringList({"{\"category\":\"Photos\",\"paths\":[\"" + root + "/a/one.jpg\",\"" + root
                                   + "/b/\\\"quoted\\\" two.jpg\"],\"bytes\":6000}",
                           "{\"category\":\"Documents\",\"paths\":[\"" + root + "/c.txt\",\"" + root
                                   + "/d.txt\"],\"bytes\":4000}",
                           "{\"completed\":true,\"groups\":2,\"files\":4,\"bytes\":10000,\"unreadable\":0}"}));

    // The runner reads the settings file but never writes it.
    QFile file(settings);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(PropertyList::fromData(file.readAll())->toMap().size(), 1);
}

TEST(ScanRunner, ExitStatusTable)
{
    const QString empty = TestEnvironment::makeTemporaryFolder("runner-empty");
    writeFile(empty + "/only.txt", uniqueBytes(3000));
    const QString broken = TestEnvironment::makeTemporaryFolder("runner-broken") + "/defaults.plist";
    writeFile(broken, "not a property list");

    struct Case { const char *name; QStringList arguments; int exitCode; };
    const Case cases[] = {
        {"no groups", {"--no-pause", empty}, 1},
        {"no root", {"--no-pause"}, 2},
        {"unknown option", {"--fast", empty}, 2},
        {"settings file missing its name", {"--settings"}, 2},
        {"unreadable settings file", {"--settings", broken, empty}, 2},
        {"missing settings file", {"--settings", empty + "/nothing.plist", empty}, 2},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const RunnerResult result = runRunner(c.arguments);
        EXPECT_EQ(result.exitCode, c.exitCode);
        if (c.exitCode == 2) {
            EXPECT_TRUE(result.lines.isEmpty());
            EXPECT_TRUE(result.errors.startsWith("twinmoor-scan: ")) << result.errors.toStdString();
        } else {
            EXPECT_EQ(result.lines.last(), "{\"completed\":false,\"groups\":0,\"files\":0,\"bytes\":0,\"unreadable\":0}");
        }
    }
}

TEST(ScanRunner, EveryPairIsFoundWithFewDescriptors)
{
    const QString root = TestEnvironment::makeTemporaryFolder("runner-descriptors");
    for (int i = 0; i < 400; ++i) {
        const QByteArray bytes = uniqueBytes(2000 + i % 7);
        writeFile(root + QStringLiteral("/a/%1.bin").arg(i), bytes);
        writeFile(root + QStringLiteral("/b/%1.bin").arg(i), bytes);
    }
    const RunnerResult result = runRunner({"--no-pause", root}, 60);
    EXPECT_EQ(result.exitCode, 0) << result.errors.toStdString();
    ASSERT_FALSE(result.lines.isEmpty());
    qint64 bytes = 0;
    for (int i = 0; i < 400; ++i)
        bytes += 2 * (2000 + i % 7);
    EXPECT_EQ(result.lines.last(),
              QStringLiteral("{\"completed\":true,\"groups\":400,\"files\":800,\"bytes\":%1,\"unreadable\":0}").arg(bytes));
}

TEST(ScanRunner, NamesThatAreNotUtf8AreGroupedAndPrintedInTheirOwnBytes)
{
    const QByteArray root = QFile::encodeName(TestEnvironment::makeTemporaryFolder("runner-bytes"));
    const QByteArray names[] = {
        root + "/caf\xe9.txt",           // Latin-1 e acute: not UTF-8
        root + "/caf\xc3\xa9.txt",       // the same name in UTF-8
        root + "/line\nbreak.txt",
        root + "/\xff\xfe dir/\x80.txt", // a folder and a file with stray bytes
    };
    const QByteArray same = uniqueBytes(3000);
    for (const QByteArray &name : names) {
        const QByteArray folder = name.left(name.lastIndexOf('/'));
        ::mkdir(folder.constData(), 0755);
        const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ASSERT_GE(fd, 0) << name.constData();
        ASSERT_EQ(::write(fd, same.constData(), size_t(same.size())), same.size());
        ::close(fd);
    }
    QProcess process;
    process.start(QStringLiteral(TWINMOOR_SCAN_RUNNER), {"--no-pause", QFile::decodeName(root)});
    ASSERT_TRUE(process.waitForFinished(60000));
    const QList<QByteArray> lines = process.readAllStandardOutput().split('\n');
    ASSERT_GE(lines.size(), 2);
    EXPECT_TRUE(lines.at(1).startsWith("{\"completed\":true,\"groups\":1,\"files\":4,")) << lines.at(1).constData();
    EXPECT_TRUE(lines.at(1).endsWith(",\"unreadable\":0}")) << lines.at(1).constData();
    // Every byte that is not UTF-8 is escaped; the output itself is valid UTF-8.
    EXPECT_TRUE(lines.at(0).contains("caf\\udce9.txt")) << lines.at(0).constData();
    EXPECT_TRUE(QString::fromUtf8(lines.at(0)).toUtf8() == lines.at(0));
    const qsizetype open = lines.at(0).indexOf('[');
    const QList<QByteArray> paths = decodePaths(lines.at(0).mid(open, lines.at(0).lastIndexOf(']') - open + 1));
    // Each printed path names exactly one of the files, and opens as it.
    QList<QByteArray> expected(std::begin(names), std::end(names));
    QList<QByteArray> sortedPaths = paths;
    std::sort(expected.begin(), expected.end());
    std::sort(sortedPaths.begin(), sortedPaths.end());
    EXPECT_EQ(sortedPaths, expected);
    for (const QByteArray &path : paths) {
        const int fd = ::open(path.constData(), O_RDONLY);
        EXPECT_GE(fd, 0) << path.constData();
        if (fd >= 0)
            ::close(fd);
    }
}

TEST(ScanRunner, HostileSettingsFilesAreRefusedAndTheUsersFileIsLeftAlone)
{
    const QString folder = TestEnvironment::makeTemporaryFolder("runner-hostile");
    writeFile(folder + "/only.txt", uniqueBytes(3000));
    const QString fifo = folder + "/fifo.plist";
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString nested = folder + "/nested.plist";
    writeFile(nested, "<plist version=\"1.0\">" + QByteArray("<array>").repeated(100000)
                              + QByteArray("</array>").repeated(100000) + "</plist>");
    // The user's own settings file, damaged: only the program itself may set it aside.
    const QString userFile = qEnvironmentVariable("XDG_CONFIG_HOME") + "/twinmoor/defaults.plist";
    ASSERT_FALSE(userFile.startsWith("/twinmoor"));
    writeFile(userFile, "damaged");
    const QString valid = writeSettings({{"MinimumFileSizeTMR", quint64(1024)}});

    struct Case
    {
        const char *name;
        QStringList arguments;
        int exitCode;
    };
    const Case cases[] = {
        {"FIFO as settings", {"--settings", fifo, folder}, 2},
        {"endless device as settings", {"--settings", "/dev/zero", folder}, 2},
        {"nested far too deep", {"--settings", nested, folder}, 2},
        {"valid settings", {"--no-pause", "--settings", valid, folder}, 1},
        {"no settings: the user's file is only read", {"--no-pause", folder}, 1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const RunnerResult result = runRunner(c.arguments);
        EXPECT_EQ(result.exitCode, c.exitCode) << result.errors.toStdString();
        QFile file(userFile);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_EQ(file.readAll(), "damaged");
        EXPECT_EQ(QDir(QFileInfo(userFile).absolutePath()).entryList(QDir::Files), QStringList{"defaults.plist"});
    }
    QFile::remove(userFile);
}

TEST(ScanRunner, ListsNestedPastTheParsersStackAreUnreadableWherever)
{
    struct List
    {
        const char *name;
        QByteArray data;
    };
    const List lists[] = {
        {"XML", NestedLists::xmlArrays(NestedLists::crashingXmlDepth)},
        {"binary", NestedLists::binaryArrays(NestedLists::crashingBinaryDepth)},
    };
    const QString userFile = qEnvironmentVariable("XDG_CONFIG_HOME") + "/twinmoor/defaults.plist";
    ASSERT_FALSE(userFile.startsWith("/twinmoor"));
    for (const List &list : lists) {
        SCOPED_TRACE(list.name);
        const QString folder = TestEnvironment::makeTemporaryFolder("runner-nested");
        writeFile(folder + "/only.txt", uniqueBytes(3000));
        const QString settings = folder + "/settings.plist";
        writeFile(settings, list.data);

        // Given as the settings: refused with a message.
        const RunnerResult given = runRunner({"--no-pause", "--settings", settings, folder});
        EXPECT_EQ(given.exitCode, 2) << given.errors.toStdString();
        EXPECT_TRUE(given.errors.startsWith("twinmoor-scan: cannot read the settings file")) << given.errors.toStdString();
        EXPECT_TRUE(given.lines.isEmpty());

        // The user's own file: the runner goes on from the defaults and
        // leaves the file as it is.
        writeFile(userFile, list.data);
        const RunnerResult own = runRunner({"--no-pause", folder});
        EXPECT_EQ(own.exitCode, 1) << own.errors.toStdString();
        EXPECT_EQ(own.lines, QStringList{"{\"completed\":false,\"groups\":0,\"files\":0,\"bytes\":0,\"unreadable\":0}"});
        QFile file(userFile);
        EXPECT_TRUE(file.open(QIODevice::ReadOnly) && file.readAll() == list.data);
        EXPECT_EQ(QDir(QFileInfo(userFile).absolutePath()).entryList(QDir::Files), QStringList{"defaults.plist"});
        QFile::remove(userFile);
    }

    // A bundle whose information list is nested that deep is a bundle whose
    // list cannot be read: no identifier, no group.
    const List infoLists[] = {
        {"unreadable list", "not a property list"},
        {"XML list", lists[0].data},
        {"binary list", lists[1].data},
    };
    for (const List &info : infoLists) {
        SCOPED_TRACE(info.name);
        const QString root = TestEnvironment::makeTemporaryFolder("runner-bundles");
        writeFile(root + "/One.app/Contents/Info.plist", info.data);
        writeFile(root + "/Two.app/Contents/Info.plist", info.data);
        const QByteArray same = uniqueBytes(3000);
        writeFile(root + "/a.bin", same);
        writeFile(root + "/b.bin", same);
        const RunnerResult result = runRunner({"--no-pause", root});
        EXPECT_EQ(result.exitCode, 0) << result.errors.toStdString();
        EXPECT_EQ(result.lines,
                  QStringList({"{\"category\":\"Others\",\"paths\":[\"" + root + "/a.bin\",\"" + root + "/b.bin\"],\"bytes\":6000}",
                               "{\"completed\":true,\"groups\":1,\"files\":2,\"bytes\":6000,\"unreadable\":0}"}));
    }
}

TEST(ScanRunner, TheTrashOfADataHomeOutsideTheHomeFolderIsLeftOut)
{
    // With nothing stored, the default ignore list applies: it names the
    // data home in use and the Trash in it, wherever they are.
    const QString root = TestEnvironment::makeTemporaryFolder("runner-data-home");
    const QByteArray trashed = uniqueBytes(3000);
    writeFile(root + "/data/Trash/files/one.txt", trashed);
    writeFile(root + "/data/Trash/files/two.txt", trashed);
    const QByteArray application = uniqueBytes(3000);
    writeFile(root + "/data/someapp/state.txt", application);
    writeFile(root + "/data/otherapp/state.txt", application);
    const QByteArray kept = uniqueBytes(3000);
    writeFile(root + "/documents/a.txt", kept);
    writeFile(root + "/documents/b.txt", kept);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("XDG_DATA_HOME", root + "/data");
    environment.insert("XDG_CONFIG_HOME", root + "/config");

    const RunnerResult result = runRunner({"--no-pause", root}, 0, environment);
    EXPECT_EQ(result.exitCode, 0) << result.errors.toStdString();
    EXPECT_EQ(result.lines,
              QStringList({"{\"category\":\"Documents\",\"paths\":[\"" + root + "/documents/a.txt\",\"" + root
                                   + "/documents/b.txt\"],\"bytes\":6000}",
                           "{\"completed\":true,\"groups\":1,\"files\":2,\"bytes\":6000,\"unreadable\":0}"}));
}

TEST(ScanRunner, EverySkippedRootIsReportedAndStandardOutputStaysJson)
{
    const QString folder = TestEnvironment::makeTemporaryFolder("runner-skipped");
    const QByteArray same = uniqueBytes(3000);
    writeFile(folder + "/disk/a.txt", same);
    writeFile(folder + "/disk/b.txt", same);
    QDir().mkpath(folder + "/ignored");
    // A library without a database: skipped with a message, never on standard output.
    QDir().mkpath(folder + "/Empty.photoslibrary/Masters");
    ASSERT_EQ(::mkfifo(QFile::encodeName(folder + "/pipe").constData(), 0600), 0);
    const QString settings = writeSettings({{"IgnorePathsTMR", QStringList{folder + "/ignored"}},
                                            {"kIgnorePathsStateTMR", QVariantList{true}},
                                            {"IgnoreExtensionsTMR", QStringList{"xyz"}}});

    const RunnerResult result = runRunner({"--no-pause", "--settings", settings, "", folder + "/missing",
                                           folder + "/pipe", folder + "/ignored", folder + "/Empty.photoslibrary",
                                           folder + "/disk"});
    EXPECT_EQ(result.exitCode, 0) << result.errors.toStdString();
    for (const QString &line : result.lines) {
        QJsonParseError error;
        QJsonDocument::fromJson(line.toUtf8(), &error);
        EXPECT_EQ(error.error, QJsonParseError::NoError) << line.toStdString();
    }
    EXPECT_EQ(result.lines.size(), 2);
    for (const QString &root : {QString(), folder + "/missing", folder + "/pipe", folder + "/ignored"})
        EXPECT_TRUE(result.errors.contains("skipped \"" + root + "\": ")) << root.toStdString() << "\n" << result.errors.toStdString();
    EXPECT_TRUE(result.errors.contains("Photos library")) << result.errors.toStdString();
    EXPECT_FALSE(result.errors.contains("skipped \"" + folder + "/disk\""));
}

TEST(ScanRunner, FoldersTooDeepToEnterAreCounted)
{
    const QString root = TestEnvironment::makeTemporaryFolder("runner-deep");
    const QByteArray same = uniqueBytes(3000);
    writeFile(root + "/top.bin", same);
    // A pair at the bottom of a tree deeper than the descriptors allow, and
    // one whose path is longer than any path the system accepts.
    const auto buildDown = [&](const QByteArray &first, const QByteArray &component, int levels) {
        int fd = ::open(QFile::encodeName(root).constData(), O_RDONLY | O_DIRECTORY);
        ASSERT_GE(fd, 0);
        for (int level = 0; level < levels; ++level) {
            const QByteArray name = level == 0 ? first : component;
            ASSERT_EQ(::mkdirat(fd, name.constData(), 0755), 0);
            const int next = ::openat(fd, name.constData(), O_RDONLY | O_DIRECTORY);
            ::close(fd);
            ASSERT_GE(next, 0);
            fd = next;
        }
        const int file = ::openat(fd, "bottom.bin", O_WRONLY | O_CREAT, 0644);
        ASSERT_EQ(::write(file, same.constData(), size_t(same.size())), same.size());
        ::close(file);
        ::close(fd);
    };
    buildDown("deep", "d", 120);
    buildDown("long", QByteArray(250, 'n'), 20);

    const RunnerResult result = runRunner({"--no-pause", root}, 64);
    ASSERT_FALSE(result.lines.isEmpty()) << result.errors.toStdString();
    const QJsonObject summary = QJsonDocument::fromJson(result.lines.last().toUtf8()).object();
    // Whatever could not be reached is counted: the run never looks complete
    // while it left files out.
    // Each copy is either in the group or counted (top.bin alone forms none).
    const int files = summary.value("files").toInt();
    const int unreadable = summary.value("unreadable").toInt();
    EXPECT_GE(std::max(files, 1) + unreadable, 3) << result.lines.last().toStdString();
    EXPECT_EQ(summary.value("completed").toBool(), files >= 2) << result.lines.last().toStdString();
}
