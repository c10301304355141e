#pragma once

#include <QString>

#include <functional>

class QMessageBox;

// The program's single modal alert: warning style, the message, the
// informative text and one button "Ok". True when the alert ended with that
// button; false when it was ended any other way (from code, for instance).
// Callers pass texts already localised.
bool showAlert(const QString &message, const QString &informativeText);

// What runs the alert once it is built; the default runs its modal loop.
// Tests and headless runs put their own in place. Answers the runner before.
using AlertRunner = std::function<void(QMessageBox &alert)>;
AlertRunner setAlertRunner(AlertRunner runner);
