#include "FileReveal.h"

#include <NativePath.h>

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusReply>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QUrl>

namespace {

constexpr const char kService[] = "org.freedesktop.FileManager1";
constexpr const char kPath[] = "/org/freedesktop/FileManager1";
constexpr const char kInterface[] = "org.freedesktop.FileManager1";

FileReveal::Handler &handler()
{
    static FileReveal::Handler current;
    return current;
}

bool openFolder(const QString &folder)
{
    if (folder.isEmpty())
        return false;
    // QUrl keeps an escaped byte that is not UTF-8 as it is; made from the
    // text, the name would reach the desktop re-encoded.
    return QDesktopServices::openUrl(QUrl::fromEncoded(FileReveal::fileUri(folder), QUrl::StrictMode));
}

// The folder that holds the item; the item itself when it has no parent.
QString containingFolder(const QString &path)
{
    const QString parent = QFileInfo(path).absolutePath();
    return parent.isEmpty() ? path : parent;
}

bool fileManagerOnBus(const QDBusConnection &bus)
{
    if (!bus.isConnected() || !bus.interface())
        return false;
    QDBusConnectionInterface *names = bus.interface();
    if (names->isServiceRegistered(QString::fromLatin1(kService)))
        return true;
    // A file manager that the bus starts on demand counts as well.
    const QDBusReply<QStringList> activatable = names->activatableServiceNames();
    return activatable.isValid() && activatable.value().contains(QString::fromLatin1(kService));
}

bool showItem(const QString &path)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!fileManagerOnBus(bus))
        return openFolder(containingFolder(path));

    QDBusMessage call = QDBusMessage::createMethodCall(QString::fromLatin1(kService), QString::fromLatin1(kPath),
                                                       QString::fromLatin1(kInterface), QStringLiteral("ShowItems"));
    call << QStringList{QString::fromLatin1(FileReveal::fileUri(path))} << QString();
    // The answer comes later: a file manager that fails to show the item
    // leaves the user the folder instead, and the interface never waits.
    auto *watcher = new QDBusPendingCallWatcher(bus.asyncCall(call), nullptr);
    const QString folder = containingFolder(path);
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, [folder](QDBusPendingCallWatcher *finished) {
        if (finished->isError())
            openFolder(folder);
        finished->deleteLater();
    });
    return true;
}

} // namespace

namespace FileReveal {

bool selectFile(const QString &path, const QString &rootedAt)
{
    if (handler())
        return handler()(path, rootedAt);
    if (path.isEmpty())
        return openFolder(rootedAt);
    return showItem(QDir::cleanPath(QFileInfo(path).absoluteFilePath()));
}

QByteArray fileUri(const QString &path)
{
    if (path.isEmpty())
        return {};
    return QByteArrayLiteral("file://") + NativePath::encode(path).toPercentEncoding("/");
}

void setHandler(Handler replacement)
{
    handler() = std::move(replacement);
}

} // namespace FileReveal
