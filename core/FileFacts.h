#pragma once

#include <QString>
#include <QtGlobal>

// Size text in binary units with one decimal, locale-free:
// "N bytes", "N.N KB", "N.N MB" or "N.N GB".
QString formatSize(quint64 bytes);
