#pragma once

#include "Records.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

// The text after the last dot of the last path component ("" when there is none,
// and for a name that only starts with a dot), in its own letter case.
QString lastPathExtension(QStringView path);

// True when some component of the path has the lower-cased extension
// "photoslibrary": a Photos library or something inside one.
bool isInsidePhotosLibrary(QStringView path);

// The checked ignore entries of a run. An entry covers its folder and what lies
// inside it, on path-component boundaries: ignoring /a/Dropbox leaves
// /a/Dropbox-old alone. Entries without an absolute path take no effect.
class IgnoreRules
{
public:
    IgnoreRules() = default;
    explicit IgnoreRules(const QList<AllIgnorePaths> &entries);

    bool covers(QStringView path) const;
    bool isEmpty() const { return m_prefixes.isEmpty(); }

private:
    QStringList m_prefixes;
};
