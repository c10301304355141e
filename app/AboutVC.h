#pragma once

#include <NotificationCenter.h>

#include <QList>
#include <QPointer>
#include <QWidget>

class HyperlinkTextField;
class QLabel;
class QPushButton;

// The about overlay: the program's icon, name, description, version,
// copyright lines and three links to pages of the product's site. It lies
// over the home window or the results window and closes with its own button.
class AboutVC : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(bool isDashboardVC READ isDashboardVC WRITE setIsDashboardVC)

public:
    explicit AboutVC(QWidget *parent = nullptr);
    ~AboutVC() override;

    // True while the overlay is shown over the results window.
    bool isDashboardVC() const { return m_isDashboardVC; }
    void setIsDashboardVC(bool on) { m_isDashboardVC = on; }

    // Dismisses the overlay and hides the dimming of every screen that exists.
    void tappedClose();

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    // Escape closes the overlay.
    void keyPressEvent(QKeyEvent *event) override;
    // Tab stays inside the overlay while it is up.
    bool focusNextPrevChild(bool next) override;

private:
    void viewWillAppear();
    void viewDidDisappear();

    QLabel *imgView = nullptr;
    QLabel *lblTitle = nullptr;
    QLabel *lblLKSHelpsYouFind = nullptr;
    QLabel *lblCopyright = nullptr;
    QLabel *lblAllRightsReserved = nullptr;
    HyperlinkTextField *lblUnInstallInstructions = nullptr;
    HyperlinkTextField *lblEULA = nullptr;
    HyperlinkTextField *lblPrivacyPolicy = nullptr;
    QLabel *lblVersion = nullptr;
    QLabel *lblVersionCap = nullptr;
    QLabel *lblWarningThisComputerProgramIsProtected = nullptr;
    QPushButton *btnClose = nullptr;
    bool m_isDashboardVC = false;
    // Closing was asked for since the overlay last appeared; a second Escape
    // or click while it fades out does nothing.
    bool m_isClosing = false;
    // Where the keyboard focus was before the overlay took it.
    QPointer<QWidget> m_focusBefore;
    QList<NotificationCenter::Token> m_observers;
};
