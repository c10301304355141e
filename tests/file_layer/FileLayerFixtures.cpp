#include "FileLayerFixtures.h"

#include "TestEnvironment.h"

#include <PropertyList.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QVariantMap>

#include <gtest/gtest.h>

#include <cstdio>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Fixtures {

void writeFile(const QString &path, const QByteArray &contents)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    ASSERT_EQ(file.write(contents), contents.size());
}

QByteArray patternBytes(qint64 size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    quint32 state = 2463534242u;
    for (qint64 i = 0; i < size; ++i) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        bytes[i] = char(state & 0xff);
    }
    return bytes;
}

void makeFolder(const QString &path)
{
    ASSERT_TRUE(QDir().mkpath(path)) << path.toStdString();
}

void makeSymlink(const QString &target, const QString &linkPath)
{
    ASSERT_EQ(::symlink(QFile::encodeName(target).constData(), QFile::encodeName(linkPath).constData()), 0);
}

void makeFifo(const QString &path)
{
    ASSERT_EQ(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
}

void writeBundle(const QString &bundlePath, const QString &identifier, bool binary)
{
    const QVariantMap info{{QStringLiteral("CFBundleIdentifier"), identifier},
                           {QStringLiteral("CFBundleName"), QFileInfo(bundlePath).completeBaseName()}};
    writeFile(bundlePath + QStringLiteral("/Contents/Info.plist"),
              PropertyList::toData(info, binary ? PropertyList::Format::Binary : PropertyList::Format::Xml));
}

} // namespace Fixtures

StreamCapture::StreamCapture(int fd)
    : m_fd(fd), m_path(TestEnvironment::makeTemporaryFolder(QStringLiteral("capture")) + QStringLiteral("/stream"))
{
    std::fflush(nullptr);
    const int file = ::open(QFile::encodeName(m_path).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (file < 0)
        return;
    m_saved = ::dup(m_fd);
    ::dup2(file, m_fd);
    ::close(file);
}

StreamCapture::~StreamCapture()
{
    finish();
}

QString StreamCapture::finish()
{
    if (m_saved < 0)
        return {};
    std::fflush(nullptr);
    ::dup2(m_saved, m_fd);
    ::close(m_saved);
    m_saved = -1;
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll());
}
