#pragma once

#include "PreferencesViewController.h"

class PaneTableView;
class QLabel;
class QPushButton;

// The two ignore lists: the option table chooses whether the list table shows
// the ignored paths or the ignored extensions. Every change is stored at once.
class IgnoreListPreferencesViewController : public PreferencesViewController
{
    Q_OBJECT

public:
    explicit IgnoreListPreferencesViewController(QWidget *parent = nullptr);

    PaneTableView *tableViewOptions;
    PaneTableView *tableViewExtensions;
    // Dims the pane while the extension popover is up.
    QWidget *topLayerImageView;
    QPushButton *btnAdd;
    QPushButton *btnRemove;
    QPushButton *btnRestoreDefaults;
    QLabel *lblTMRWillNotScanFolders;
    // false: the list table shows the paths; true: the extensions.
    bool isExtensions = false;

    // Before the extension popover comes up: the pane stops reacting and its
    // lists stop scrolling.
    void disableControls();
    // When the popover has gone (and once at load).
    void enableControls();

    // The completion of the chooser that Add opens for paths. Adds every
    // chosen path that may be ignored, then reports the first kind of refusal
    // in one alert, half a second later.
    void addChosenPaths(bool accepted, const QStringList &paths);

    // The alerts of refused paths.
    void showAlert();
    void showAlertScanList();
    void showAlertIsNotAdded();
    void showAlertParentScanList();

protected:
    void viewDidLoad() override;
    void viewWillAppear() override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void clickedAdd();
    void clickedRemove();
    void clickedRestoreDefaults();
    void clickCheckBox(int row, bool checked);
    void optionsSelectionDidChange();
    void listSelectionDidChange();
    // Space on a row of the list table.
    void switchEntry(int row);
    int shownListCount() const;
    void nameShownList();
    QWidget *optionCell(int row);
    QWidget *listCell(int row);
    void setTablesEnabled(bool enabled);
    void showRefusal(const QString &reasonKey);
};
