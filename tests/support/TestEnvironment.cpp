#include "TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdlib>
#include <memory>

namespace {

std::unique_ptr<QTemporaryDir> temporaryRoot;
int folderCounter = 0;

void setVariable(const char *name, const QString &value)
{
    QDir().mkpath(value);
    setenv(name, value.toLocal8Bit().constData(), 1);
}

} // namespace

namespace TestEnvironment {

void setUp()
{
    temporaryRoot = std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/twinmoor-test-XXXXXX"));
    const QString base = temporaryRoot->path();
    setVariable("HOME", base + QStringLiteral("/home"));
    setVariable("XDG_CONFIG_HOME", base + QStringLiteral("/home/.config"));
    setVariable("XDG_DATA_HOME", base + QStringLiteral("/home/.local/share"));
    setVariable("XDG_CACHE_HOME", base + QStringLiteral("/home/.cache"));
    setVariable("XDG_RUNTIME_DIR", base + QStringLiteral("/runtime"));
    QFile::setPermissions(base + QStringLiteral("/runtime"), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

QString root()
{
    return temporaryRoot ? temporaryRoot->path() : QString();
}

QString makeTemporaryFolder(const QString &prefix)
{
    const QString path = root() + QStringLiteral("/%1-%2").arg(prefix).arg(++folderCounter);
    QDir(path).removeRecursively();
    QDir().mkpath(path);
    return path;
}

QString renderDirectory()
{
    QString directory = qEnvironmentVariable("TWINMOOR_RENDER_DIR");
    if (directory.isEmpty())
        directory = QDir::currentPath() + QStringLiteral("/renders");
    QDir().mkpath(directory);
    return directory;
}

} // namespace TestEnvironment
