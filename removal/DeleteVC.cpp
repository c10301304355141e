#include "DeleteVC.h"

#include "RemovalHandOff.h"
#include "RemovalStore.h"
#include "ScreenLinks.h"

#include <Alert.h>
#include <CircularProgressView.h>
#include <EmbeddedImages.h>
#include <KitAccessibility.h>
#include <Localization.h>
#include <ProcessState.h>
#include <SYFlatButton.h>
#include <UsageEvents.h>
#include <UserDefaults.h>

#include <QApplication>
#include <QFontMetrics>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QShowEvent>
#include <QStyle>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <charconv>

namespace {

DeleteVC::QuestionRunner &questionRunner()
{
    static DeleteVC::QuestionRunner runner = [](QMessageBox &question) { question.exec(); };
    return runner;
}

int completionDelay = 500;
constexpr int kPercentPointSize = 20;
constexpr qreal kSmallestPercentPointSize = 6.0;
FileManager *runFileManager = nullptr;
std::shared_ptr<PhotosScripting::PhotosApplication> &runPhotos()
{
    static std::shared_ptr<PhotosScripting::PhotosApplication> photos = PhotosScripting::application();
    return photos;
}

QLabel *countLabel(QWidget *parent, const char *name)
{
    QLabel *label = ScreenLinks::makeLabel(parent, name, QStringLiteral("0"), 22, true);
    label->setAlignment(Qt::AlignCenter);
    return label;
}

} // namespace

void DeleteVC::setQuestionRunner(QuestionRunner runner)
{
    questionRunner() = runner ? std::move(runner) : [](QMessageBox &question) { question.exec(); };
}

void DeleteVC::setCompletionDelay(int milliseconds)
{
    completionDelay = milliseconds;
}

void DeleteVC::setFileManager(FileManager *fileManager)
{
    runFileManager = fileManager;
}

void DeleteVC::setPhotosApplication(std::shared_ptr<PhotosScripting::PhotosApplication> photos)
{
    runPhotos() = std::move(photos);
}

QString DeleteVC::percentText(int removed, int total)
{
    if (total <= 0)
        return QStringLiteral("0%");
    const double percent = removed * 100.0 / total;
    char buffer[64];
    const auto written = std::to_chars(buffer, buffer + sizeof buffer, percent, std::chars_format::fixed);
    QString text = QString::fromLatin1(buffer, written.ptr - buffer);
    if (!text.contains(QLatin1Char('.')))
        text += QStringLiteral(".0");
    return text + QLatin1Char('%');
}

