#pragma once

#include <QString>
#include <QUrl>

#include <optional>

// The addresses and keys of the web services the program talks to. They are
// entries of the bundle's Info.plist, filled in when the program is built and
// empty by default, so a build made without them talks to no service.
namespace ServiceConfiguration {

inline constexpr const char analyticsCollectAddressKey[] = "TMRAnalyticsCollectAddress";
inline constexpr const char analyticsTrackingIDKey[] = "TMRAnalyticsTrackingID";
inline constexpr const char newsletterBaseAddressKey[] = "TMRNewsletterBaseAddress";
inline constexpr const char newsletterAccessKeyKey[] = "TMRNewsletterAccessKey";

// The Info.plist text under the key; "" when it is absent or not a text.
QString infoText(const QString &key);

// The address as a service base, without a trailing "/": only HTTPS counts,
// and plain HTTP only towards a loopback host (a local test service). Nothing
// for anything else, an empty text included.
std::optional<QString> serviceBaseAddress(const QString &text);

// Where usage events are posted: the analytics base address and "/collect".
std::optional<QUrl> analyticsCollectURL();
QString analyticsTrackingID();
std::optional<QString> newsletterBaseAddress();
QString newsletterAccessKey();

} // namespace ServiceConfiguration
