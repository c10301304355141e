#include "IgnoreListPreferencesViewController.h"

#include "IgnoreListExtensionsCellView.h"
#include "IgnoreListOptionsCellView.h"
#include "PaneTableView.h"

#include <Alert.h>
#include <ButtonKeys.h>
#include <CustomAnimator.h>
#include <FocusHandOff.h>
#include <FolderChooser.h>
#include <KitAccessibility.h>
#include <Localization.h>
#include <MainBundle.h>
#include <ProcessState.h>
#include <ScanPaths.h>
#include <ScreenRegistry.h>
#include <SettingsStore.h>

#include <QCheckBox>
#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace {

// Black at 70 % over the whole pane while the extension popover is up.
class DimmingView : public QWidget
{
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.fillRect(rect(), QColor(0, 0, 0, int(0.7 * 255)));
    }
};

// Why a chosen path was not added, in the order the one alert picks them.
enum class Refusal { alreadyListed, equalsScanFolder, root, parentOfScanFolder };

// The folders of the scan screen's list, when there is a scan screen. Reading
// never makes one: a new scan screen would only answer an empty list.
QStringList scanList()
{
    const QObject *scan = ScreenRegistry::instance().peekObject(QLatin1String(ScreenId::Scan));
    return scan ? scan->property("scanList").toStringList() : QStringList();
}

bool isListed(const QString &path)
{
    const QString clean = QDir::cleanPath(path);
    for (const AllIgnorePaths &entry : std::as_const(allIgnorePaths())) {
        if (entry.url && entry.url->isLocalFile() && QDir::cleanPath(entry.url->toLocalFile()) == clean)
            return true;
    }
    return false;
}

} // namespace

IgnoreListPreferencesViewController::IgnoreListPreferencesViewController(QWidget *parent)
    : PreferencesViewController(QStringLiteral("IDS_TMR_21"), parent)
    , tableViewOptions(new PaneTableView(this))
    , tableViewExtensions(new PaneTableView(this))
    , topLayerImageView(new DimmingView(this))
    , btnAdd(new QPushButton(QStringLiteral("+"), this))
    , btnRemove(new QPushButton(QStringLiteral("\u2212"), this))
    , btnRestoreDefaults(new QPushButton(this))
    , lblTMRWillNotScanFolders(new QLabel(this))
{
    tableViewOptions->setObjectName(QStringLiteral("tableViewOptions"));
    tableViewExtensions->setObjectName(QStringLiteral("tableViewExtensions"));
    topLayerImageView->setObjectName(QStringLiteral("topLayerImageView"));
    btnAdd->setObjectName(QStringLiteral("btnAdd"));
    btnRemove->setObjectName(QStringLiteral("btnRemove"));
    btnRestoreDefaults->setObjectName(QStringLiteral("btnRestoreDefaults"));
    for (QPushButton *button : {btnAdd, btnRemove, btnRestoreDefaults})
        ButtonKeys::pressOnReturn(button);
    // Remove turns itself off with the entry it removed: the keyboard goes
    // back to the list, at the row that took the entry's place. Add turns
    // itself off under the extension popover, which takes the keyboard; until
    // then it waits on the pane.
    FocusHandOff::setTarget(btnRemove, tableViewExtensions);
    FocusHandOff::setTarget(btnAdd, this);
    lblTMRWillNotScanFolders->setWordWrap(true);
    btnAdd->setFixedWidth(36);
    btnRemove->setFixedWidth(36);
    tableViewOptions->setFixedWidth(190);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 16, 20, 16);
    layout->setSpacing(10);
    layout->addWidget(lblTMRWillNotScanFolders);
    auto *tables = new QHBoxLayout;
    tables->setSpacing(10);
    tables->addWidget(tableViewOptions);
    tables->addWidget(tableViewExtensions, 1);
    layout->addLayout(tables, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addSpacing(200);
    buttons->addWidget(btnAdd);
    buttons->addWidget(btnRemove);
    buttons->addStretch(1);
    buttons->addWidget(btnRestoreDefaults);
    layout->addLayout(buttons);
    KitAccessibility::setReadingOrder(
        {lblTMRWillNotScanFolders, tableViewOptions, tableViewExtensions, btnAdd, btnRemove, btnRestoreDefaults});

    tableViewOptions->numberOfRows = [] { return int(allOptions().size()); };
    tableViewOptions->viewForRow = [this](int row) { return optionCell(row); };
    tableViewExtensions->numberOfRows = [this] { return shownListCount(); };
    tableViewExtensions->viewForRow = [this](int row) { return listCell(row); };
    // Nothing can be chosen while the popover is up.
    tableViewOptions->shouldSelectRow = [](int) { return !isScrollingDisabled; };
    tableViewExtensions->shouldSelectRow = [](int) { return !isScrollingDisabled; };
    connect(tableViewOptions, &PaneTableView::selectionDidChange, this, [this] { optionsSelectionDidChange(); });
    connect(tableViewExtensions, &PaneTableView::selectionDidChange, this, [this] { listSelectionDidChange(); });
    connect(tableViewExtensions, &PaneTableView::spacePressed, this, [this](int row) { switchEntry(row); });

    connect(btnAdd, &QPushButton::clicked, this, [this] { clickedAdd(); });
    connect(btnRemove, &QPushButton::clicked, this, [this] { clickedRemove(); });
    connect(btnRestoreDefaults, &QPushButton::clicked, this, [this] { clickedRestoreDefaults(); });

    topLayerImageView->hide();
}

