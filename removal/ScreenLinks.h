#pragma once

#include <QString>

class QLabel;
class QObject;
class QWidget;
class SYFlatButton;

// How the removal screens reach the scan screen and the results screen: only
// through the screen registry, by identifier, with meta-calls on methods and
// children of known names. A screen or member that is not there is skipped.
namespace ScreenLinks {

QWidget *scanScreen();
QWidget *resultsScreen();

// Calls the screen's invokable method without arguments; false when the
// screen or the method is missing.
bool invoke(QObject *screen, const char *method);
void setChildHidden(QObject *screen, const char *childName, bool hidden);
void setChildEnabled(QObject *screen, const char *childName, bool enabled);

// Takes a closed sheet off the window it was shown on: the sheet is kept for
// the life of the program, the results window is not.
void detachSheet(QWidget *sheet);

// The white card a dialog's contents sit on, centred in the host (which
// dims what lies under it).
QWidget *makePanel(QWidget *host, int width, int height = 0);

// The flat buttons and labels of the dialogs, in one look.
SYFlatButton *makeButton(QWidget *parent, const char *objectName, const QString &title, bool primary);
QLabel *makeLabel(QWidget *parent, const char *objectName, const QString &text, int pointSize = 13, bool bold = false);
// Sets the picture from an embedded base64 PNG; the label stays empty when it does not decode.
void setEmbeddedImage(QLabel *label, const QString &base64, int width, int height);

} // namespace ScreenLinks
