#pragma once

#include <QString>
#include <QVariant>

// The user's settings, mirrored between the user defaults and the in-memory
// values of ProcessState. Values of the wrong type count as absent.

// The stored value for the key; an invalid QVariant when nothing is stored.
QVariant userDefaultValue(const QString &forKey);

void loadIgnoreListOptions();
void loadIgnoreLists();
void restoreDefaultIgnoreLists();
void saveIgnoreLists();
void saveRemovalSettings();
void loadRemovalSettings();
void registerMinimumFileSizeDefaults();
void loadAlertSettings();
void saveAlertSettings();

// The start-up order: ignore lists, removal mode, minimum size, then the two
// confirmation switches (loaded when stored, else stored with their initial values).
void loadSettingsAtLaunch();
