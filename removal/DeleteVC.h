#pragma once

#include "RemovalPlan.h"
#include "RemovalRun.h"

#include <QDialog>
#include <QMessageBox>
#include <QPointer>

#include <functional>
#include <memory>

class CircularProgressView;
class QLabel;
class SYFlatButton;

// The removal sheet on the results window. Shown, it fixes the plan from the
// marks, runs it on its own thread and shows its progress; its button asks
// whether to stop. At the end it writes the run into the result store,
// reports every marked copy that stayed, closes, and hands the results back
// to the home window.
class DeleteVC : public QDialog
{
    Q_OBJECT

public:
    explicit DeleteVC(QWidget *parent = nullptr);
    ~DeleteVC() override;

    // Shows the sheet on the results screen's window; the run starts when it shows.
    Q_INVOKABLE void presentOver(QWidget *resultsScreen);

    // The trash button's hand-off, for a results screen that reaches this
    // sheet only by its identifier (see RemovalHandOff).
    Q_INVOKABLE void clickedTrashedMarked(QWidget *resultsScreen);
    Q_INVOKABLE void deleteTrashedMarked(QWidget *resultsScreen);
    Q_INVOKABLE void observerDeleteMarked(QWidget *resultsScreen);
    Q_INVOKABLE void presentDeleteSheet(QWidget *resultsScreen);

    // The percent text: the shortest decimal that reads back as the share,
    // always with a fraction ("50.0%"); "0%" while nothing can be counted.
    static QString percentText(int removed, int total);

    // What runs the stop question once it is built (the default runs its
    // modal loop); tests put their own in place.
    using QuestionRunner = std::function<void(QMessageBox &question)>;
    static void setQuestionRunner(QuestionRunner runner);
    // The delays of the completion (500 ms each in the application).
    static void setCompletionDelay(int milliseconds);
    // The file manager and Photos application of the next runs (tests).
    static void setFileManager(FileManager *fileManager);
    static void setPhotosApplication(std::shared_ptr<PhotosScripting::PhotosApplication> photos);

    bool isRunning() const { return m_run && !m_completed; }
    RemovalRun *run() const { return m_run.get(); }
    QMessageBox *stopQuestion() const { return m_alert; }

    void clickedCancel();
    void stopYesClicked();
    void stopNoClicked();
    // Quitting: stops after the copy in hand, waits, and keeps what was done.
    void stopAndApply();

    // Closing the sheet any other way asks whether to stop, as its button does.
    void reject() override { clickedCancel(); }

signals:
    // The sheet has closed after a run (the results screen leaves for home).
    void removalFinished();

protected:
    void showEvent(QShowEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void viewWillAppear();
    void showStopAlert();
    void showProgress(int removed, int total);
    void setPercentText(const QString &text);
    void finishRemoval();
    void completeRun();
    void reportAndClose();
    void deleteCompleted();
    void backToSummery();
    void notStarted(const QString &message);

    QLabel *lblTitle = nullptr;
    QLabel *lblProgressPercent = nullptr;
    QLabel *lblTotalSelectedFiles = nullptr;
    QLabel *lblDuplicatePhotosSelected = nullptr;
    QLabel *lbltotalDuplicateFiles = nullptr;
    QLabel *lblDuplicatePhotosCleaned = nullptr;
    QLabel *lblFileURL = nullptr;
    QLabel *imgViewAlertLeft = nullptr;
    QLabel *imgViewAlertRight = nullptr;
    QLabel *imgViewProgressBG = nullptr;
    CircularProgressView *progressView = nullptr;
    SYFlatButton *btnFinish = nullptr;

    QPointer<QWidget> m_resultsScreen;
    std::unique_ptr<RemovalRun> m_run;
    QPointer<QMessageBox> m_alert;
    bool m_completed = false;
    QString m_keptReport;
    QString m_movedAsideReport;
    QString m_attributesReport;
};
