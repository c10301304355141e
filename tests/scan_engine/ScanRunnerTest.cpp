#include "ScanFixture.h"

#include <PropertyList.h>
#include <TestEnvironment.h>

#include <QFile>
#include <QProcess>

#include <gtest/gtest.h>

using namespace ScanFixture;

namespace {

struct RunnerResult
{
    int exitCode = -1;
    QStringList lines;
    QString errors;
};

RunnerResult runRunner(const QStringList &arguments)
{
    QProcess process;
    process.start(QStringLiteral(TWINMOOR_SCAN_RUNNER), arguments);
    EXPECT_TRUE(process.waitForFinished(60000));
    RunnerResult result;
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.lines = QString::fromUtf8(process.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    result.errors = QString::fromUtf8(process.readAllStandardError());
    return result;
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
                           "{\"completed\":true,\"groups\":2,\"files\":4,\"bytes\":10000}"}));

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
            EXPECT_EQ(result.lines.last(), "{\"completed\":false,\"groups\":0,\"files\":0,\"bytes\":0}");
        }
    }
}