void IgnoreListPreferencesViewController::viewDidLoad()
{
    // Overlays of the preferences window start from this pane's frame.
    customAnimator.emplace(0.5, QRectF(geometry()));
    enableControls();
    ScreenRegistry &registry = ScreenRegistry::instance();
    if (!registry.peekObject(QLatin1String(ScreenId::IgnoreListPreferences)))
        registry.put(QLatin1String(ScreenId::IgnoreListPreferences), this);
    lblTMRWillNotScanFolders->setText(localizedString(QStringLiteral("IDS_TMR_33")));
    btnRestoreDefaults->setText(localizedString(QStringLiteral("IDS_TMR_34")));
    // The two buttons show only a sign.
    btnAdd->setAccessibleName(localizedString(QStringLiteral("IDS_TMR_50")));
    btnRemove->setAccessibleName(localizedString(QStringLiteral("IDS_TMR_50_1")));
    tableViewOptions->setAccessibleName(localizedString(QStringLiteral("IDS_TMR_21")));

    // Show which list is in front from the start; the paths come first.
    loadIgnoreListOptions();
    tableViewOptions->reloadData();
    tableViewOptions->clickRow(isExtensions ? 1 : 0);
}

void IgnoreListPreferencesViewController::viewWillAppear()
{
    loadIgnoreListOptions();
    loadIgnoreLists();
    tableViewOptions->reloadData();
    tableViewExtensions->reloadData();
    btnRemove->setEnabled(shownListCount() > 0);
    nameShownList();
}

void IgnoreListPreferencesViewController::resizeEvent(QResizeEvent *event)
{
    PreferencesViewController::resizeEvent(event);
    topLayerImageView->setGeometry(rect());
}

void IgnoreListPreferencesViewController::nameShownList()
{
    // The list is named by the option that chose it: folders and files, or
    // extensions.
    const int option = isExtensions ? 1 : 0;
    if (option < allOptions().size())
        tableViewExtensions->setAccessibleName(allOptions().at(option).name);
}

int IgnoreListPreferencesViewController::shownListCount() const
{
    return int(isExtensions ? allExtensions().size() : allIgnorePaths().size());
}

QWidget *IgnoreListPreferencesViewController::optionCell(int row)
{
    if (row < 0 || row >= allOptions().size())
        return nullptr;
    const AllOptions &option = allOptions().at(row);
    auto *cell = new IgnoreListOptionsCellView;
    if (option.image) {
        const QString path = MainBundle::pathForResource(*option.image, QString());
        if (!path.isEmpty())
            cell->imgView->setPixmap(QPixmap(path));
    }
    cell->lblName->setText(option.name);
    cell->setAccessibleName(option.name);
    return cell;
}

