#include "LaunchRules.h"

#include <QStringList>

namespace LaunchRules {

std::optional<QList<quint64>> parseVersion(const QString &text)
{
    if (text.isEmpty())
        return std::nullopt;
    QList<quint64> numbers;
    for (const QString &part : text.split(QLatin1Char('.'))) {
        if (part.isEmpty() || part.size() > 9)
            return std::nullopt;
        for (const QChar c : part) {
            if (c < QLatin1Char('0') || c > QLatin1Char('9'))
                return std::nullopt;
        }
        numbers.append(part.toULongLong());
    }
    return numbers;
}

bool isNewerVersion(const QString &running, const QString &stored)
{
    const auto newer = parseVersion(running);
    const auto older = parseVersion(stored);
    if (!newer || !older)
        return false;
    const qsizetype count = qMax(newer->size(), older->size());
    for (qsizetype i = 0; i < count; ++i) {
        const quint64 a = i < newer->size() ? newer->at(i) : 0;
        const quint64 b = i < older->size() ? older->at(i) : 0;
        if (a != b)
            return a > b;
    }
    return false;
}

QPoint centredOrigin(const QRect &screenGeometry, const QSize &windowSize)
{
    return {screenGeometry.x() + (screenGeometry.width() - windowSize.width()) / 2,
            screenGeometry.y() + (screenGeometry.height() - windowSize.height()) / 2};
}

} // namespace LaunchRules
