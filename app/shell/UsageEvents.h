#pragma once

#include <QByteArray>
#include <QString>

// Usage events. Sending returns at once and never reports a failure; with no
// collect address or tracking identifier configured nothing is sent.
void setUpAnalyticsIdentity();
// Safe to call from any thread.
void sendAnalyticsEvent(const QString &category, const QString &action);

// The identity every event carries, set once at launch; "" until then.
QString analyticsClientID();
QString campaignSource();
QString systemVersionText();

namespace UsageEvents {

// Where the identity is read from; the defaults are the running system's.
struct IdentitySources
{
    QString networkInterfaces = QStringLiteral("/sys/class/net");
    // "" means $XDG_DATA_HOME/twinmoor/track.plist.
    QString campaignFile;
    // "" means /etc/os-release, then /usr/lib/os-release.
    QString osRelease;
};

void setUpAnalyticsIdentity(const IdentitySources &sources);

// The hardware address of the first physical Ethernet interface by name, as
// six lower-case byte pairs joined by ":"; "" when there is none.
QString primaryMACAddressText(const QString &networkInterfaces);
// The client identifier: a one-way hash of the address, so the address itself
// never leaves the machine; "" when there is no address.
QString clientIDFromAddress(const QString &macAddressText);
// The trimmed "utm_source" of an attribution file; "" when there is none.
QString campaignSourceFromFile(const QString &path);
// VERSION_ID of an os-release file as three numbers ("12" gives "12.0.0");
// "0.0.0" when the file or the field is missing.
QString systemVersionFromOsRelease(const QString &path);
QString defaultCampaignFilePath();

// The form body of one event. Every value is percent-encoded, so no text can
// add or split a field.
QByteArray eventBody(const QString &trackingID, const QString &category, const QString &action);

// Events handed to the network and not finished yet; main thread only.
int eventsInFlight();

} // namespace UsageEvents
