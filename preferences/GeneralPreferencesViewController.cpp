#include "GeneralPreferencesViewController.h"

#include <KitAccessibility.h>
#include <LaunchOnStartup.h>
#include <Localization.h>
#include <ProcessState.h>
#include <Updater.h>
#include <UserDefaults.h>

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {

constexpr quint64 kilobyte = 1024;
constexpr quint64 megabyte = 1024 * 1024;

UserDefaults &defaults()
{
    return UserDefaults::standard();
}

QLabel *caption(QWidget *parent)
{
    auto *label = new QLabel(parent);
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
    return label;
}

QString withoutTrailingColon(QString text)
{
    text = text.trimmed();
    if (text.endsWith(QLatin1Char(':')))
        text.chop(1);
    return text;
}

} // namespace

GeneralPreferencesViewController::GeneralPreferencesViewController(QWidget *parent)
    : PreferencesViewController(QStringLiteral("IDS_TMR_19"), parent)
    , btnLaunchAutomatically(new QCheckBox(this))
    , comboBoxLanguage(new QComboBox(this))
    , stepperFileSize(new QSpinBox(this))
    , btnKB(new RadioGroup::Button(QStringLiteral("KB"), this))
    , btnMB(new RadioGroup::Button(QStringLiteral("MB"), this))
    , lblCapApplicationSettings(caption(this))
    , lblCapLanguageSettings(caption(this))
    , lblCapMinimumFileSize(caption(this))
    , lblSelectLanguage(new QLabel(this))
    , lblSelectMinimumSize(new QLabel(this))
    , btnAutoUpdate(new QCheckBox(this))
    , lblUpdateSetting(caption(this))
{
    btnLaunchAutomatically->setObjectName(QStringLiteral("btnLaunchAutomatically"));
    comboBoxLanguage->setObjectName(QStringLiteral("comboBoxLanguage"));
    stepperFileSize->setObjectName(QStringLiteral("stepperFileSize"));
    btnKB->setObjectName(QStringLiteral("btnKB"));
    btnMB->setObjectName(QStringLiteral("btnMB"));
    btnAutoUpdate->setObjectName(QStringLiteral("btnAutoUpdate"));

    stepperFileSize->setRange(0, maximumSizeInUnits);
    // A typed number counts once it is committed, not at every keystroke.
    stepperFileSize->setKeyboardTracking(false);
    // Without a stored choice start-up installs updates automatically, and
    // the box shows that until a stored 0 or 1 says otherwise.
    btnAutoUpdate->setChecked(true);
    // The pane sets both unit buttons itself, every time it shows the unit.
    btnKB->setAutoExclusive(false);
    btnMB->setAutoExclusive(false);
    new RadioGroup({btnKB, btnMB}, this);

    lblSelectLanguage->setBuddy(comboBoxLanguage);
    lblSelectMinimumSize->setBuddy(stepperFileSize);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 20, 24, 20);
    layout->setSpacing(8);
    layout->addWidget(lblCapApplicationSettings);
    layout->addWidget(btnLaunchAutomatically);
    layout->addSpacing(10);
    layout->addWidget(lblCapLanguageSettings);
    auto *languageRow = new QHBoxLayout;
    languageRow->addWidget(lblSelectLanguage);
    languageRow->addWidget(comboBoxLanguage);
    languageRow->addStretch(1);
    layout->addLayout(languageRow);
    layout->addSpacing(10);
    layout->addWidget(lblCapMinimumFileSize);
    auto *sizeRow = new QHBoxLayout;
    sizeRow->addWidget(lblSelectMinimumSize);
    sizeRow->addWidget(stepperFileSize);
    sizeRow->addWidget(btnKB);
    sizeRow->addWidget(btnMB);
    sizeRow->addStretch(1);
    layout->addLayout(sizeRow);
    layout->addSpacing(10);
    layout->addWidget(lblUpdateSetting);
    layout->addWidget(btnAutoUpdate);
    layout->addStretch(1);
    KitAccessibility::setReadingOrder({lblCapApplicationSettings, btnLaunchAutomatically, lblCapLanguageSettings,
                                       lblSelectLanguage, comboBoxLanguage, lblCapMinimumFileSize, lblSelectMinimumSize,
                                       stepperFileSize, btnKB, btnMB, lblUpdateSetting, btnAutoUpdate});

    // Only what the user does is written: the pane shows values under signal
    // blockers, and clicked/activated are never sent by code.
    connect(btnLaunchAutomatically, &QCheckBox::clicked, this, [this] { clickedAutomatically(); });
    connect(comboBoxLanguage, &QComboBox::activated, this, [] {
        // Only one language exists: choosing it changes nothing.
    });
    connect(stepperFileSize, &QSpinBox::valueChanged, this, [this] { clickedStepperMinimumFileSize(); });
    connect(btnKB, &QRadioButton::clicked, this, [this] { clickedKB(); });
    connect(btnMB, &QRadioButton::clicked, this, [this] { clickedMB(); });
    connect(btnAutoUpdate, &QCheckBox::clicked, this, [this] { clickedAutoupdate(); });
}

