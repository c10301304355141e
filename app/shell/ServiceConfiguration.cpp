#include "ServiceConfiguration.h"

#include <MainBundle.h>

#include <QHostAddress>

namespace ServiceConfiguration {

QString infoText(const QString &key)
{
    const auto info = MainBundle::infoDictionary();
    if (!info)
        return {};
    const QVariant value = info->value(key);
    return value.typeId() == QMetaType::QString ? value.toString() : QString();
}

std::optional<QString> serviceBaseAddress(const QString &text)
{
    QString base = text.trimmed();
    while (base.endsWith(QLatin1Char('/')))
        base.chop(1);
    const QUrl url(base, QUrl::StrictMode);
    if (base.isEmpty() || !url.isValid() || url.host().isEmpty() || !url.query().isEmpty() || !url.fragment().isEmpty()
        || !url.userInfo().isEmpty())
        return std::nullopt;
    const QString scheme = url.scheme().toLower();
    if (scheme == QLatin1String("https"))
        return base;
    // Plain HTTP would carry the events and the address in clear text; only a
    // service on this machine may be reached that way.
    const QString host = url.host();
    const bool loopback = host == QLatin1String("localhost") || QHostAddress(host).isLoopback();
    if (scheme == QLatin1String("http") && loopback)
        return base;
    return std::nullopt;
}

std::optional<QUrl> analyticsCollectURL()
{
    const auto base = serviceBaseAddress(infoText(QLatin1String(analyticsCollectAddressKey)));
    if (!base)
        return std::nullopt;
    return QUrl(*base + QStringLiteral("/collect"));
}

QString analyticsTrackingID()
{
    return infoText(QLatin1String(analyticsTrackingIDKey));
}

std::optional<QString> newsletterBaseAddress()
{
    return serviceBaseAddress(infoText(QLatin1String(newsletterBaseAddressKey)));
}

QString newsletterAccessKey()
{
    return infoText(QLatin1String(newsletterAccessKeyKey));
}

} // namespace ServiceConfiguration
