#include "UsageEvents.h"

#include "ServiceConfiguration.h"

#include <PropertyList.h>
#include <ProcessState.h>
#include <UserInfo.h>

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QMutexLocker>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QStandardPaths>

#include <algorithm>

namespace {

// Written once at launch, read by senders on any thread.
struct Identity
{
    QString clientID;
    QString campaignSource;
    QString systemVersion;
};

QMutex identityMutex;
Identity identity;

Identity currentIdentity()
{
    QMutexLocker locker(&identityMutex);
    return identity;
}

// Ties the hash to this program, so the identifier matches no other
// program's hash of the same address.
constexpr char kClientIDPrefix[] = "twinmoor-usage-events:";

constexpr int kEventTimeoutMs = 30000;

QString readFirstLine(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromLatin1(file.readLine(256)).trimmed();
}

// "00:1B:63:84:45:e6" as six bytes, each kept when it is one or two hex digits.
std::optional<QList<uint>> hardwareAddressBytes(const QString &text)
{
    const QStringList parts = text.split(QLatin1Char(':'));
    if (parts.size() < 6)
        return std::nullopt;
    QList<uint> bytes;
    for (qsizetype i = 0; i < 6; ++i) {
        bool ok = false;
        const uint value = parts[i].toUInt(&ok, 16);
        if (!ok || parts[i].size() > 2 || value > 0xff)
            return std::nullopt;
        bytes.append(value);
    }
    return bytes;
}

int inFlight = 0;

void postOnMainThread(const QUrl &url, const QByteArray &body)
{
    static QPointer<QNetworkAccessManager> manager;
    if (!manager)
        manager = new QNetworkAccessManager(QCoreApplication::instance());
    QNetworkRequest request(url);
    request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("application/x-www-form-urlencoded"));
    request.setTransferTimeout(kEventTimeoutMs);
    QNetworkReply *reply = manager->post(request, body);
    ++inFlight;
    // Fire and forget: the reply is only waited for so it can be freed.
    QObject::connect(reply, &QNetworkReply::finished, reply, [reply] {
        --inFlight;
        reply->deleteLater();
    });
}

QByteArray encoded(const QString &value)
{
    return QUrl::toPercentEncoding(value, QByteArrayLiteral(":"));
}

} // namespace