DeleteVC::DeleteVC(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("DeleteVC"));
    setFixedSize(520, 470);
    setAutoFillBackground(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, Qt::white);
    palette.setColor(QPalette::WindowText, QColor(40, 44, 52));
    setPalette(palette);

    lblTitle = ScreenLinks::makeLabel(this, "lblTitle", localizedString(QStringLiteral("IDS_TMR_1")), 17, true);
    lblTitle->setAlignment(Qt::AlignCenter);
    setWindowTitle(lblTitle->text());

    imgViewProgressBG = new QLabel(this);
    imgViewProgressBG->setObjectName(QStringLiteral("imgViewProgressBG"));
    ScreenLinks::setEmbeddedImage(imgViewProgressBG, EmbeddedImages::progressRingImage(), 200, 200);
    progressView = new CircularProgressView(this);
    progressView->setObjectName(QStringLiteral("progressView"));
    progressView->setFixedSize(180, 180);
    progressView->setShowPercent(false);
    progressView->setBackground(Qt::transparent);
    progressView->setForeground(QColor(52, 94, 242));
    lblProgressPercent =
        ScreenLinks::makeLabel(this, "lblProgressPercent", QStringLiteral("0%"), kPercentPointSize, true);
    lblProgressPercent->setAlignment(Qt::AlignCenter);
    lblProgressPercent->setWordWrap(false);
    // Three quarters of the ring's width lie inside its line, with room to
    // spare above and below a line of text.
    lblProgressPercent->setFixedWidth(progressView->width() * 3 / 4);
    auto *ring = new QGridLayout;
    ring->addWidget(imgViewProgressBG, 0, 0, Qt::AlignCenter);
    ring->addWidget(progressView, 0, 0, Qt::AlignCenter);
    ring->addWidget(lblProgressPercent, 0, 0, Qt::AlignCenter);

    lblTotalSelectedFiles = countLabel(this, "lblTotalSelectedFiles");
    lbltotalDuplicateFiles = countLabel(this, "lbltotalDuplicateFiles");
    lblDuplicatePhotosSelected =
        ScreenLinks::makeLabel(this, "lblDuplicatePhotosSelected", localizedString(QStringLiteral("IDS_TMR_122")), 11);
    lblDuplicatePhotosCleaned =
        ScreenLinks::makeLabel(this, "lblDuplicatePhotosCleaned", localizedString(QStringLiteral("IDS_TMR_123")), 11);
    lblDuplicatePhotosSelected->setAlignment(Qt::AlignCenter);
    lblDuplicatePhotosCleaned->setAlignment(Qt::AlignCenter);
    auto *counts = new QGridLayout;
    counts->addWidget(lblTotalSelectedFiles, 0, 0);
    counts->addWidget(lbltotalDuplicateFiles, 0, 1);
    counts->addWidget(lblDuplicatePhotosSelected, 1, 0);
    counts->addWidget(lblDuplicatePhotosCleaned, 1, 1);

    imgViewAlertLeft = new QLabel(this);
    imgViewAlertLeft->setObjectName(QStringLiteral("imgViewAlertLeft"));
    imgViewAlertLeft->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxInformation).pixmap(16, 16));
    imgViewAlertRight = new QLabel(this);
    imgViewAlertRight->setObjectName(QStringLiteral("imgViewAlertRight"));
    ScreenLinks::setEmbeddedImage(imgViewAlertRight, EmbeddedImages::successCheckImage(), 16, 16);
    lblFileURL = ScreenLinks::makeLabel(this, "lblFileURL", QString(), 11);
    lblFileURL->setWordWrap(false);
    lblFileURL->setMinimumWidth(10);
    lblFileURL->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    auto *path = new QHBoxLayout;
    path->addWidget(imgViewAlertLeft);
    path->addWidget(lblFileURL, 1);
    path->addWidget(imgViewAlertRight);

    btnFinish = ScreenLinks::makeButton(this, "btnFinish", localizedString(QStringLiteral("IDS_TMR_51")), false);
    connect(btnFinish, &SYFlatButton::clicked, this, [this] { clickedCancel(); });

    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(24, 20, 24, 20);
    column->addWidget(lblTitle);
    column->addLayout(ring);
    column->addLayout(counts);
    column->addLayout(path);
    column->addWidget(btnFinish, 0, Qt::AlignHCenter);

    if (QCoreApplication *app = QCoreApplication::instance())
        connect(app, &QCoreApplication::aboutToQuit, this, &DeleteVC::stopAndApply);
}

DeleteVC::~DeleteVC()
{
    stopAndApply();
}

void DeleteVC::presentOver(QWidget *resultsScreen)
{
    m_resultsScreen = resultsScreen;
    QWidget *window = resultsScreen ? resultsScreen->window() : nullptr;
    setParent(window, Qt::Sheet | Qt::Dialog);
    setWindowModality(window ? Qt::WindowModal : Qt::ApplicationModal);
    open();
}

void DeleteVC::clickedTrashedMarked(QWidget *resultsScreen)
{
    RemovalHandOff::clickedTrashedMarked(resultsScreen);
}

void DeleteVC::deleteTrashedMarked(QWidget *resultsScreen)
{
    RemovalHandOff::deleteTrashedMarked(resultsScreen);
}

void DeleteVC::observerDeleteMarked(QWidget *resultsScreen)
{
    RemovalHandOff::observerDeleteMarked(resultsScreen);
}

void DeleteVC::presentDeleteSheet(QWidget *resultsScreen)
{
    RemovalHandOff::presentDeleteSheet(resultsScreen);
}

void DeleteVC::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        viewWillAppear();
}

void DeleteVC::keyPressEvent(QKeyEvent *event)
{
    // Enter never closes the sheet; Escape goes through reject().
    if (event->key() != Qt::Key_Return && event->key() != Qt::Key_Enter)
        QDialog::keyPressEvent(event);
}

