#include "FileFacts.h"

QString formatSize(quint64 bytes)
{
    // Single-precision arithmetic on a whole number of kilobytes. QString::number
    // never follows the user's locale (QCoreApplication sets the C library's
    // locale, so printf would), so the decimal separator is always a point.
    if (bytes <= 1022)
        return QString::number(bytes) + QStringLiteral(" bytes");
    const float kb = static_cast<float>(bytes >> 10);
    if (bytes <= 1047551)
        return QString::number(static_cast<double>(kb), 'f', 1) + QStringLiteral(" KB");
    const float mb = kb * 0.0009765625f;
    if (mb < 1023.0f)
        return QString::number(static_cast<double>(mb), 'f', 1) + QStringLiteral(" MB");
    const float gb = mb * 0.0009765625f;
    return QString::number(static_cast<double>(gb), 'f', 1) + QStringLiteral(" GB");
}
