#pragma once

#include "FolderIntake.h"

#include <NotificationCenter.h>
#include <WindowDragTracker.h>

#include <QList>
#include <QPointer>
#include <QStringList>
#include <QWidget>

#include <optional>

class CustomImageView;
class DropView;
class QLabel;
class QPushButton;

// The home window's content: the first screen the user works with. It takes
// folders from the open panel or from a drop, filters them through the
// intake rules and hands the accepted list to the shared scan screen, which
// it brings in over itself. The window is dragged by its background.
//
// The children carry their outlet names as objectName, so the scan screen
// finds them on its parent screen.
class HomeVC : public WindowDraggable<QWidget>
{
    Q_OBJECT
    Q_PROPERTY(QStringList scanList READ scanList)

public:
    explicit HomeVC(QWidget *parent = nullptr);
    ~HomeVC() override;

    // The folders the latest intake accepted, in order.
    QStringList scanList() const { return m_scanList; }
    // An intake alert is waiting to be shown: further intakes are refused.
    bool isIntakePending() const { return m_pendingIntake.has_value(); }
    // The scan screen shown over this one, or nothing.
    QWidget *presentedScanVC() const;

    // Outlets.
    DropView *dropView = nullptr;
    QWidget *boxParent = nullptr;
    CustomImageView *imgViewFidget = nullptr;
    QPushButton *btnAddFolder = nullptr;
    CustomImageView *imgViewBackground = nullptr;
    QLabel *lblScanForDuplicates = nullptr;
    QLabel *lblAddFoldersBelow = nullptr;
    QLabel *lblDragAndDropFoldersHere = nullptr;
    QPushButton *imgViewStandardMaximize = nullptr;
    QWidget *boxTopLayer = nullptr;
    QPushButton *btnClose = nullptr;
    QPushButton *btnMinimize = nullptr;
    QWidget *boxStandardButtons = nullptr;
    QLabel *lblContactNumber = nullptr;
    QLabel *lbl24x7LiveHelp = nullptr;

    // A drop is waiting for its alert; the logo turns back after it.
    bool isRotate = false;
    // An exit turn has started since the last enter turn.
    bool isExitRotate = false;

    // Actions and observers, reachable from tests.
    void clickedAddFolder();
    void getFilesFromDropView(const QStringList &paths);
    void enterRotate();
    void exitRotate();
    void setImageEnterRotate();
    void setImageExitRotate();
    void resetHomeToolTips();
    void aboutWindow();
    void hideTopBlackLayer();
    void clickedClose();
    void clickedMinimize();

protected:
    void showEvent(QShowEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // What an intake that ends in an alert still has to do once the alert
    // has been closed: its own copy of the list, fixed when the intake ended.
    struct PendingIntake
    {
        QStringList accepted;
        FolderIntake::Refusal refusal;
        bool afterDrop;
    };

    void buildInterface();
    void viewWillAppear();
    void finishIntake(FolderIntake::Source source, const FolderIntake::Outcome &outcome);
    void showIntakeAlert();
    void handOff(const QStringList &list);
    void presentScanVC(QWidget *scan);
    void presentWithTopLayer(QWidget *controller);
    void turnLogo(const QString &image, qreal angle);
    void setDotImages(bool hovered);

    QStringList m_scanList;
    std::optional<PendingIntake> m_pendingIntake;
    QPointer<QWidget> m_scanVC;
    bool m_scanPinned = false;
    QList<NotificationCenter::Token> m_observers;
};
