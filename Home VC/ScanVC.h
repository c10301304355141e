#pragma once

#include <PieChart.h>
#include <ScanEngine.h>
#include <ScanObserver.h>

#include <NotificationCenter.h>

#include <QColor>
#include <QList>
#include <QPointer>
#include <QStringList>
#include <QWidget>

#include <memory>

class CircularProgressView;
class QFrame;
class QLabel;
class QListWidget;
class QPushButton;
class Spinner;

// The scan screen: laid over the home screen by the hand-off, it lists the
// chosen folders as chips, runs one scan at a time with its progress ring,
// lets the user stop it, and shows the completed summary with the pie chart
// and, after a removal, the cleaned summaries. It owns the scan engine; the
// engine keeps the lists and flags of the run, so no worker ever reads this
// screen.
//
// Every outlet is a child widget whose object name is the outlet's name; the
// layout is absolute in the fixed 1008 x 702 window.
class ScanVC : public QWidget, public ScanObserver, public PieChartDataSource, public PieChartDelegate
{
    Q_OBJECT
    Q_PROPERTY(QStringList scanList READ scanList)
    Q_PROPERTY(qreal lblWidthConstantBoxProgress READ widthConstantBoxProgress WRITE setWidthConstantBoxProgress)
    Q_PROPERTY(qreal lblHeightConstantBoxProgress READ heightConstantBoxProgress WRITE setHeightConstantBoxProgress)
    Q_PROPERTY(qreal lblWidthConstantBoxParentPie READ widthConstantBoxParentPie WRITE setWidthConstantBoxParentPie)
    Q_PROPERTY(qreal lblHeightConstantBoxParentPie READ heightConstantBoxParentPie WRITE setHeightConstantBoxParentPie)

public:
    explicit ScanVC(QWidget *parent = nullptr);
    ~ScanVC() override;

    // The home screen's hand-off: a fresh list for the next scan and the home
    // screen to return to.
    Q_INVOKABLE void takeScanList(const QStringList &paths, QWidget *parentVC);

    QStringList scanList() const { return m_engine->scanList; }
    QWidget *parentVC() const { return m_parentVC; }
    bool isHomePressed() const { return m_engine->isHomePressed; }
    ScanEngine &engine() { return *m_engine; }

    // Start scanning: switches to the in-progress state and starts the run;
    // nothing while a dialog is up or a run is going.
    void clickedStartScanning();
    // Stop: pauses the run and asks whether to stop.
    void clickedStopScanning();
    void clickedBack();
    void clickedAddFolder();
    void clickedReviewResults();
    void clickedPartiallyCleanedReviewResults();
    void clickedTwitter();
    void clickedFacebook();

    // The chips' remove action; a tag outside the list does nothing.
    void deleteScanItem(int tag);
    void removeScanItemAt(int row);
    void removeAllScanItems();

    // States.
    void resetToReadyToScan();
    void refreshScanState();
    void showPieBoxAnimated();
    void updatePieChart();
    void showTotalsInPieCentre();
    void showSliceDetails(int index);
    void scanEndedWithoutResults();
    void goToBack();

    // Called each time the screen is about to be shown by code.
    void viewWillAppear();

    // The switch the dialogs over this screen turn.
    Q_INVOKABLE void setDialogShown(bool shown, bool buttonsEnabled);
    Q_INVOKABLE void disableScanButtons() { setDialogShown(true, false); }
    Q_INVOKABLE void enableScanButtons() { setDialogShown(false, true); }
    Q_INVOKABLE void hideTopLayer();
    // The cross-promotion offer after a removal: enables the partially cleaned
    // Review results, then 3.0 s later shows the offer when one is registered.
    Q_INVOKABLE void showAdvertise();
    Q_INVOKABLE void showAdvertiseAfter(int milliseconds);
    void showAfterMoveInPhotoLibraryNotice();

    // The cancel-scanning dialog's answers and its close step.
    void confirmStopFromDialog();
    void resumeFromDialog();
    void closeCancelDialog(bool stopped);

