#include "PreferencesFixture.h"

#include <Alert.h>
#include <CustomAnimator.h>
#include <Localization.h>
#include <PreferencesScreens.h>
#include <PreferencesTabViewController.h>
#include <PreferencesWindowController.h>
#include <ProcessState.h>
#include <ScreenRegistry.h>
#include <TestEnvironment.h>
#include <UserDefaults.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QMessageBox>

void FakeFolderChooser::choose(QWidget *, const FolderChooserOptions &options, Completion completion)
{
    ++openCount;
    lastOptions = options;
    m_pending = std::make_unique<Completion>(std::move(completion));
}

bool FakeFolderChooser::answer(bool accepted, const QStringList &paths)
{
    if (!m_pending)
        return false;
    const std::unique_ptr<Completion> completion = std::move(m_pending);
    (*completion)(accepted, accepted ? paths : QStringList());
    return true;
}

void PreferencesFixture::SetUp()
{
    m_settingsPath = TestEnvironment::makeTemporaryFolder(QStringLiteral("preferences")) + QStringLiteral("/defaults.plist");
    UserDefaults::standard().setFilePath(m_settingsPath);
    // As start-up leaves them; without a unit the General pane, which is in
    // front whenever the window opens, would repair it.
    store(QStringLiteral("MinimumFileSizeTMR"), quint64(1024));
    store(QStringLiteral("MinimumFileSizeTypeTMR"), QStringLiteral("KB"));
    loadLocalizationTable();
    FolderChooser::setCurrent(&chooser);
    setAlertRunner([this](QMessageBox &alert) { alerts.append({alert.text(), alert.informativeText()}); });
    resetScreens();
}

void PreferencesFixture::TearDown()
{
    ScreenRegistry::instance().reset();
    customAnimator.reset();
    isScrollingDisabled = false;
    FolderChooser::setCurrent(nullptr);
    setAlertRunner(nullptr);
}

void PreferencesFixture::resetScreens()
{
    ScreenRegistry::instance().reset();
    customAnimator.reset();
    isScrollingDisabled = false;
    allExtensions().clear();
    allIgnorePaths().clear();
    removalMode() = MovingType::Trash();
    minimumFileSize = 1024;
    confirmBeforeDeletingPhotosEnabled = true;
    backToHomeAlertEnabled = true;
    registerPreferencesScreens();
}

void PreferencesFixture::store(const QString &key, const QVariant &value)
{
    UserDefaults::standard().setObject(key, value);
}

void PreferencesFixture::remove(const QString &key)
{
    UserDefaults::standard().removeObject(key);
}

QVariant PreferencesFixture::stored(const QString &key)
{
    return UserDefaults::standard().object(key);
}

QString PreferencesFixture::settingsFile() const
{
    QFile file(m_settingsPath);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

PreferencesWindowController *PreferencesFixture::window()
{
    return ScreenRegistry::instance().get<PreferencesWindowController>(
        QLatin1String(ScreenId::PreferencesWindowController));
}

PreferencesTabViewController *PreferencesFixture::tabs()
{
    return window()->tabViewController();
}

void PreferencesFixture::showTab(int index)
{
    window()->showWindow();
    tabs()->setCurrentIndex(index);
}

void PreferencesFixture::saveRender(const QString &name)
{
    // Layouts settle on the event loop.
    QCoreApplication::processEvents();
    window()->grab().save(TestEnvironment::renderDirectory() + QLatin1Char('/') + name + QStringLiteral(".png"));
}
