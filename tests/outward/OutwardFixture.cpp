#include "OutwardFixture.h"

#include "LoopbackHttpServer.h"

#include <Localization.h>
#include <LoginItems.h>
#include <PageOpener.h>
#include <ProcessState.h>
#include <ScreenRegistry.h>
#include <SiblingApps.h>
#include <TestEnvironment.h>
#include <UserDefaults.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QWidget>

void OutwardFixture::SetUp()
{
    loadLocalizationTable();
    PageOpener::setHandler([this](const QUrl &url) {
        openedPages.append(url);
        return true;
    });
    setInstalled({});
    UserDefaults &defaults = UserDefaults::standard();
    for (const QString &key : defaults.dictionaryRepresentation().keys())
        defaults.removeObject(key);
    QFile::remove(LoginItems::autostartEntryPath());
    isOverlayDialogShown = false;
    isDashboardMiniaturized = false;
}

void OutwardFixture::TearDown()
{
    ScreenRegistry::instance().reset();
    const auto windows = QApplication::topLevelWidgets();
    for (QWidget *window : windows)
        window->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    PageOpener::setHandler({});
    SiblingApps::setInstalledCheck({});
    clearServiceConfiguration();
}

void OutwardFixture::setInstalled(const QSet<int> &siblings)
{
    SiblingApps::setInstalledCheck([siblings](const QString &identifier) {
        for (int sibling : siblings) {
            if (SiblingApps::bundleIdentifier(sibling) == identifier)
                return true;
        }
        return false;
    });
}

void saveRender(QWidget *widget, const QString &name)
{
    const QString folder = TestEnvironment::renderDirectory();
    QDir().mkpath(folder);
    // Texts set since the last turn of the event loop are laid out first.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    EXPECT_TRUE(widget->grab().save(folder + QLatin1Char('/') + name + QStringLiteral(".png"))) << qPrintable(name);
}

bool drawsFocus(QWidget *control)
{
    control->setFocus();
    EXPECT_TRUE(control->hasFocus()) << qPrintable(control->objectName());
    const QImage focused = control->grab().toImage();
    control->clearFocus();
    const QImage plain = control->grab().toImage();
    return focused != plain;
}
