#pragma once

#include "PreferencesViewController.h"
#include "RadioGroup.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QSpinBox;

// Launch at login, the interface language, the minimum file size the scan
// considers, and automatic installation of updates.
class GeneralPreferencesViewController : public PreferencesViewController
{
    Q_OBJECT

public:
    explicit GeneralPreferencesViewController(QWidget *parent = nullptr);

    // The number the spin box offers, in either unit: 2047 MB stays within a
    // signed 32-bit byte count, and the same bound in KB keeps a number valid
    // whichever unit the user switches to.
    static constexpr int maximumSizeInUnits = 2047;

    QCheckBox *btnLaunchAutomatically;
    QComboBox *comboBoxLanguage;
    QSpinBox *stepperFileSize;
    RadioGroup::Button *btnKB;
    RadioGroup::Button *btnMB;
    QLabel *lblCapApplicationSettings;
    QLabel *lblCapLanguageSettings;
    QLabel *lblCapMinimumFileSize;
    QLabel *lblSelectLanguage;
    QLabel *lblSelectMinimumSize;
    QCheckBox *btnAutoUpdate;
    QLabel *lblUpdateSetting;

protected:
    void viewDidLoad() override;
    void viewWillAppear() override;

private:
    void showMinimumFileSize();
    void clickedAutomatically();
    void clickedStepperMinimumFileSize();
    void clickedKB();
    void clickedMB();
    void clickedAutoupdate();
    // Sets both unit buttons, under signal blockers.
    void showUnit(quint64 unitBytes);
    void switchUnit(quint64 unitBytes);
    // Stores the spin box's number in the unit the buttons show.
    void storeMinimumFileSize();
};
