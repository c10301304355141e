#include "UserInfo.h"

#include <QDir>

#include <pwd.h>
#include <unistd.h>

#include <vector>

namespace UserInfo {

QString userName()
{
    long size = sysconf(_SC_GETPW_R_SIZE_MAX);
    if (size <= 0)
        size = 16384;
    std::vector<char> buffer(static_cast<size_t>(size));
    passwd entry{};
    passwd *result = nullptr;
    if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &result) == 0 && result && result->pw_name)
        return QString::fromLocal8Bit(result->pw_name);
    return qEnvironmentVariable("USER");
}

QString homeDirectory()
{
    return QDir::homePath();
}

QString dataHomeDirectory()
{
    const QString dataHome = qEnvironmentVariable("XDG_DATA_HOME");
    if (!dataHome.isEmpty() && QDir::isAbsolutePath(dataHome))
        return QDir::cleanPath(dataHome);
    return homeDirectory() + QStringLiteral("/.local/share");
}

} // namespace UserInfo
