#pragma once

#include <QString>

class QImage;
class QLabel;
class QPushButton;
class QWidget;

// The look shared by the first-run window, the about overlay and the
// cross-promotion panel: plain labels and flat rounded buttons on white.
namespace OutwardStyle {

// The localised text of an "IDS_TMR_" key.
QString text(const char *key);
// Gives a window's content its plain white ground.
void paintWhite(QWidget *view);

// A label named as the screen's outlet, in the given point size.
QLabel *label(QWidget *parent, const QString &objectName, int pointSize, bool bold = false);
// A picture label showing the image scaled to the given square size.
QLabel *picture(QWidget *parent, const QString &objectName, int size);
void setPicture(QLabel *view, const QImage &image);
// A blue push button (secondary: outlined) with the pointing hand over it.
QPushButton *button(QWidget *parent, const QString &objectName, bool primary = true);

} // namespace OutwardStyle
