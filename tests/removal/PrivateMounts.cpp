#include "PrivateMounts.h"

#include <TestEnvironment.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>

#include <sched.h>
#include <sys/mount.h>
#include <unistd.h>

QString PrivateMounts::s_refused;

void PrivateMounts::SetUpTestSuite()
{
    if (::unshare(CLONE_NEWNS) != 0)
        s_refused = QStringLiteral("unshare(CLONE_NEWNS): %1").arg(QString::fromLocal8Bit(std::strerror(errno)));
    else if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
        s_refused = QStringLiteral("making the mounts private: %1").arg(QString::fromLocal8Bit(std::strerror(errno)));
}

void PrivateMounts::SetUp()
{
    if (!s_refused.isEmpty())
        GTEST_SKIP() << "mounts cannot be made here (" << s_refused.toStdString()
                     << "); run the test as root to check removals across mounts";
    m_base = TestEnvironment::makeTemporaryFolder("mounts");
}

void PrivateMounts::TearDown()
{
    unmountAll();
}

void PrivateMounts::unmountAll()
{
    for (auto it = m_mounts.crbegin(); it != m_mounts.crend(); ++it)
        ::umount2(QFile::encodeName(*it).constData(), MNT_DETACH);
    m_mounts.clear();
}

QString PrivateMounts::mountInside(const QString &source, const QString &target, bool bind)
{
    const QByteArray from = QFile::encodeName(source);
    const QByteArray to = QFile::encodeName(target);
    if (!bind && !QDir().mkpath(target))
        return QStringLiteral("the folder cannot be made");
    const int result = bind ? ::mount(from.constData(), to.constData(), nullptr, MS_BIND, nullptr)
                            : ::mount("tmpfs", to.constData(), "tmpfs", 0, "size=4m");
    if (result != 0)
        return QString::fromLocal8Bit(std::strerror(errno));
    m_mounts.append(target);
    return {};
}

QString PrivateMounts::moveMount(const QString &from, const QString &to)
{
    if (::mount(QFile::encodeName(from).constData(), QFile::encodeName(to).constData(), nullptr, MS_MOVE, nullptr) != 0)
        return QString::fromLocal8Bit(std::strerror(errno));
    if (const qsizetype index = m_mounts.indexOf(from); index >= 0)
        m_mounts.replace(index, to);
    return {};
}

QString PrivateMounts::mountOverlay(const QString &lower, const QString &upper, const QString &target,
                                    bool relativeLayers)
{
    const QString work = upper + ".work";
    if (!QDir().mkpath(work) || !QDir().mkpath(target))
        return QStringLiteral("the overlay's folders cannot be made");
    QString from;
    if (relativeLayers) {
        from = QFileInfo(target).absolutePath();
        if (::chdir(QFile::encodeName(from).constData()) != 0)
            return QString::fromLocal8Bit(std::strerror(errno));
    }
    const auto layer = [&](const QString &folder) {
        return relativeLayers ? QDir(from).relativeFilePath(folder) : folder;
    };
    const QByteArray options = QFile::encodeName(
        QStringLiteral("lowerdir=%1,upperdir=%2,workdir=%3").arg(layer(lower), layer(upper), layer(work)));
    const int result = ::mount("overlay", QFile::encodeName(target).constData(), "overlay", 0, options.constData());
    const int error = errno;
    if (relativeLayers && ::chdir("/") != 0)
        return QString::fromLocal8Bit(std::strerror(errno));
    if (result != 0)
        return QString::fromLocal8Bit(std::strerror(error));
    m_mounts.append(target);
    return {};
}
