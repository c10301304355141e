#include "LoginItems.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace LoginItems {

namespace {

// Hidden=true in the main group turns an autostart entry off.
bool entryIsHidden(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return false;
    bool inMainGroup = false;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        if (line.startsWith(QLatin1Char('['))) {
            inMainGroup = line == QLatin1String("[Desktop Entry]");
            continue;
        }
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (inMainGroup && equals > 0 && line.left(equals).trimmed() == QLatin1String("Hidden"))
            return line.mid(equals + 1).trimmed() == QLatin1String("true");
    }
    return false;
}

// The executable as one quoted argument of an Exec line: the quoting of the
// Exec key first, then the escapes of a desktop-entry string value.
QString execValue(const QString &executablePath)
{
    QString quoted = QStringLiteral("\"");
    for (const QChar c : executablePath) {
        if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') || c == QLatin1Char('\\'))
            quoted += QLatin1Char('\\');
        quoted += c;
    }
    quoted += QLatin1Char('"');

    QString value;
    for (const QChar c : quoted) {
        if (c == QLatin1Char('\\'))
            value += QStringLiteral("\\\\");
        else if (c == QLatin1Char('\n'))
            value += QStringLiteral("\\n");
        else if (c == QLatin1Char('\t'))
            value += QStringLiteral("\\t");
        else if (c == QLatin1Char('\r'))
            value += QStringLiteral("\\r");
        else if (c == QLatin1Char('%'))
            value += QStringLiteral("%%");
        else
            value += c;
    }
    return value;
}

} // namespace

QString autostartEntryPath()
{
    QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (config.isEmpty() || !QDir::isAbsolutePath(config))
        config = QDir::homePath() + QStringLiteral("/.config");
    return config + QStringLiteral("/autostart/") + QLatin1String(desktopFileName);
}

bool isLoginItem()
{
    const QString path = autostartEntryPath();
    return QFileInfo(path).isFile() && !entryIsHidden(path);
}

bool addLoginItem(const QString &executablePath)
{
    if (isLoginItem())
        return true;
    const QString path = autostartEntryPath();
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return false;

    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text))
        return false;
    const QString entry = QStringLiteral("[Desktop Entry]\n"
                                         "Type=Application\n"
                                         "Name=Twinmoor\n"
                                         "Exec=%1\n"
                                         "Terminal=false\n")
                              .arg(execValue(executablePath));
    file.write(entry.toUtf8());
    return file.commit();
}

std::optional<QString> removeLoginItem()
{
    if (!isLoginItem())
        return std::nullopt;
    const QString path = autostartEntryPath();
    if (!QFile::remove(path))
        return std::nullopt;
    return path;
}

} // namespace LoginItems
