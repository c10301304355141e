#include "ScanPaths.h"

#include <QDir>
#include <QFileInfo>

QString lastPathExtension(QStringView path)
{
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    const QStringView name = path.mid(slash + 1);
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot <= 0)
        return {};
    return name.mid(dot + 1).toString();
}

bool isInsidePhotosLibrary(QStringView path)
{
    static const QString extension = QStringLiteral(".photoslibrary");
    qsizetype from = 0;
    for (;;) {
        const qsizetype at = path.indexOf(extension, from, Qt::CaseInsensitive);
        if (at < 0)
            return false;
        const qsizetype end = at + extension.size();
        // The extension must end a component, and its name must not be empty.
        if ((end == path.size() || path.at(end) == QLatin1Char('/')) && at > 0 && path.at(at - 1) != QLatin1Char('/'))
            return true;
        from = at + 1;
    }
}

IgnoreRules::IgnoreRules(const QList<AllIgnorePaths> &entries)
{
    for (const AllIgnorePaths &entry : entries) {
        if (!entry.isChecked || !entry.url || !entry.url->isLocalFile())
            continue;
        const QString path = entry.url->toLocalFile();
        if (path.isEmpty() || !QDir::isAbsolutePath(path))
            continue;
        const QString clean = QDir::cleanPath(path);
        m_prefixes.append(clean);
        // Scanned paths are canonical, so the entry counts under its canonical
        // name too (an ignored folder reached through a link in its path).
        const QString canonical = QFileInfo(clean).canonicalFilePath();
        if (!canonical.isEmpty() && canonical != clean)
            m_prefixes.append(canonical);
    }
}

bool IgnoreRules::covers(QStringView path) const
{
    for (const QString &prefix : m_prefixes) {
        if (prefix == QLatin1String("/"))
            return true;
        if (path.startsWith(prefix)
            && (path.size() == prefix.size() || path.at(prefix.size()) == QLatin1Char('/')))
            return true;
    }
    return false;
}
