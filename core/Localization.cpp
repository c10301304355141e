#include "Localization.h"

#include "ProcessState.h"

#include <MainBundle.h>

#include <QRegularExpression>

std::optional<QVariantMap> loadPlist(const QString &named)
{
    return MainBundle::dictionaryResource(named);
}

void loadLocalizationTable()
{
    localizedStrings() = loadPlist(QStringLiteral("English"));
}

QString localizedString(const QString &forKey)
{
    const std::optional<QVariantMap> &table = localizedStrings();
    if (!table)
        return {};
    const auto it = table->constFind(forKey);
    if (it == table->cend() || it->typeId() != QMetaType::QString)
        return {};
    return it->toString();
}

QString localizedText(const QString &forKey)
{
    return localizedString(forKey);
}

QString localizedFormat(const QString &key, const QStringList &arguments, const QString &fallback)
{
    const QString text = localizedString(key);
    if (text.isEmpty())
        return fallback;
    // Every marker %1..%n must be present, and no other.
    static const QRegularExpression marker(QStringLiteral("%(\\d+)"));
    QList<bool> seen(arguments.size(), false);
    for (auto it = marker.globalMatch(text); it.hasNext();) {
        const int number = it.next().captured(1).toInt();
        if (number < 1 || number > arguments.size())
            return fallback;
        seen[number - 1] = true;
    }
    if (seen.contains(false))
        return fallback;
    // One pass, so that an argument holding "%2" is never filled in turn:
    // chained QString::arg calls would fill such a marker again, and its
    // one-pass form takes a fixed number of arguments, not a list.
    QString result;
    qsizetype last = 0;
    for (auto it = marker.globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        result += QStringView(text).mid(last, match.capturedStart() - last);
        result += arguments.at(match.captured(1).toInt() - 1);
        last = match.capturedEnd();
    }
    result += QStringView(text).mid(last);
    return result;
}
