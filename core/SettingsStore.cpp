#include "SettingsStore.h"

#include "Localization.h"
#include "ProcessState.h"

#include <UserDefaults.h>

namespace {

UserDefaults &defaults()
{
    return UserDefaults::standard();
}

QString key(const char *name)
{
    return QString::fromLatin1(name);
}

// A state array that does not match its values in length is padded with true,
// so entry i is checked as stored when there is a state i, checked otherwise.
QList<bool> statesFor(QList<bool> states, qsizetype count)
{
    if (states.size() != count)
        states.append(QList<bool>(count, true));
    return states;
}

QVariantList boolList(const QList<bool> &values)
{
    QVariantList list;
    list.reserve(values.size());
    for (bool value : values)
        list.append(value);
    return list;
}

void appendDefaultExtensions()
{
    for (const QString &extension : defaultIgnoredExtensions())
        allExtensions().append({true, extension});
}

void appendDefaultPaths()
{
    for (const QString &path : defaultIgnorePaths())
        allIgnorePaths().append({true, QUrl::fromLocalFile(path)});
}

} // namespace

QVariant userDefaultValue(const QString &forKey)
{
    return defaults().object(forKey);
}

void loadIgnoreListOptions()
{
    allOptions().clear();
    allOptions().append({QStringLiteral("foldersfiles.png"), localizedString(QStringLiteral("IDS_TMR_35"))});
    allOptions().append({QStringLiteral("extensions.png"), localizedString(QStringLiteral("IDS_TMR_36"))});
}

void loadIgnoreLists()
{
    allIgnorePaths().clear();
    allExtensions().clear();

    const QList<bool> pathStates = defaults().boolArray(key(kIgnorePathsStateKey)).value_or(QList<bool>());
    const QList<bool> extensionStates = defaults().boolArray(key(kIgnoreExtensionsStateKey)).value_or(QList<bool>());

    // Each built-in list stands in only for its own key when that is absent or
    // not an array of texts: an empty stored list is the user's choice.
    if (const auto extensions = defaults().stringArray(key(kIgnoreExtensionsKey))) {
        const QList<bool> states = statesFor(extensionStates, extensions->size());
        for (qsizetype i = 0; i < extensions->size(); ++i)
            allExtensions().append({states.at(i), extensions->at(i)});
    } else {
        appendDefaultExtensions();
    }

    if (const auto paths = defaults().stringArray(key(kIgnorePathsKey))) {
        const QList<bool> states = statesFor(pathStates, paths->size());
        for (qsizetype i = 0; i < paths->size(); ++i)
            allIgnorePaths().append({states.at(i), QUrl::fromLocalFile(paths->at(i))});
    } else {
        appendDefaultPaths();
    }
}

void restoreDefaultIgnoreLists()
{
    allExtensions().clear();
    allIgnorePaths().clear();
    appendDefaultExtensions();
    appendDefaultPaths();
}

void saveIgnoreLists()
{
    QStringList extensionNames;
    QList<bool> extensionStates;
    for (const AllExtensions &entry : std::as_const(allExtensions())) {
        extensionNames.append(entry.name);
        extensionStates.append(entry.isChecked);
    }
    QStringList paths;
    QList<bool> pathStates;
    for (const AllIgnorePaths &entry : std::as_const(allIgnorePaths())) {
        paths.append(entry.url ? entry.url->toLocalFile() : QString());
        pathStates.append(entry.isChecked);
    }
    defaults().setObject(key(kIgnoreExtensionsKey), extensionNames);
    defaults().setObject(key(kIgnoreExtensionsStateKey), boolList(extensionStates));
    defaults().setObject(key(kIgnorePathsKey), paths);
    defaults().setObject(key(kIgnorePathsStateKey), boolList(pathStates));
}

void saveRemovalSettings()
{
    const MovingType &mode = removalMode();
    QString type;
    QString path;
    bool overwrite = true;
    switch (mode.kind) {
    case MovingType::Kind::Trash:
        type = QStringLiteral("1");
        break;
    case MovingType::Kind::Permanently:
        type = QStringLiteral("2");
        break;
    case MovingType::Kind::Folder:
        type = QStringLiteral("3");
        path = mode.path;
        overwrite = mode.overwrite;
        break;
    }
    defaults().setObject(key(kRemovableTypeKey), type);
    defaults().setObject(key(kRemovablePathKey), path);
    defaults().setObject(key(kRemovableIsPathWriteKey), overwrite);
}

void loadRemovalSettings()
{
    const auto type = defaults().stringValue(key(kRemovableTypeKey));
    if (!type) {
        removalMode() = MovingType::Trash();
        return;
    }
    if (*type == QLatin1String("1")) {
        removalMode() = MovingType::Trash();
    } else if (*type == QLatin1String("2")) {
        removalMode() = MovingType::Permanently();
    } else if (*type == QLatin1String("3")) {
        removalMode() = MovingType::Folder(defaults().stringValue(key(kRemovablePathKey)).value_or(QString()),
                                           defaults().boolValue(key(kRemovableIsPathWriteKey)).value_or(true));
    }
    // Any other text leaves the mode as it is.
}

void registerMinimumFileSizeDefaults()
{
    if (const auto size = defaults().unsignedValue(key(kMinimumFileSizeKey))) {
        minimumFileSize = *size;
        return;
    }
    defaults().setObject(key(kMinimumFileSizeKey), quint64(1024));
    defaults().setObject(key(kMinimumFileSizeTypeKey), QStringLiteral("KB"));
    minimumFileSize = 1024;
}

void loadAlertSettings()
{
    // A missing or mistyped switch keeps its current value.
    if (const auto value = defaults().boolValue(key(kConfirmBeforeDeletingPhotosKey)))
        confirmBeforeDeletingPhotosEnabled = *value;
    if (const auto value = defaults().boolValue(key(kBackToHomeAlertKey)))
        backToHomeAlertEnabled = *value;
}

void saveAlertSettings()
{
    defaults().setObject(key(kConfirmBeforeDeletingPhotosKey), confirmBeforeDeletingPhotosEnabled);
    defaults().setObject(key(kBackToHomeAlertKey), backToHomeAlertEnabled);
}

void loadSettingsAtLaunch()
{
    loadIgnoreLists();
    loadRemovalSettings();
    registerMinimumFileSizeDefaults();
    if (defaults().boolValue(key(kConfirmBeforeDeletingPhotosKey)))
        loadAlertSettings();
    else
        saveAlertSettings();
    defaults().setObject(key(kDisablePieChartAnimationKey), false);
}
