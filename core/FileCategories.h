#pragma once

#include "Records.h"

#include <QStringList>

// The five extension lists, in lower case.
const QStringList &photoExtensions();
const QStringList &videoExtensions();
const QStringList &musicExtensions();
const QStringList &archiveExtensions();
const QStringList &documentExtensions();

// Photos, Videos, Musics, Archives, Documents or Others for a path extension,
// in any letter case. Applications are decided by the duplicate search itself.
ScanResultKeys category(const QString &forExtension);
