#pragma once

#include "PreferencesViewController.h"

class QLabel;
class QLineEdit;
class QPushButton;

// Asks for one file extension over the Ignore List pane and adds it to the
// ignored extensions. Shown and taken away by the shared presentation
// animator; the pane is reached through the screen registry.
class PopoverTextFieldVC : public PreferencesViewController
{
    Q_OBJECT

public:
    explicit PopoverTextFieldVC(QWidget *parent = nullptr);

    QLabel *lblHeader;
    QLineEdit *textField;
    QPushButton *btnAdd;
    QPushButton *btnCancel;
    // Add was pressed since the popover was last shown.
    bool isClickedAlready = false;

    void addExtension();
    // Brings the pane back after an extension was added (or was there already).
    void dismissVC();

protected:
    void viewDidLoad() override;
    void viewWillAppear() override;
    // Escape answers Cancel.
    void keyPressEvent(QKeyEvent *event) override;
    // Tab stays inside the popover while it is up.
    bool focusNextPrevChild(bool next) override;

private:
    void clickedAdd();
    void clickedCancel();
    // Return in the field. Only Return ends the editing: a click on Cancel
    // takes the focus from the field before the click arrives, and must not
    // add what was typed.
    void controlTextDidEndEditing();

    // Set once the popover has answered; it then ignores Add, Return and
    // Cancel until it is shown again, so one answer closes it once.
    bool m_isClosing = false;
};