namespace UsageEvents {

QString primaryMACAddressText(const QString &networkInterfaces)
{
    QDir folder(networkInterfaces);
    QStringList names = folder.entryList(QDir::Dirs | QDir::System | QDir::NoDotAndDotDot | QDir::Hidden);
    std::sort(names.begin(), names.end(), [](const QString &a, const QString &b) { return a.toUtf8() < b.toUtf8(); });
    for (const QString &name : names) {
        const QString base = folder.filePath(name);
        // Type 1 is Ethernet; only hardware has a device link, which leaves
        // bridges, tunnels and virtual pairs out.
        if (readFirstLine(base + QStringLiteral("/type")) != QLatin1String("1"))
            continue;
        const QFileInfo device(base + QStringLiteral("/device"));
        if (!device.isSymLink() && !device.exists())
            continue;
        const auto bytes = hardwareAddressBytes(readFirstLine(base + QStringLiteral("/address")));
        if (!bytes || std::all_of(bytes->cbegin(), bytes->cend(), [](uint b) { return b == 0; }))
            continue;
        QStringList pairs;
        for (uint byte : *bytes)
            pairs.append(QStringLiteral("%1").arg(byte, 2, 16, QLatin1Char('0')));
        return pairs.join(QLatin1Char(':'));
    }
    return {};
}

QString clientIDFromAddress(const QString &macAddressText)
{
    if (macAddressText.isEmpty())
        return {};
    const QByteArray input = QByteArray(kClientIDPrefix) + macAddressText.toUtf8();
    return QString::fromLatin1(QCryptographicHash::hash(input, QCryptographicHash::Sha256).toHex());
}

QString campaignSourceFromFile(const QString &path)
{
    if (!QFileInfo(path).isFile())
        return {};
    const auto entries = PropertyList::dictionaryEntriesFromFile(path);
    if (!entries)
        return {};
    const auto trimmed = [](QString text) {
        const auto blank = [](QChar c) { return c == QLatin1Char(' ') || c == QLatin1Char('\t'); };
        qsizetype start = 0;
        qsizetype end = text.size();
        while (start < end && blank(text.at(start)))
            ++start;
        while (end > start && blank(text.at(end - 1)))
            --end;
        return text.mid(start, end - start);
    };
    QString source;
    for (const auto &[key, value] : *entries) {
        // A value that is not a text is passed over; it never clears a source
        // found before it.
        if (key.isEmpty() || value.typeId() != QMetaType::QString)
            continue;
        if (trimmed(key) == QLatin1String("utm_source"))
            source = trimmed(value.toString());
    }
    return source;
}

QString systemVersionFromOsRelease(const QString &path)
{
    QString versionID;
    QFile file(path);
    if (file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        while (!file.atEnd()) {
            const QString line = QString::fromUtf8(file.readLine()).trimmed();
            if (!line.startsWith(QLatin1String("VERSION_ID=")))
                continue;
            versionID = line.mid(int(qstrlen("VERSION_ID=")));
            if (versionID.size() >= 2 && (versionID.startsWith(QLatin1Char('"')) || versionID.startsWith(QLatin1Char('\'')))
                && versionID.endsWith(versionID.front()))
                versionID = versionID.mid(1, versionID.size() - 2);
        }
    }
    // Each part as a plain decimal number ("22.04" gives 22.4.0); missing
    // parts are zero.
    const QStringList parts = versionID.split(QLatin1Char('.'));
    QStringList numbers;
    for (qsizetype i = 0; i < 3; ++i) {
        qulonglong number = 0;
        if (i < parts.size()) {
            QString digits;
            for (QChar c : parts[i]) {
                if (!c.isDigit() || c.unicode() > 0x7f)
                    break;
                digits += c;
            }
            number = digits.left(9).toULongLong();
        }
        numbers.append(QString::number(number));
    }
    return numbers.join(QLatin1Char('.'));
}

QString defaultCampaignFilePath()
{
    return UserInfo::dataHomeDirectory() + QLatin1Char('/') + QLatin1String(appFolderName) + QStringLiteral("/track.plist");
}

void setUpAnalyticsIdentity(const IdentitySources &sources)
{
    Identity fresh;
    fresh.clientID = clientIDFromAddress(primaryMACAddressText(sources.networkInterfaces));
    QString osRelease = sources.osRelease;
    if (osRelease.isEmpty())
        osRelease = QFileInfo::exists(QStringLiteral("/etc/os-release")) ? QStringLiteral("/etc/os-release")
                                                                          : QStringLiteral("/usr/lib/os-release");
    fresh.systemVersion = systemVersionFromOsRelease(osRelease);
    fresh.campaignSource =
            campaignSourceFromFile(sources.campaignFile.isEmpty() ? defaultCampaignFilePath() : sources.campaignFile);
    QMutexLocker locker(&identityMutex);
    identity = fresh;
}

QByteArray eventBody(const QString &trackingID, const QString &category, const QString &action)
{
    const Identity id = currentIdentity();
    QByteArray body;
    body += "v=1&tid=" + encoded(trackingID);
    body += "&cid=" + encoded(id.clientID);
    body += "&t=event&ec=" + encoded(category);
    body += "&ea=" + encoded(action);
    body += "&el=" + encoded(id.campaignSource + QLatin1Char('_') + id.clientID);
    body += "&pa=click&pal=" + encoded(id.campaignSource);
    body += "&pr1id=" + encoded(id.campaignSource);
    body += "&pr1nm=" + encoded(id.systemVersion);
    return body;
}

int eventsInFlight()
{
    return inFlight;
}

} // namespace UsageEvents

void setUpAnalyticsIdentity()
{
    UsageEvents::setUpAnalyticsIdentity(UsageEvents::IdentitySources());
}

QString analyticsClientID()
{
    return currentIdentity().clientID;
}

QString campaignSource()
{
    return currentIdentity().campaignSource;
}

QString systemVersionText()
{
    return currentIdentity().systemVersion;
}

void sendAnalyticsEvent(const QString &category, const QString &action)
{
    const auto url = ServiceConfiguration::analyticsCollectURL();
    const QString trackingID = ServiceConfiguration::analyticsTrackingID();
    QCoreApplication *application = QCoreApplication::instance();
    if (!url || trackingID.isEmpty() || !application)
        return;
    const QByteArray body = UsageEvents::eventBody(trackingID, category, action);
    // One network manager serves every event, on the main thread; callers on
    // a worker (the removal run) reach it through the event loop.
    QMetaObject::invokeMethod(
            application, [url = *url, body] { postOnMainThread(url, body); }, Qt::QueuedConnection);
}