void DeleteVC::viewWillAppear()
{
    if (m_run && !m_completed)
        return;
    btnFinish->setEnabled(true);
    progressView->updateAppearance();
    progressView->setAnimated(false);
    progressView->setProgress(0);
    progressView->updateProgress();
    setPercentText(QStringLiteral("0%"));
    lbltotalDuplicateFiles->setText(QStringLiteral("0"));
    m_completed = false;
    m_keptReport.clear();
    m_movedAsideReport.clear();
    m_attributesReport.clear();
    m_run.reset();

    FileManager &fileManager = runFileManager ? *runFileManager : FileManager::defaultManager();
    RemovalPlan plan = RemovalPlan::fromStore(removalMode());
    if (const std::optional<QString> refused = prepareFolderDestination(plan, fileManager)) {
        QTimer::singleShot(0, this, [this, message = *refused] { notStarted(message); });
        m_completed = true;
        return;
    }
    resetRemovalTotals();
    lblTotalSelectedFiles->setText(QString::number(plan.totalSelected()));
    m_run = std::make_unique<RemovalRun>(std::move(plan), fileManager, runPhotos());
    connect(m_run.get(), &RemovalRun::currentPath, this, [this](const QString &path) {
        lblFileURL->setText(path);
        lblFileURL->setToolTip(path);
    });
    connect(m_run.get(), &RemovalRun::progress, this, &DeleteVC::showProgress);
    connect(m_run.get(), &RemovalRun::photosHandOff, this, [this](bool active) { btnFinish->setEnabled(!active); });
    connect(m_run.get(), &RemovalRun::finished, this, &DeleteVC::finishRemoval);
    m_run->start();
}

void DeleteVC::notStarted(const QString &message)
{
    showAlert(localizedString(QStringLiteral("IDS_TMR_1704")), message);
    done(Rejected);
    ScreenLinks::detachSheet(this);
    ScreenLinks::setChildHidden(m_resultsScreen ? m_resultsScreen.data() : ScreenLinks::resultsScreen(),
                                "topLayerParent", true);
    UserDefaults::standard().setObject(QLatin1String(kDisablePieChartAnimationKey), false);
}

void DeleteVC::showProgress(int removed, int total)
{
    lbltotalDuplicateFiles->setText(QString::number(removed));
    progressView->setProgress(total > 0 ? double(removed) / total : 0.0);
    progressView->updateProgress();
    setPercentText(percentText(removed, total));
}

void DeleteVC::setPercentText(const QString &text)
{
    // A share such as two in three has many digits ("66.66666666666667%"):
    // the text keeps them all and takes a smaller font to stay inside the ring.
    QFont font = lblProgressPercent->font();
    font.setPointSizeF(kPercentPointSize);
    const int room = lblProgressPercent->width();
    const int wide = QFontMetrics(font).horizontalAdvance(text);
    if (wide > room) {
        // Text width is about proportional to the size; the last steps make sure.
        qreal size = std::max(kSmallestPercentPointSize, kPercentPointSize * room / qreal(wide));
        font.setPointSizeF(size);
        while (size > kSmallestPercentPointSize && QFontMetrics(font).horizontalAdvance(text) > room) {
            size = std::max(kSmallestPercentPointSize, size - 0.25);
            font.setPointSizeF(size);
        }
    }
    lblProgressPercent->setFont(font);
    lblProgressPercent->setText(text);
}

void DeleteVC::clickedCancel()
{
    if (!m_run || m_completed || m_alert)
        return;
    m_run->control().setPaused(true);
    showStopAlert();
}

void DeleteVC::showStopAlert()
{
    auto *question = new QMessageBox(this);
    question->setObjectName(QStringLiteral("stopQuestion"));
    m_alert = question;
    question->setIcon(QMessageBox::Warning);
    // Its title is what a reader names it by: the sheet's own, as on the
    // program's other questions.
    question->setWindowTitle(localizedString(QStringLiteral("IDS_TMR_1")));
    question->setText(localizedString(QStringLiteral("IDS_TMR_158")));
    question->setInformativeText(localizedString(QStringLiteral("IDS_TMR_158")));
    QPushButton *stop = question->addButton(localizedString(QStringLiteral("IDS_TMR_111")), QMessageBox::AcceptRole);
    QPushButton *resume = question->addButton(localizedString(QStringLiteral("IDS_TMR_112")), QMessageBox::RejectRole);
    question->setDefaultButton(resume);
    question->setEscapeButton(resume);
    // A reader landing on Continue says what it answers.
    KitAccessibility::presentAsQuestion(question);
    questionRunner()(*question);
    const bool stopChosen = question->clickedButton() == stop;
    m_alert = nullptr;
    question->deleteLater();
    // A walk that ended while the question was up has closed it; its answer
    // then changes nothing.
    if (m_completed)
        return;
    if (stopChosen)
        stopYesClicked();
    else
        stopNoClicked();
}

