#include "LoginItems.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

namespace LoginItems {

namespace {

// The raw value of a key in the main group, as the file spells it.
std::optional<QString> mainGroupValue(const QString &path, QLatin1String key)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return std::nullopt;
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
        if (inMainGroup && equals > 0 && line.left(equals).trimmed() == key)
            return line.mid(equals + 1).trimmed();
    }
    return std::nullopt;
}

// Hidden=true in the main group turns an autostart entry off.
bool entryIsHidden(const QString &path)
{
    return mainGroupValue(path, QLatin1String("Hidden")) == QLatin1String("true");
}

// The escapes of a desktop-entry string value taken away.
QString unescapedString(const QString &value)
{
    QString text;
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value.at(i);
        if (c != QLatin1Char('\\') || i + 1 == value.size()) {
            text += c;
            continue;
        }
        const QChar next = value.at(++i);
        if (next == QLatin1Char('s'))
            text += QLatin1Char(' ');
        else if (next == QLatin1Char('n'))
            text += QLatin1Char('\n');
        else if (next == QLatin1Char('t'))
            text += QLatin1Char('\t');
        else if (next == QLatin1Char('r'))
            text += QLatin1Char('\r');
        else if (next == QLatin1Char('\\'))
            text += QLatin1Char('\\');
        else
            text += QStringView(value).mid(i - 1, 2);
    }
    return text;
}

// The first argument of an Exec value: up to the first blank outside double
// quotes, where a backslash keeps the character after it, and "%%" is one "%".
QString firstExecArgument(const QString &exec)
{
    QString argument;
    bool quoted = false;
    for (qsizetype i = 0; i < exec.size(); ++i) {
        const QChar c = exec.at(i);
        if (quoted && c == QLatin1Char('\\') && i + 1 < exec.size())
            argument += exec.at(++i);
        else if (c == QLatin1Char('"'))
            quoted = !quoted;
        else if (!quoted && (c == QLatin1Char(' ') || c == QLatin1Char('\t'))) {
            if (!argument.isEmpty())
                break;
        } else if (c == QLatin1Char('%') && i + 1 < exec.size() && exec.at(i + 1) == QLatin1Char('%'))
            argument += exec.at(++i);
        else
            argument += c;
    }
    return argument;
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

namespace {

// Writes the entry afresh, replacing whatever was there.
bool writeEntry(const QString &executablePath)
{
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

} // namespace

bool addLoginItem(const QString &executablePath)
{
    if (isLoginItem())
        return true;
    return writeEntry(executablePath);
}

std::optional<QString> loginItemProgram()
{
    if (!isLoginItem())
        return std::nullopt;
    const std::optional<QString> exec = mainGroupValue(autostartEntryPath(), QLatin1String("Exec"));
    if (!exec)
        return std::nullopt;
    return firstExecArgument(unescapedString(*exec));
}

bool loginItemStarts(const QString &executablePath)
{
    const std::optional<QString> program = loginItemProgram();
    if (!program || program->isEmpty())
        return false;
    if (*program == executablePath)
        return true;
    // A bare name is looked up the way the session looks it up; a relative
    // path depends on a working folder that no one knows at login.
    QString resolved = *program;
    if (!resolved.contains(QLatin1Char('/')))
        resolved = QStandardPaths::findExecutable(resolved);
    if (!QDir::isAbsolutePath(resolved))
        return false;
    const QString target = QFileInfo(resolved).canonicalFilePath();
    return !target.isEmpty() && target == QFileInfo(executablePath).canonicalFilePath();
}

bool moveLoginItemTo(const QString &executablePath)
{
    if (!isLoginItem())
        return false;
    if (loginItemStarts(executablePath))
        return true;
    return writeEntry(executablePath);
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
