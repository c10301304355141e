#pragma once

#include "ConfirmationLayout.h"

#include <QDialog>

// The confirmation before a removal run, a sheet on the results window. OK
// posts "DeleteDuplicateFilesTMR", Cancel "HideTopParentLayerDashboardTMR";
// the box switches the confirmation off for the runs that follow.
class DeleteDuplicatePhotosVC : public QDialog
{
    Q_OBJECT

public:
    explicit DeleteDuplicatePhotosVC(QWidget *parent = nullptr);

    // Shows the dialog as a sheet of the screen's window.
    Q_INVOKABLE void presentOver(QWidget *resultsScreen);

    void tappedOk();
    void tappedCancel();
    void tappedDonotShowAgain(bool ticked);

    void reject() override { tappedCancel(); }

protected:
    void showEvent(QShowEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void viewWillAppear();
    void answer(const char *notification);

    ConfirmationOutlets m_outlets;
    bool m_answered = false;
};
