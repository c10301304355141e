#include "RemovalPreferencesViewController.h"

#include <ButtonKeys.h>
#include <FolderChooser.h>
#include <KitAccessibility.h>
#include <Localization.h>
#include <ProcessState.h>
#include <SettingsStore.h>

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

RemovalPreferencesViewController::RemovalPreferencesViewController(QWidget *parent)
    : PreferencesViewController(QStringLiteral("IDS_TMR_22"), parent)
    , btnRemoveToTrash(new RadioGroup::Button(this))
    , btnRemoeToFolder(new RadioGroup::Button(this))
    , lblCapRemovalMethod(new QLabel(this))
    , lblHeaderRemovalMethod(new QLabel(this))
    , pathControl(new QLineEdit)
    , btnBrowseFolder(new QPushButton)
    , btnMoveToPermanently(new RadioGroup::Button(this))
    , btnOverwriteFilePath(new QCheckBox)
    , stackViewSubpartFolderRemoval(new QWidget(this))
{
    btnRemoveToTrash->setObjectName(QStringLiteral("btnRemoveToTrash"));
    btnRemoeToFolder->setObjectName(QStringLiteral("btnRemoeToFolder"));
    btnMoveToPermanently->setObjectName(QStringLiteral("btnMoveToPermanently"));
    pathControl->setObjectName(QStringLiteral("pathControl"));
    btnBrowseFolder->setObjectName(QStringLiteral("btnBrowseFolder"));
    ButtonKeys::pressOnReturn(btnBrowseFolder);
    btnOverwriteFilePath->setObjectName(QStringLiteral("btnOverwriteFilePath"));
    stackViewSubpartFolderRemoval->setObjectName(QStringLiteral("stackViewSubpartFolderRemoval"));

    // The pane sets all three radios itself every time it shows the mode.
    for (QRadioButton *radio : {btnRemoveToTrash, btnRemoeToFolder, btnMoveToPermanently})
        radio->setAutoExclusive(false);
    pathControl->setReadOnly(true);
    pathControl->setFocusPolicy(Qt::NoFocus);
    QFont heading = lblHeaderRemovalMethod->font();
    heading.setBold(true);
    lblHeaderRemovalMethod->setFont(heading);
    lblCapRemovalMethod->setWordWrap(true);

    auto *folderPart = new QVBoxLayout(stackViewSubpartFolderRemoval);
    folderPart->setContentsMargins(24, 0, 0, 0);
    auto *pathRow = new QHBoxLayout;
    pathRow->addWidget(pathControl, 1);
    pathRow->addWidget(btnBrowseFolder);
    folderPart->addLayout(pathRow);
    folderPart->addWidget(btnOverwriteFilePath);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 20, 24, 20);
    layout->setSpacing(10);
    layout->addWidget(lblHeaderRemovalMethod);
    layout->addWidget(lblCapRemovalMethod);
    layout->addWidget(btnRemoveToTrash);
    layout->addWidget(btnMoveToPermanently);
    layout->addWidget(btnRemoeToFolder);
    layout->addWidget(stackViewSubpartFolderRemoval);
    layout->addStretch(1);

    // Tab, the arrows and assistive tools follow the screen: Trash, Delete,
    // Folder, then the folder's own controls.
    new RadioGroup({btnRemoveToTrash, btnMoveToPermanently, btnRemoeToFolder}, this);
    KitAccessibility::setReadingOrder({lblHeaderRemovalMethod, lblCapRemovalMethod, btnRemoveToTrash, btnMoveToPermanently,
                                       btnRemoeToFolder, stackViewSubpartFolderRemoval});
    QWidget::setTabOrder(btnRemoeToFolder, btnBrowseFolder);
    QWidget::setTabOrder(btnBrowseFolder, btnOverwriteFilePath);

    connect(btnRemoveToTrash, &QRadioButton::clicked, this, [this] { clickedMoveToTrash(); });
    connect(btnMoveToPermanently, &QRadioButton::clicked, this, [this] { clickedMoveToPermanently(); });
    connect(btnRemoeToFolder, &QRadioButton::clicked, this, [this] { clickedMoveToFolder(); });
    connect(btnBrowseFolder, &QPushButton::clicked, this, [this] { browseFolder(); });
    connect(btnOverwriteFilePath, &QCheckBox::clicked, this, [this] { clickedOverwriteFilePath(); });
}

