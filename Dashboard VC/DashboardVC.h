#pragma once

#include "CopyIndex.h"

#include <NotificationCenter.h>

#include <QList>
#include <QPointer>
#include <QUrl>
#include <QWidget>

#include <functional>
#include <optional>

class CategoryCellDelegate;
class GroupCellDelegate;
class ItemCellDelegate;
class PathControl;
class PreviewPane;
class ReviewSession;
class ReviewSortMenus;
struct PreviewCopy;
class QFocusEvent;
class QLabel;
class QLineEdit;
class QMediaPlayer;
class QPlainTextEdit;
class QPushButton;
class QTableView;
class QToolButton;
class Spinner;
class VideoPreview;

// The results screen: categories, groups and copies side by side, the preview
// of the chosen copy, the marking, sorting and search controls and the trash
// button. One is made with every results window; the one on show is the
// registry's "Dashboard", and only it reacts to notifications.
class DashboardVC : public QWidget
{
    Q_OBJECT

public:
    explicit DashboardVC(QWidget *parent = nullptr);
    ~DashboardVC() override;

    // What runs each time the screen is about to be shown: no search or saved
    // list survives, Back works again, the tables are rebuilt from the result
    // store, and the window comes in from the home window.
    void prepareToShow();

    // Places the results window by the home window and fades it in.
    void showDashboardWindow();
    // The way back: the home window returns where the results window was and
    // the results window shrinks into it, then closes.
    Q_INVOKABLE void showHomeWindow();

    // What the removal run asks of the screen it covers (by name: the removal
    // lies above this library).
    Q_INVOKABLE void updateTrashButton();
    Q_INVOKABLE void endSearch();
    Q_INVOKABLE void clearResultsPreview();
    // The store has been rewritten: rows back to the first, tables from the store.
    Q_INVOKABLE void resetSelectedRows();
    // The trash button: the removal screen ("Delete") takes over.
    void clickedTrashedMarked();
    // The removal confirmation's OK.
    void observerDeleteMarked();
    // Ends a running search, drops the lists derived from the store, empties
    // the video and closes the results window; the store keeps every group.
    void closeDashboard();
    // Back: once per showing.
    void clickBack();
    // The about overlay over the screen, on its dimming box.
    void aboutWindow();
    void presentWithTopLayer(QWidget *overlay);
    void hideTopBlackLayer();
    void hideTopParentLayer();
    void clickedBlog();

    // The model of the screen: selection, marks, order and search.
    ReviewSession *session() const { return m_session; }

    // Reveals the chosen copy in its folder; nothing when no copy is chosen
    // or its row has fallen out of its list.
    void openFileInContainingFolder();
    // Reveals one component of a path (a parent folder, or the copy itself).
    void clickPathControl(const QString &path);
    // From a row of the marked-copies list to the same copy in "All
    // Duplicates": its group and the copy are chosen and scrolled into view.
    // Without a match the first copy of the first group is chosen.
    void clickedShowRelated(int markedRow);

    // The user's choice of a row (what a click or the keyboard does).
    void chooseCategoryRow(int row);
    void chooseGroupRow(int row);
    void chooseItemRow(int row);
    // The search field's text changed.
    void searchTextChanged(const QString &text);

    // Outlets, by the names the other screens and the tests know them.
    QLabel *imgViewAppTitle() const { return m_imgViewAppTitle; }
    QLabel *lblTitle() const { return m_lblTitle; }
    QWidget *topLayerParent() const { return m_topLayerParent; }
    Spinner *loader() const { return m_loader; }
    QTableView *tableViewCategories() const { return m_tableViewCategories; }
    QTableView *tableViewGroups() const { return m_tableViewGroups; }
    QTableView *tableViewItems() const { return m_tableViewItems; }
    PreviewPane *previewPane() const { return m_previewPane; }
    QWidget *scrollViewTextView() const;
    QPlainTextEdit *txtViewResult() const;
    VideoPreview *videoPlayerResult() const;
    QMediaPlayer *videoPlayer() const;
    QLabel *imgViewResult() const;
    QLabel *lblDateModifiedResult() const;
    QLabel *lblFileNameResult() const;
    QPushButton *btnBack() const { return m_btnBack; }
    QPushButton *btnSmartCheckGroup() const { return m_btnSmartCheckGroup; }
    QPushButton *btnSortInGroup() const { return m_btnSortInGroup; }
    QPushButton *btnSmartCheckGroupItems() const { return m_btnSmartCheckGroupItems; }
    QWidget *boxHeader() const { return m_boxHeader; }
    QWidget *boxExactDuplicates() const { return m_boxExactDuplicates; }
    QWidget *boxSmartCheckGroup() const { return m_boxSmartCheckGroup; }
    QWidget *boxFileName() const { return m_boxFileName; }
    QWidget *boxParent() const { return m_boxParent; }
    QToolButton *pathControlResult() const;
    QPushButton *btnTrash() const { return m_btnTrash; }
    QWidget *boxTrashMarked() const { return m_boxTrashMarked; }
    QLabel *lblTrashMarked() const { return m_lblTrashMarked; }
    QLabel *lblExactMatchCategoriesHeader() const { return m_lblExactMatchCategoriesHeader; }
    QLabel *lblLastModifiedDate() const;
    QWidget *stackViewSize() const;
    QLabel *lblValueSize() const;
    QWidget *stackViewPath() const;
    PathControl *pathControlURL() const;
    QWidget *boxGroupSelect() const { return m_boxGroupSelect; }
    QWidget *boxDeselect() const { return m_boxDeselect; }
    QPushButton *btnDeselectAllGroups() const { return m_btnDeselectAllGroups; }
    QWidget *boxGroupsSorting() const { return m_boxGroupsSorting; }
    QWidget *boxSelectedItemsSorting() const { return m_boxSelectedItemsSorting; }
    QPushButton *btnSelectedItemsSorting() const { return m_btnSelectedItemsSorting; }
    QLabel *lblTotalSizeItemsFound() const { return m_lblTotalSizeItemsFound; }
    QLabel *lblTotalItemsFound() const { return m_lblTotalItemsFound; }
    QLineEdit *searchField() const { return m_searchField; }
    QPushButton *btnBlog() const { return m_btnBlog; }
    QPushButton *btnNothingFound() const { return m_btnNothingFound; }
    QWidget *boxTopLayer() const { return m_boxTopLayer; }
    // The copies table's height: 230, or 0 in the marked-copies view.
    int heightConstraintsGroupItemsTableView() const;
    // The preview's information area: 52 in the marked-copies view, else 20.
    int hightResultInfo() const;

