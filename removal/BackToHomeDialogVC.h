#pragma once

#include "ConfirmationLayout.h"

#include <QWidget>

// The confirmation before the scan screen's summary is left for the home
// screen, an overlay over the scan screen. OK posts "BackToHomeObserverTMR",
// Cancel "HideTopParentLayerScanVCTMR"; the box switches it off.
class BackToHomeDialogVC : public QWidget
{
    Q_OBJECT

public:
    explicit BackToHomeDialogVC(QWidget *parent = nullptr);

    void tappedOk();
    void tappedCancel();
    void tappedDoNotShowAgain(bool ticked);

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    void viewWillAppear();
    void answer(const char *notification);

    ConfirmationOutlets m_outlets;
    bool m_answered = false;
};