QWidget *IgnoreListPreferencesViewController::listCell(int row)
{
    if (row < 0 || row >= shownListCount())
        return nullptr;
    auto *cell = new IgnoreListExtensionsCellView;
    if (isExtensions) {
        const AllExtensions &entry = allExtensions().at(row);
        cell->lblName->setText(QLatin1Char('.') + entry.name);
        cell->btnCheckBox->setChecked(entry.isChecked);
    } else {
        const AllIgnorePaths &entry = allIgnorePaths().at(row);
        cell->lblName->setText(entry.url ? entry.url->toLocalFile() : QString());
        cell->btnCheckBox->setChecked(entry.isChecked);
    }
    cell->btnCheckBox->setAccessibleName(cell->lblName->text());
    cell->btnCheckBox->setEnabled(!isScrollingDisabled);
    connect(cell->btnCheckBox, &QCheckBox::clicked, this, [this, row](bool checked) { clickCheckBox(row, checked); });
    return cell;
}

void IgnoreListPreferencesViewController::optionsSelectionDidChange()
{
    const int row = tableViewOptions->selectedRow();
    if (row == 0)
        isExtensions = false;
    else if (row == 1)
        isExtensions = true;
    btnRemove->setEnabled(false);
    // A row chosen in the other list names nothing in this one, and Remove
    // is off: no row shows as chosen.
    tableViewExtensions->clearSelection();
    tableViewExtensions->reloadData();
    nameShownList();
}

void IgnoreListPreferencesViewController::listSelectionDidChange()
{
    btnRemove->setEnabled(tableViewExtensions->selectedRow() != -1);
}

void IgnoreListPreferencesViewController::switchEntry(int row)
{
    // Exactly as a click on the row's box: the same setting written, and a
    // box that is off while the popover is up does nothing.
    if (auto *cell = qobject_cast<IgnoreListExtensionsCellView *>(tableViewExtensions->viewAtRow(row)))
        cell->btnCheckBox->click();
}

void IgnoreListPreferencesViewController::clickedAdd()
{
    if (isExtensions) {
        disableControls();
        QWidget *popover = ScreenRegistry::instance().get<QWidget>(QLatin1String(ScreenId::PopoverTextField));
        if (customAnimator && popover)
            customAnimator->animatePresentationOfViewController(popover, this);
        else
            enableControls(); // nothing came up that could give the pane back
        return;
    }
    FolderChooserOptions options;
    options.canChooseFiles = true;
    options.allowsMultipleSelection = true;
    chooseFolders(options, [this](bool accepted, const QStringList &paths) { addChosenPaths(accepted, paths); });
}

void IgnoreListPreferencesViewController::addChosenPaths(bool accepted, const QStringList &paths)
{
    if (!accepted)
        return;
    const QStringList scanFolders = scanList();
    QList<Refusal> refusals;
    bool added = false;
    for (const QString &chosen : paths) {
        if (isListed(chosen)) {
            refusals.append(Refusal::alreadyListed);
            continue;
        }
        // Scan folders are compared on path-component boundaries: /u/a/Doc
        // does not contain /u/a/Documents.
        const QString clean = QDir::cleanPath(chosen);
        const IgnoreRules chosenCovers({{true, QUrl::fromLocalFile(clean)}});
        bool refusedForScan = false;
        for (const QString &folder : scanFolders) {
            const QString cleanFolder = QDir::cleanPath(folder);
            if (cleanFolder == clean) {
                refusals.append(Refusal::equalsScanFolder);
                refusedForScan = true;
            } else if (chosenCovers.covers(cleanFolder)) {
                refusals.append(Refusal::parentOfScanFolder);
                refusedForScan = true;
            }
        }
        if (clean == QLatin1String("/")) {
            refusals.append(Refusal::root);
            continue;
        }
        if (refusedForScan)
            continue;
        allIgnorePaths().append({true, QUrl::fromLocalFile(chosen)});
        added = true;
    }

    if (added) {
        saveIgnoreLists();
        tableViewExtensions->reloadData();
        if (tableViewExtensions->rowCount() == allIgnorePaths().size())
            tableViewExtensions->scrollRowToVisible(tableViewExtensions->rowCount() - 1);
    }
    if (refusals.isEmpty())
        return;
    const Refusal first = *std::min_element(refusals.cbegin(), refusals.cend());
    QTimer::singleShot(500, this, [this, first] {
        switch (first) {
        case Refusal::alreadyListed:
            showAlert();
            break;
        case Refusal::equalsScanFolder:
            showAlertScanList();
            break;
        case Refusal::root:
            showAlertIsNotAdded();
            break;
        case Refusal::parentOfScanFolder:
            showAlertParentScanList();
            break;
        }
    });
}