    // The nine controls that show the pointing hand.
    QList<QWidget *> trackedControls() const;

    // The controls in the order Tab visits them (Shift+Tab the other way),
    // those not on show included: the window read from the top, each line
    // from the left.
    QList<QWidget *> keyboardOrder() const;
    // What the screen's layout needs for names, paths and the preview to stay readable.
    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent *event) override;
    bool focusNextPrevChild(bool next) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    enum class PaneShows { Nothing, Copy, MarkedCopy };

    void tableTakesFocus(QTableView *table, const QFocusEvent &focusIn);

    void buildInterface();
    void wireSession();
    void observeNotifications();
    void setUpTexts();
    void setUpKeyboard();
    void setUpReadableMinimum();
    void applyTrashLook(bool anyMarked);
    void applyLayout();
    void clearPane();
    void showInPane(const PreviewCopy &copy, bool sizeAndPath, PaneShows shows);
    // Brings the highlighted rows in line with the session's chosen rows and
    // empties the pane when the copy it shows is no longer the chosen one.
    void selectionDidChange();
    void highlightRow(QTableView *table, int row);
    std::optional<PreviewCopy> chosenCopy() const;
    std::optional<PreviewCopy> copyOfItemRow(int row) const;
    std::optional<PreviewCopy> copyOfMarkedRow(int row) const;
    void runHandOver(QWidget *moving, const QRect &endFrame, qreal endOpacity, QWidget *fading,
                     std::function<void()> completion);

    QLabel *m_imgViewAppTitle = nullptr;
    QLabel *m_lblTitle = nullptr;
    QWidget *m_topLayerParent = nullptr;
    Spinner *m_loader = nullptr;
    QTableView *m_tableViewCategories = nullptr;
    QTableView *m_tableViewGroups = nullptr;
    QTableView *m_tableViewItems = nullptr;
    PreviewPane *m_previewPane = nullptr;
    QPushButton *m_btnBack = nullptr;
    QPushButton *m_btnSmartCheckGroup = nullptr;
    QPushButton *m_btnSortInGroup = nullptr;
    QPushButton *m_btnSmartCheckGroupItems = nullptr;
    QWidget *m_boxHeader = nullptr;
    QWidget *m_boxExactDuplicates = nullptr;
    QWidget *m_boxSmartCheckGroup = nullptr;
    QWidget *m_boxFileName = nullptr;
    QWidget *m_boxParent = nullptr;
    QPushButton *m_btnTrash = nullptr;
    QWidget *m_boxTrashMarked = nullptr;
    QLabel *m_lblTrashMarked = nullptr;
    QLabel *m_lblExactMatchCategoriesHeader = nullptr;
    QWidget *m_boxGroupSelect = nullptr;
    QWidget *m_boxDeselect = nullptr;
    QPushButton *m_btnDeselectAllGroups = nullptr;
    QWidget *m_boxGroupsSorting = nullptr;
    QWidget *m_boxSelectedItemsSorting = nullptr;
    QPushButton *m_btnSelectedItemsSorting = nullptr;
    QLabel *m_lblTotalSizeItemsFound = nullptr;
    QLabel *m_lblTotalItemsFound = nullptr;
    QLineEdit *m_searchField = nullptr;
    QPushButton *m_btnBlog = nullptr;
    QPushButton *m_btnNothingFound = nullptr;
    QWidget *m_boxTopLayer = nullptr;

    ReviewSession *m_session = nullptr;
    ReviewSortMenus *m_sortMenus = nullptr;
    CategoryCellDelegate *m_categoryCells = nullptr;
    GroupCellDelegate *m_groupCells = nullptr;
    ItemCellDelegate *m_itemCells = nullptr;
    QList<NotificationCenter::Token> m_observers;
    PaneShows m_paneShows = PaneShows::Nothing;
    std::optional<QUrl> m_paneURL;
    // Set while the screen moves the highlighted rows itself.
    bool m_syncingSelection = false;
    int m_pendingCategoryRow = -1;
};