void GeneralPreferencesViewController::viewDidLoad()
{
    {
        const QSignalBlocker blocker(comboBoxLanguage);
        comboBoxLanguage->clear();
        comboBoxLanguage->addItems(languageNames());
        comboBoxLanguage->setCurrentIndex(0);
    }
    lblCapApplicationSettings->setText(localizedString(QStringLiteral("IDS_TMR_24")));
    btnLaunchAutomatically->setText(localizedString(QStringLiteral("IDS_TMR_25")));
    lblCapLanguageSettings->setText(localizedString(QStringLiteral("IDS_TMR_26")));
    lblSelectLanguage->setText(localizedString(QStringLiteral("IDS_TMR_27")));
    lblCapMinimumFileSize->setText(localizedString(QStringLiteral("IDS_TMR_28")));
    lblSelectMinimumSize->setText(localizedString(QStringLiteral("IDS_TMR_29")));
    lblUpdateSetting->setText(localizedString(QStringLiteral("IDS_TMR_264")));
    btnAutoUpdate->setText(localizedString(QStringLiteral("IDS_TMR_265")));
    // The spin box says what it sets, as its prompt does. (A combo box is
    // named by its choice; its prompt reaches assistive tools as its label.)
    stepperFileSize->setAccessibleName(withoutTrailingColon(lblSelectMinimumSize->text()));
}

void GeneralPreferencesViewController::viewWillAppear()
{
    showMinimumFileSize();

    // Every showing brings the login item in line with the setting; a missing
    // or mistyped value counts as off, as at start-up.
    const bool launchAtLogin = defaults().boolValue(QLatin1String(kLoginStartStatusKey)).value_or(false);
    {
        const QSignalBlocker blocker(btnLaunchAutomatically);
        btnLaunchAutomatically->setChecked(launchAtLogin);
    }
    LaunchOnStartup::setLaunchAtStartup(launchAtLogin);

    // Packages bring updates on this system: with no updater there is nothing
    // to install automatically, so the setting is not offered.
    const bool hasUpdater = Updater::isAvailable();
    lblUpdateSetting->setVisible(hasUpdater);
    btnAutoUpdate->setVisible(hasUpdater);

    // Only 0 and 1 mean something; anything else leaves the box as it is.
    const auto autoUpdate = defaults().integerValue(QLatin1String(kAutoCheckForUpdateKey));
    if (autoUpdate && (*autoUpdate == 0 || *autoUpdate == 1)) {
        const QSignalBlocker blocker(btnAutoUpdate);
        btnAutoUpdate->setChecked(*autoUpdate == 1);
    }
}

void GeneralPreferencesViewController::showMinimumFileSize()
{
    const QSignalBlocker sizeBlocker(stepperFileSize);

    const auto unit = defaults().stringValue(QLatin1String(kMinimumFileSizeTypeKey));
    if (!unit) {
        // The unit was lost: go back to the start-up default, and show it, so
        // the pane never shows a size other than the one in force.
        defaults().setObject(QLatin1String(kMinimumFileSizeKey), kilobyte);
        defaults().setObject(QLatin1String(kMinimumFileSizeTypeKey), QStringLiteral("KB"));
        minimumFileSize = kilobyte;
        showUnit(kilobyte);
        stepperFileSize->setValue(1);
        return;
    }

    quint64 unitBytes = 0;
    if (*unit == QLatin1String("KB"))
        unitBytes = kilobyte;
    else if (*unit == QLatin1String("MB"))
        unitBytes = megabyte;
    else
        return;
    showUnit(unitBytes);
    if (const auto bytes = defaults().unsignedValue(QLatin1String(kMinimumFileSizeKey))) {
        const quint64 units = *bytes / unitBytes;
        stepperFileSize->setValue(int(std::min<quint64>(units, quint64(maximumSizeInUnits))));
    }
}

void GeneralPreferencesViewController::clickedAutomatically()
{
    const bool enabled = btnLaunchAutomatically->isChecked();
    defaults().setObject(QLatin1String(kLoginStartStatusKey), enabled);
    LaunchOnStartup::setLaunchAtStartup(enabled);
}

void GeneralPreferencesViewController::clickedStepperMinimumFileSize()
{
    storeMinimumFileSize();
}

void GeneralPreferencesViewController::clickedKB()
{
    switchUnit(kilobyte);
}

void GeneralPreferencesViewController::clickedMB()
{
    switchUnit(megabyte);
}

void GeneralPreferencesViewController::showUnit(quint64 unitBytes)
{
    const QSignalBlocker kbBlocker(btnKB);
    const QSignalBlocker mbBlocker(btnMB);
    btnKB->setChecked(unitBytes == kilobyte);
    btnMB->setChecked(unitBytes == megabyte);
}

void GeneralPreferencesViewController::switchUnit(quint64 unitBytes)
{
    // The number stays; only its unit changes.
    showUnit(unitBytes);
    defaults().setObject(QLatin1String(kMinimumFileSizeTypeKey),
                         unitBytes == kilobyte ? QStringLiteral("KB") : QStringLiteral("MB"));
    storeMinimumFileSize();
}

void GeneralPreferencesViewController::storeMinimumFileSize()
{
    const quint64 units = quint64(std::max(0, stepperFileSize->value()));
    const quint64 bytes = units * (btnKB->isChecked() ? kilobyte : megabyte);
    defaults().setObject(QLatin1String(kMinimumFileSizeKey), bytes);
    // The next scan takes the new size; a running one keeps the size it started with.
    minimumFileSize = bytes;
}

void GeneralPreferencesViewController::clickedAutoupdate()
{
    defaults().setObject(QLatin1String(kAutoCheckForUpdateKey), btnAutoUpdate->isChecked() ? 1 : 0);
}