void DeleteVC::stopYesClicked()
{
    if (!m_run || m_completed)
        return;
    m_run->control().setAbort(true);
    m_run->control().setPaused(false);
}

void DeleteVC::stopNoClicked()
{
    if (!m_run || m_completed)
        return;
    m_run->control().setPaused(false);
}

void DeleteVC::finishRemoval()
{
    if (m_completed)
        return;
    m_completed = true;
    if (m_alert)
        m_alert->done(QMessageBox::Cancel);
    btnFinish->setEnabled(false);
    completeRun();

    const bool notMoved = notMovedBecauseExists || notMovedBecauseSameFolder;
    QTimer::singleShot(completionDelay, this, [this, notMoved] {
        if (notMovedBecauseExists)
            showAlert(localizedString(QStringLiteral("IDS_TMR_53")), localizedString(QStringLiteral("IDS_TMR_54")));
        else if (notMovedBecauseSameFolder)
            showAlert(localizedString(QStringLiteral("IDS_TMR_53")), localizedString(QStringLiteral("IDS_TMR_181")));
        // One report of what stayed, of what went to the Trash to make room
        // and of what was moved without all of its attributes.
        QStringList reports;
        for (const QString *report : {&m_keptReport, &m_movedAsideReport, &m_attributesReport}) {
            if (!report->isEmpty())
                reports.append(*report);
        }
        if (!m_keptReport.isEmpty())
            showAlert(localizedString(QStringLiteral("IDS_TMR_1703")), reports.join(QStringLiteral("\n\n")));
        else if (!m_movedAsideReport.isEmpty())
            showAlert(QStringLiteral("Items in the destination folder went to the Trash"),
                      reports.join(QStringLiteral("\n\n")));
        else if (!m_attributesReport.isEmpty())
            showAlert(QStringLiteral("Some copies were moved without all of their attributes"), m_attributesReport);
        if (notMoved || !reports.isEmpty())
            QTimer::singleShot(completionDelay, this, &DeleteVC::deleteCompleted);
        else
            deleteCompleted();
    });
}

void DeleteVC::completeRun()
{
    m_run->wait();
    QWidget *results = m_resultsScreen ? m_resultsScreen.data() : ScreenLinks::resultsScreen();
    const RemovalSummary summary = applyRemovalResult(m_run->plan(), m_run->result(),
                                                      [results] { ScreenLinks::invoke(results, "endSearch"); });
    ScreenLinks::invoke(results, "clearResultsPreview");
    ScreenLinks::invoke(results, "resetSelectedRows");
    m_keptReport = keptCopiesReport(m_run->plan(), m_run->result(), summary);
    m_movedAsideReport = movedAsideReport(m_run->plan(), m_run->result());
    m_attributesReport = attributesNotKeptReport(m_run->plan(), m_run->result());
    sendAnalyticsEvent(QStringLiteral("cleandone"), QStringLiteral("cleandone"));
}

void DeleteVC::deleteCompleted()
{
    done(Accepted);
    ScreenLinks::detachSheet(this);
    ScreenLinks::setChildHidden(m_resultsScreen ? m_resultsScreen.data() : ScreenLinks::resultsScreen(),
                                "topLayerParent", true);
    QTimer::singleShot(completionDelay, this, &DeleteVC::backToSummery);
    UserDefaults::standard().setObject(QLatin1String(kDisablePieChartAnimationKey), false);
}

void DeleteVC::backToSummery()
{
    isBackFromRemoval = true;
    ScreenLinks::invoke(m_resultsScreen ? m_resultsScreen.data() : ScreenLinks::resultsScreen(), "showHomeWindow");
    emit removalFinished();
}

void DeleteVC::stopAndApply()
{
    if (!m_run || m_completed)
        return;
    m_completed = true;
    m_run->control().setAbort(true);
    m_run->control().setPaused(false);
    if (m_alert)
        m_alert->done(QMessageBox::Cancel);
    completeRun();
}