    // The pie's data, index = slice.
    QList<quint64> slices() const { return m_slices; }
    QList<int> slicesValuesCount() const { return m_slicesValuesCount; }
    QList<QColor> sliceColors() const { return m_sliceColors; }
    QList<Duplicates> slicesNames() const { return m_slicesNames; }
    static QColor sliceColor(Duplicates category);

    // The progress text for a count, 0..100 whatever the counts.
    static int progressPercent(qint64 processed, qint64 total);

    // PieChartDataSource / PieChartDelegate.
    int numberOfSlicesInPieChart(PieChart *pieChart) override;
    double valueForSliceAtIndex(PieChart *pieChart, int index) override;
    std::optional<QColor> colorForSliceAtIndex(PieChart *pieChart, int index) override;
    std::optional<QString> accessibleTextForSliceAtIndex(PieChart *pieChart, int index) override;
    void willSelectSliceAtIndex(PieChart *pieChart, int index) override;
    void willDeselectSliceAtIndex(PieChart *pieChart, int index) override;

    // ScanObserver.
    void updateScanProgress(qint64 processed, qint64 total) override;
    void finishFirstStepProgress() override;
    void beginSecondStepProgress() override;
    void showPhotoItemPath(const QString &path) override;
    void showCandidatePath(const QString &path) override;
    void showDigestProgress(int percent) override;
    void showComparisonProgress(int percent) override;
    void showDuplicateSizeFound(const QString &sizeText) override;
    void showSearchFinished() override;
    void showFolderSizePath(const QString &path) override;
    void scanNotCompleted() override;
    void updateTooltipsForCompletedScan() override;
    void showScanCompletedSummary(const ScanSummary &summary) override;
    void sendScanCompletedEvent(const QString &category, const QString &action) override;
    void showPhotosLibraryProgress(int percent) override;
    void reportUnreadableFiles(qint64 count) override;
    void photosLibrarySkipped(const QString &reason) override;

    qreal widthConstantBoxProgress() const { return m_progressBoxSize.width(); }
    void setWidthConstantBoxProgress(qreal value);
    qreal heightConstantBoxProgress() const { return m_progressBoxSize.height(); }
    void setHeightConstantBoxProgress(qreal value);
    qreal widthConstantBoxParentPie() const { return m_parentPieSize.width(); }
    void setWidthConstantBoxParentPie(qreal value);
    qreal heightConstantBoxParentPie() const { return m_parentPieSize.height(); }
    void setHeightConstantBoxParentPie(qreal value);

    static constexpr int kWidth = 1008;
    static constexpr int kHeight = 702;
    static constexpr int kTitleStripHeight = 44;
    static constexpr int kGoHomeMilliseconds = 800;
    static constexpr int kPieBoxMilliseconds = 500;

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    // A button that turns itself off hands the keyboard on (FocusHandOff).
    bool focusNextPrevChild(bool next) override;

private:
    void viewDidLoad();
    void buildLayout();
    void configureCollectionView();
    void configurePieChart();
    void setUpTexts();
    void reloadChips();
    QList<QWidget *> chipWidgets() const;
    void parkKeyboard();
    void giveKeyboardTo(QWidget *button);
    void updateTabOrder();
    void addChosenFolders(bool accepted, const QStringList &paths);
    void presentOverlay(QWidget *dialog);
    void showCompletedAgain();
    void fillCompletedSummary(const ScanSummary &summary);
    void showStepTwo(int percent);
    void startActivityIndicator();
    void stopActivityIndicator();
    void launchDashboard();
    void layOutProgressBox();
    void layOutParentPie();
    void openSocialPage(int index);
    QString unreadableFilesText() const;

    std::unique_ptr<ScanEngine> m_engine;
    QPointer<QWidget> m_parentVC;
    bool m_goingHome = false;
    bool m_runStarted = false;
    // The dialog was brought up by this screen's Stop or Back and has not closed.
    bool m_cancelDialogUp = false;
    // Files the last run could not read.
    qint64 m_unreadableFiles = 0;
    QList<NotificationCenter::Token> m_observers;

    QList<quint64> m_slices;
    QList<int> m_slicesValuesCount;
    QList<QColor> m_sliceColors;
    QList<Duplicates> m_slicesNames;

