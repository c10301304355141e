#pragma once

#include "Records.h"

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <QVariantMap>

#include <optional>

// The result dictionary: category name to that category's duplicate groups,
// keys kept in the order they were set. Written on the main thread only.
class ResultDictionary
{
public:
    bool contains(const QString &key) const;
    // Nothing when the key is absent.
    std::optional<GroupList> value(const QString &key) const;
    const GroupList *find(const QString &key) const;
    GroupList *find(const QString &key);
    void setValue(const QString &key, const GroupList &groups);
    void remove(const QString &key);
    void removeAll();
    QStringList keys() const;
    bool isEmpty() const { return m_entries.isEmpty(); }
    qsizetype count() const { return m_entries.size(); }

private:
    QList<QPair<QString, GroupList>> m_entries;
};

// Removal tally of one category.
struct ItemTally
{
    QString name;
    int count = 0;
    quint64 bytes = 0;
};

// The result store, created empty on first use.
ResultDictionary &duplicateResults();
ResultDictionary &savedDuplicateResults();
QList<Categories> &categoryRows();
QList<Categories> &savedCategoryRows();
QList<FileInfoGroup> &allDuplicateGroups();
QList<FileInfoGroup> &savedAllDuplicateGroups();
QList<InitialDirectory> &groupRows();
QList<InitialDirectory> &displayedGroupRows();
QList<MarkedCategories> &markedCategories();
// Empties the results and their saved copies (a new scan starts from nothing);
// marks and the table rows are the results screen's to reset.
void clearScanResults();

// Settings as they stand in memory; the settings store loads and saves them.
inline quint64 minimumFileSize = 1024;
inline bool confirmBeforeDeletingPhotosEnabled = true;
inline bool backToHomeAlertEnabled = true;
QList<AllExtensions> &allExtensions();
QList<AllIgnorePaths> &allIgnorePaths();
QList<AllOptions> &allOptions();
MovingType &removalMode();
std::optional<QVariantMap> &localizedStrings();
QStringList &languageNames();

// Results of the last removal run.
inline bool notMovedBecauseExists = false;
inline bool notMovedBecauseSameFolder = false;
inline bool allDuplicatesRemoved = false;
inline int removedPhotoCount = 0;
inline quint64 removedPhotoBytes = 0;
// Seven entries: "Photos", "Videos", "Documents", "Archives", "Musics", "Applications", "Others".
QList<ItemTally> &removedItemTallies();
// Adds one item to the category's tally; a name that is none of the seven adds nothing.
void tallyRemovedItem(const QString &categoryName, const std::optional<Metadata> &file);
void resetRemovedItemTallies();
// A null string stands for an item without library properties.
QStringList &photoIdentifiersToMove();

// Screen flags; main thread only.
inline bool isScanDialogShown = false;
inline bool isScanning = false;
inline bool isScanFinished = false;
inline bool isBackFromDashboard = false;
inline bool isBackFromRemoval = false;
inline bool isDashboardShown = false;
inline bool isOverlayDialogShown = false;
inline bool isCustomDialogShown = false;
inline bool isFolderPanelOpen = false;
inline bool isHomeFolderPanelOpen = false;
inline bool isRotating = false;
inline bool isScrollingDisabled = false;
inline bool isDashboardMiniaturized = false;

// The drop area takes a drag only while no panel, rotation or dialog is active.
bool dropAreaAcceptsDrag();