void RemovalPreferencesViewController::viewDidLoad()
{
    lblHeaderRemovalMethod->setText(localizedString(QStringLiteral("IDS_TMR_37")));
    lblCapRemovalMethod->setText(localizedString(QStringLiteral("IDS_TMR_38")));
    btnRemoveToTrash->setText(localizedString(QStringLiteral("IDS_TMR_39")));
    btnMoveToPermanently->setText(localizedString(QStringLiteral("IDS_TMR_40")));
    btnRemoeToFolder->setText(localizedString(QStringLiteral("IDS_TMR_41")));
    btnBrowseFolder->setText(localizedString(QStringLiteral("IDS_TMR_42")));
    btnOverwriteFilePath->setText(localizedString(QStringLiteral("IDS_TMR_43")));
    // The field shows a path only; its name says which folder that is.
    pathControl->setAccessibleName(localizedString(QStringLiteral("IDS_TMR_42_1")));
}

void RemovalPreferencesViewController::viewWillAppear()
{
    updateControls();
}

void RemovalPreferencesViewController::showDestination(const QString &path, bool overwrite)
{
    const QSignalBlocker blocker(btnOverwriteFilePath);
    pathControl->setText(QDir::toNativeSeparators(path));
    btnOverwriteFilePath->setChecked(overwrite);
}

void RemovalPreferencesViewController::updateControls()
{
    const MovingType mode = removalMode();
    const QSignalBlocker trashBlocker(btnRemoveToTrash);
    const QSignalBlocker folderBlocker(btnRemoeToFolder);
    const QSignalBlocker permanentBlocker(btnMoveToPermanently);
    btnRemoveToTrash->setChecked(mode.kind == MovingType::Kind::Trash);
    btnRemoeToFolder->setChecked(mode.kind == MovingType::Kind::Folder);
    btnMoveToPermanently->setChecked(mode.kind == MovingType::Kind::Permanently);
    if (mode.kind != MovingType::Kind::Folder) {
        stackViewSubpartFolderRemoval->hide();
        return;
    }
    if (QFileInfo(mode.path).isDir()) {
        showDestination(mode.path, mode.overwrite);
    } else if (!mode.path.isEmpty() && QDir::isAbsolutePath(mode.path) && QDir().mkpath(mode.path)) {
        // The destination went away since it was chosen: make it again, with
        // its parents. A relative path would land under the working folder,
        // so nothing is made from one.
        showDestination(mode.path, mode.overwrite);
    }
    stackViewSubpartFolderRemoval->show();
}

void RemovalPreferencesViewController::clickedMoveToTrash()
{
    removalMode() = MovingType::Trash();
    updateControls();
    saveRemovalSettings();
}

void RemovalPreferencesViewController::clickedMoveToPermanently()
{
    removalMode() = MovingType::Permanently();
    updateControls();
    saveRemovalSettings();
}

void RemovalPreferencesViewController::clickedMoveToFolder()
{
    // The mode changes only once a folder is chosen.
    {
        const QSignalBlocker blocker(btnRemoeToFolder);
        btnRemoeToFolder->setChecked(false);
    }
    browseFolder();
}

void RemovalPreferencesViewController::browseFolder()
{
    FolderChooserOptions options;
    options.canChooseFiles = false;
    options.allowsMultipleSelection = false;
    chooseFolders(options, [this](bool accepted, const QStringList &paths) { folderChosen(accepted, paths); });
}

void RemovalPreferencesViewController::folderChosen(bool accepted, const QStringList &paths)
{
    if (!accepted || paths.isEmpty()) {
        // The radios show the mode in force again, never all three off.
        updateControls();
        return;
    }
    // A chosen folder starts with overwriting on; the removal run never
    // destroys a same-named file it was not asked to remove.
    removalMode() = MovingType::Folder(paths.first(), true);
    updateControls();
    saveRemovalSettings();
}

void RemovalPreferencesViewController::clickedOverwriteFilePath()
{
    MovingType &mode = removalMode();
    if (mode.kind != MovingType::Kind::Folder)
        return;
    mode = MovingType::Folder(mode.path, btnOverwriteFilePath->isChecked());
    saveRemovalSettings();
}
