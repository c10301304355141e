#pragma once

#include <QPointer>
#include <QWidget>

class QFrame;
class QLabel;
class QPushButton;
class ScanVC;

// The question over the dimmed scan screen while a run is paused: stop
// scanning? Yes stops the run, No lets it go on. It acts on its first answer
// only; clicks while it closes are ignored. Return answers Yes, Escape No.
class CancelScanningVC : public QWidget
{
    Q_OBJECT

public:
    explicit CancelScanningVC(QWidget *parent = nullptr);

    // The screen it asks for; set when it is presented.
    void setScanVC(ScanVC *scanVC);

    void clickedYes();
    void clickedNo();
    bool isAnswered() const { return m_answered; }

    static constexpr int kCloseAfterYesMilliseconds = 200;
    static constexpr int kCloseAfterNoMilliseconds = 500;

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void answer(bool stop);
    void dismiss();

    QPointer<ScanVC> m_scanVC;
    bool m_answered = false;

    QLabel *lblTitle = nullptr;
    QLabel *imgView = nullptr;
    QLabel *message = nullptr;
    QPushButton *btnYes = nullptr;
    QPushButton *btnNo = nullptr;
    QFrame *boxHeader = nullptr;
    QFrame *boxDescription = nullptr;
};
