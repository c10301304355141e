#pragma once

#include <QList>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>

#include <optional>

// Decisions of start-up that need no window, kept apart so they are tested
// on their own.
namespace LaunchRules {

// A version text as numbers: digits separated by single dots, the whole
// text and nothing else ("1.10" is 1, 10; " 1.0", "1.0b" and "" are none).
std::optional<QList<quint64>> parseVersion(const QString &text);
// True when both texts are versions and the running one is newer, number by
// number (1.10 is newer than 1.9; 2.0 and 2.0.0 are the same).
bool isNewerVersion(const QString &running, const QString &stored);

// Where a window of the given size sits centred on a screen, the screen's
// own position counted.
QPoint centredOrigin(const QRect &screenGeometry, const QSize &windowSize);

} // namespace LaunchRules
