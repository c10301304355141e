#pragma once

#include "PreferencesViewController.h"
#include "RadioGroup.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

// What the removal run does with the marked copies: Trash, permanent
// removal, or a move into a folder the user chose.
class RemovalPreferencesViewController : public PreferencesViewController
{
    Q_OBJECT

public:
    explicit RemovalPreferencesViewController(QWidget *parent = nullptr);

    RadioGroup::Button *btnRemoveToTrash;
    RadioGroup::Button *btnRemoeToFolder;
    QLabel *lblCapRemovalMethod;
    QLabel *lblHeaderRemovalMethod;
    // Shows the destination folder.
    QLineEdit *pathControl;
    QPushButton *btnBrowseFolder;
    RadioGroup::Button *btnMoveToPermanently;
    QCheckBox *btnOverwriteFilePath;
    // The folder part of the pane, shown only in Folder mode.
    QWidget *stackViewSubpartFolderRemoval;

    // Shows the removal mode in force; in Folder mode a destination that has
    // gone is made again first (only from an absolute path).
    void updateControls();
    void browseFolder();
    // The completion of the folder chooser.
    void folderChosen(bool accepted, const QStringList &paths);

protected:
    void viewDidLoad() override;
    void viewWillAppear() override;

private:
    void clickedMoveToTrash();
    void clickedMoveToPermanently();
    void clickedMoveToFolder();
    void clickedOverwriteFilePath();
    void showDestination(const QString &path, bool overwrite);
};
