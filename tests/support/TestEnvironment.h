#pragma once

#include "QtPrinters.h"

#include <QString>

// Every test process runs with a HOME and XDG folders of its own under a
// temporary folder, so nothing touches the real home, settings or Trash.
namespace TestEnvironment {

// Creates the private folders and points HOME and XDG_* at them. Call before
// the Qt application object exists.
void setUp();
// The temporary root that holds the private HOME and XDG folders.
QString root();
// A new empty folder under the root, for one test's fixtures.
QString makeTemporaryFolder(const QString &prefix = QStringLiteral("fixture"));
// Where widget tests write their pictures (the build folder's tests/renders).
QString renderDirectory();

} // namespace TestEnvironment