    QSizeF m_progressBoxSize{310, 310};
    QSizeF m_parentPieSize{280, 280};

    // Outlets.
    QLabel *imgViewBackground = nullptr;
    QFrame *boxTopLayer = nullptr;
    Spinner *loader = nullptr;
    QPushButton *btnBack = nullptr;
    QFrame *boxStandardButtons = nullptr;
    QPushButton *btnClose = nullptr;
    QPushButton *btnMinimize = nullptr;
    QPushButton *imgViewStandardMaximize = nullptr;

    QFrame *boxReadyToScan = nullptr;
    QLabel *lblReadyToScan = nullptr;
    QLabel *lblClickTheButtonBelowToStartScan = nullptr;
    QPushButton *btnStartScanning = nullptr;
    QFrame *scrollViewCollectionView = nullptr;
    QListWidget *collectionView = nullptr;
    QPushButton *btnAddFolder = nullptr;

    QFrame *boxScanInProgress = nullptr;
    QLabel *lblScanInProgress = nullptr;
    QLabel *lblPathScanInProgress = nullptr;
    QPushButton *btnStopScan = nullptr;
    QLabel *lblTotolSizeFoundScanInProgress = nullptr;
    QLabel *lblSearchingDuplicates = nullptr;

    QFrame *boxProgressBar = nullptr;
    CircularProgressView *progressView = nullptr;
    QLabel *imgViewProgressBG = nullptr;
    QLabel *lblProgressPercent = nullptr;
    QLabel *lblStepProgress = nullptr;
    QLabel *lblProgressStatus = nullptr;

    QFrame *boxScanCompleted = nullptr;
    QLabel *lblScanCompleted = nullptr;
    QLabel *lblTotalGBFoundScanCompleted = nullptr;
    QPushButton *btnReviewResults = nullptr;
    QLabel *lblTotalFilesFoundScanCompleted = nullptr;
    QLabel *lblFoundScanCompleted = nullptr;
    QLabel *lblDetailsOfDuplicateFoundScanCompleted = nullptr;
    QLabel *lblUnreadableFiles = nullptr;
    QList<QLabel *> completedCaptions;
    QList<QLabel *> completedValues;

    PieChart *pieChart = nullptr;
    QFrame *pieBox = nullptr;
    QFrame *boxParentPie = nullptr;
    QLabel *imgViewPie = nullptr;
    QLabel *lblSizePie = nullptr;
    QLabel *lblFoundInPie = nullptr;
    QLabel *lblSizeUnitInPie = nullptr;

    QFrame *boxCleaned = nullptr;
    QFrame *boxCompleteCleanedLeft = nullptr;
    QLabel *imgViewCompleteCleanedLeft = nullptr;
    QLabel *lblCleanCompleted = nullptr;
    QLabel *lblTotalSizeCleaned = nullptr;
    QLabel *lblCleaned = nullptr;
    QLabel *lblTotalItemsCleaned = nullptr;
    QLabel *lblDetailsOfDuplicateItemsCleaned = nullptr;
    QList<QLabel *> cleanedCaptions;
    QList<QLabel *> cleanedValues;

    QFrame *boxPartiallyCleaned = nullptr;
    QLabel *lblCleanPartiallyCompletedPartially = nullptr;
    QLabel *lblTotalSizeCleanedPartially = nullptr;
    QLabel *lblTotalItemsCleanedPartially = nullptr;
    QPushButton *btnReviewResultsPartiallCleaned = nullptr;
    QLabel *lblTotalSizeRemainingPartially = nullptr;
    QLabel *lblTotalItemsRemainingPartially = nullptr;
    QLabel *lblRemainingPartially = nullptr;
    QLabel *lblDetailsDuplicateClenaedPartially = nullptr;
    QList<QLabel *> partialCaptions;
    QList<QLabel *> partialValues;
    QLabel *lblCleanedPartially = nullptr;
    QLabel *lblCleanInPhotoLibraryPartially = nullptr;

    QLabel *lblFollowus = nullptr;
    QPushButton *btnTwitter = nullptr;
    QPushButton *btnFacebook = nullptr;
};