void IgnoreListPreferencesViewController::clickedRemove()
{
    const int row = tableViewExtensions->selectedRow();
    if (isExtensions) {
        if (row >= 0 && row < allExtensions().size())
            allExtensions().removeAt(row);
    } else if (row >= 0 && row < allIgnorePaths().size()) {
        allIgnorePaths().removeAt(row);
    }
    saveIgnoreLists();
    btnRemove->setEnabled(false);
    tableViewExtensions->reloadData();
    // The chosen entry has gone; the current row stays where the keys left it.
    tableViewExtensions->clearSelection();
}

void IgnoreListPreferencesViewController::clickCheckBox(int row, bool checked)
{
    if (isExtensions) {
        if (row < 0 || row >= allExtensions().size())
            return;
        allExtensions()[row].isChecked = checked;
    } else {
        if (row < 0 || row >= allIgnorePaths().size())
            return;
        allIgnorePaths()[row].isChecked = checked;
    }
    saveIgnoreLists();
}

void IgnoreListPreferencesViewController::clickedRestoreDefaults()
{
    loadIgnoreListOptions();
    restoreDefaultIgnoreLists();
    saveIgnoreLists();
    tableViewOptions->reloadData();
    tableViewExtensions->reloadData();
}

void IgnoreListPreferencesViewController::setTablesEnabled(bool enabled)
{
    for (PaneTableView *table : {tableViewOptions, tableViewExtensions}) {
        table->setEnabled(enabled);
        table->setScrollersShown(enabled);
    }
}

void IgnoreListPreferencesViewController::disableControls()
{
    isScrollingDisabled = true;
    btnAdd->setEnabled(false);
    btnRemove->setEnabled(false);
    btnRestoreDefaults->setEnabled(false);
    topLayerImageView->setGeometry(rect());
    topLayerImageView->show();
    topLayerImageView->raise();
    setTablesEnabled(false);
    tableViewExtensions->reloadData();
}

void IgnoreListPreferencesViewController::enableControls()
{
    isScrollingDisabled = false;
    btnAdd->setEnabled(true);
    if (tableViewExtensions->selectedRow() != -1)
        btnRemove->setEnabled(true);
    // The window's close button comes back with the animator, once the
    // popover has gone.
    btnRestoreDefaults->setEnabled(true);
    topLayerImageView->hide();
    setTablesEnabled(true);
    tableViewExtensions->reloadData();
    // The extension the popover added is the last row: it comes into view
    // once the rows it is among have been made.
    if (tableViewExtensions->rowCount() == allExtensions().size())
        tableViewExtensions->scrollRowToVisible(tableViewExtensions->rowCount() - 1);
}

void IgnoreListPreferencesViewController::showAlert()
{
    showRefusal(QStringLiteral("IDS_TMR_184"));
}

void IgnoreListPreferencesViewController::showAlertScanList()
{
    showRefusal(QStringLiteral("IDS_TMR_185"));
}

void IgnoreListPreferencesViewController::showAlertIsNotAdded()
{
    // The root needs no explanation: the alert has only its message.
    showRefusal(QString());
}

void IgnoreListPreferencesViewController::showAlertParentScanList()
{
    showRefusal(QStringLiteral("IDS_TMR_185_1"));
}

void IgnoreListPreferencesViewController::showRefusal(const QString &reasonKey)
{
    ::showAlert(localizedString(QStringLiteral("IDS_TMR_183")), localizedString(reasonKey));
}
