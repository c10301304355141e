#include "LaunchOnStartup.h"

#include <KRBObjectiveCMethods.h>
#include <LoginItems.h>

#include <QCoreApplication>

std::pair<std::optional<QString>, std::optional<QString>> LaunchOnStartup::itemReferencesInLoginItems()
{
    std::optional<QString> existing;
    if (LoginItems::isLoginItem())
        existing = LoginItems::autostartEntryPath();
    return {existing, std::nullopt};
}

void LaunchOnStartup::setLaunchAtStartup(bool enabled)
{
    const auto [existing, anchor] = itemReferencesInLoginItems();
    Q_UNUSED(anchor);
    if (enabled) {
        // An entry that starts another copy (this one was moved, or another
        // copy wrote it) would start that copy, or nothing, at login.
        if (!existing)
            LoginItems::addLoginItem(executablePath());
        else
            LoginItems::moveLoginItemTo(executablePath());
        return;
    }
    if (existing)
        KRBObjectiveCMethods().itemRefInLoginItems();
}

QString &LaunchOnStartup::executablePath()
{
    static QString path;
    if (path.isEmpty() && QCoreApplication::instance())
        path = QCoreApplication::applicationFilePath();
    return path;
}
