#pragma once

#include <QColor>
#include <QRect>

class QLabel;
class QPushButton;
class QWidget;

// What the scan screen and its dialog are built from: labels in the screen's
// inks and the round buttons, each named as its outlet.
namespace ScreenParts {

inline const QColor kInk{27, 74, 140};
inline const QColor kMutedInk{90, 112, 140};
inline const QColor kAccent{45, 140, 230};

QLabel *makeLabel(QWidget *parent, const char *name, const QRect &frame, int pixelSize, bool bold = false,
                  const QColor &color = kInk, Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter);
// A filled (primary) or outlined button with fully rounded ends. Keyboard
// focus shows the program's focus ring; Return, Enter and Space press it.
QPushButton *makeButton(QWidget *parent, const char *name, const QRect &frame, bool primary = true);

} // namespace ScreenParts
