#pragma once

#include <QString>

class QWidget;

// Writes what the widget draws to <render directory>/<name>.png, so anyone can
// look at it; fails the current test when the picture cannot be written.
void saveRender(QWidget &widget, const QString &name);
