#pragma once

#include <QString>
#include <QWidget>

class QLabel;
class QPushButton;

// The follow-up after a removal handed Photos copies to the album: how many,
// the two steps to delete them in Photos, and the space that frees. An
// overlay over the scan screen.
class AfterMoveInPhotoLibraryVC : public QWidget
{
    Q_OBJECT

public:
    // The count line: the number (shown in blue), a space, then the rest.
    struct CountLine
    {
        QString text;
        int highlighted = 0; // how many leading characters are the number
        QString html;
    };
    static CountLine countLine(int photoCount);
    static QString spaceToRecoverText(quint64 bytes);

    explicit AfterMoveInPhotoLibraryVC(QWidget *parent = nullptr);

    void clickedClose();

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    void viewWillAppear();

    QPushButton *btnClose = nullptr;
    QLabel *imgViewLogo = nullptr;
    QLabel *lblManualActionNeeded = nullptr;
    QLabel *lblDescriptionManualActionNeeded = nullptr;
    QLabel *lblStep1 = nullptr;
    QLabel *lblDescriptionStep1 = nullptr;
    QLabel *lblStep2 = nullptr;
    QLabel *lblDescriptionStep2 = nullptr;
    QLabel *lblSpaceToRecover = nullptr;
    QLabel *lblPSPhotosMovedToTrashMay = nullptr;
    QLabel *imgViewDescription = nullptr;
    bool m_closed = false;
};
