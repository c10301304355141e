#pragma once

#include "PreferencesViewController.h"

class QCheckBox;
class QLabel;

// The two confirmations the application asks for: before a removal run and
// before leaving the results for the home screen.
class AlertSettingsPreferencesViewController : public PreferencesViewController
{
    Q_OBJECT

public:
    explicit AlertSettingsPreferencesViewController(QWidget *parent = nullptr);

    QLabel *alertSettings;
    QLabel *lblQuillmereAsksforyou;
    QCheckBox *btnConfirmBeforeDeletePhotos;
    QCheckBox *btnConfirmWhenMovingAway;

protected:
    void viewDidLoad() override;
    // The confirmation dialogs can switch these off themselves, so the pane
    // reads them again at every showing.
    void viewWillAppear() override;

private:
    void tappedConfirmBeforeDeletingPhotos();
    void tappedConfirmAwayFromScanResults();
};