// Settings keys.
inline constexpr const char kIgnoreExtensionsKey[] = "IgnoreExtensionsTMR";
inline constexpr const char kIgnoreExtensionsStateKey[] = "kIgnoreExtensionsStateTMR";
inline constexpr const char kIgnorePathsKey[] = "IgnorePathsTMR";
inline constexpr const char kIgnorePathsStateKey[] = "kIgnorePathsStateTMR";
inline constexpr const char kRemovableTypeKey[] = "RemovableTypeTMR";
inline constexpr const char kRemovablePathKey[] = "RemovablePathTMR";
inline constexpr const char kRemovableIsPathWriteKey[] = "RemovableIsPathWriteTMR";
inline constexpr const char kMinimumFileSizeTypeKey[] = "MinimumFileSizeTypeTMR";
inline constexpr const char kMinimumFileSizeKey[] = "MinimumFileSizeTMR";
inline constexpr const char kLoginStartStatusKey[] = "LoginStartStatusTMR";
inline constexpr const char kAutoCheckForUpdateKey[] = "AutoCheckForUpdateTMR";
inline constexpr const char kCountAdvertiseKey[] = "CountAdvertiseTMR";
inline constexpr const char kStartupKey[] = "StartupTMR";
inline constexpr const char kFirstRunKey[] = "FirstRunTMR";
inline constexpr const char kLastVersionKey[] = "lastVersion";
inline constexpr const char kConfirmBeforeDeletingPhotosKey[] = "confirmBeforeDeletingPhotos";
inline constexpr const char kBackToHomeAlertKey[] = "backToHomeAlert";
inline constexpr const char kDisablePieChartAnimationKey[] = "disablePieChartAnimation";

// Notification names.
inline constexpr const char kBackToHomeObserverNotification[] = "BackToHomeObserverTMR";
inline constexpr const char kHideTopParentLayerScanVCNotification[] = "HideTopParentLayerScanVCTMR";
inline constexpr const char kDeleteDuplicateFilesNotification[] = "DeleteDuplicateFilesTMR";
inline constexpr const char kHideTopParentLayerDashboardNotification[] = "HideTopParentLayerDashboardTMR";
inline constexpr const char kHideTopLayerHomeNotification[] = "kHideTopLayerHomeTMR";
inline constexpr const char kAboutDashboardNotification[] = "kAboutDashboardTMR";
inline constexpr const char kFolderSizeRetriveNotification[] = "kFolderSizeRetrive";
inline constexpr const char kDropViewNotification[] = "DropViewTMR";
inline constexpr const char kEnterRotateNotification[] = "kEnterRotate";
inline constexpr const char kExitRotateNotification[] = "kExitRotate";
inline constexpr const char kResetHomeToolTipsNotification[] = "kResetHomeToolTips";
inline constexpr const char kAboutHomeNotification[] = "kAboutHomeTMR";

// Default ignore lists.
const QStringList &defaultIgnoredExtensions();
// The seven roles in order: applications, the user's application data (the
// data home in use), the Trash in it, Dropbox, and three system folders.
QStringList defaultIgnorePaths();

// Photos-library paths; the reader overwrites the first three when the user
// chooses a library.
QString &photosDatabasePath();
QString &photosDatabaseWalPath();
QString &photosDatabaseShmPath();
QString &photosDatabaseCopyPath();
QString &photosDatabaseWalCopyPath();
QString &photosDatabaseShmCopyPath();
// The folder that holds the working copies (created before copying).
QString photosCacheDirectory();

// Colours.
const Color &linkColor();
const Color &linkHoverColor();
const Color &trashEnabledFillColor();
const Color &trashEnabledTextColor();
const Color &trashDisabledFillColor();
const Color &trashDisabledTextColor();
const Color &folderChipHoverBorderColor();
const Color &scrollerKnobColor();
const Color &scrollerTrackColor();

// Web pages opened by the screens.
const QList<QUrl> &socialPageURLs();
const std::optional<QUrl> &privacyPolicyURL();
const std::optional<QUrl> &eulaURL();
const std::optional<QUrl> &uninstallInstructionsURL();
const std::optional<QUrl> &blogURL();
// Campaign pages of the sibling products, in the order calloway, Larkspire, Morrowgate.
const QList<QUrl> &siblingCampaignURLs();

inline constexpr const char appFolderName[] = "twinmoor";

// The platform's standard ordering of texts, as a sort predicate.
bool stringLessThan(const QString &a, const QString &b);
