#pragma once

#include <QByteArray>
#include <QWidget>

#include <optional>

class QCheckBox;
class QFrame;
class QLabel;
class QLineEdit;
class QNetworkAccessManager;
class QNetworkReply;
class QPushButton;

// The first-run window's content: thanks, a recommended sibling product (or
// four points with check marks when every sibling is installed), the
// newsletter sign-up, launch at login and Get Started. Building it turns
// launch at login on, so start-up's login step finds the setting stored.
class StartupVC : public QWidget
{
    Q_OBJECT

public:
    explicit StartupVC(QWidget *parent = nullptr);

    // 0 none, 1 care suite, 2 Larkspire, 3 Morrowgate.
    int isRecommended() const { return m_isRecommended; }

    // Completes the first run: stores it, shows the home window through the
    // application delegate, and closes the first-run window.
    void btnGetStarted();
    // Checks the address and sends the sign-up.
    void btnSubscribe();
    // Opens the recommended product's page.
    void btnAppStore();
    // Switches launch at login as the General preferences do.
    void btncheckbox();

    void subscribeToNewsletter();
    void showSheetAlert(const QString &title, const QString &message);

    // Whether the whole text has the shape of an e-mail address.
    static bool isValidEmailAddress(const QString &address);
    // The reply's integer 0, 1 or 2, from a body that is one bare JSON value;
    // nothing for anything else.
    static std::optional<int> newsletterReplyValue(const QByteArray &body);

signals:
    // A sign-up reply has been dealt with (its alert, if any, is up).
    void newsletterReplyHandled();

private:
    void chooseRecommendation();
    void handleNewsletterReply(QNetworkReply *reply);

    QLabel *imgViewRecommendedApp = nullptr;
    QPushButton *btnSubscribeButton = nullptr;
    QPushButton *btnAppstore = nullptr;
    QPushButton *btnGetstarted = nullptr;
    QLineEdit *txtfield = nullptr;
    QCheckBox *btncheckboxButton = nullptr;
    QLabel *lblTitle = nullptr;
    QLabel *lblSubTitle = nullptr;
    QLabel *lblThankYouForDownloading = nullptr;
    QLabel *lblRecommendedFreeApp = nullptr;
    QLabel *lblRecommendedAppName = nullptr;
    QLabel *lblRecommendedAppSubTitle = nullptr;
    QLabel *lblJoinToOurFreeNewsletter = nullptr;
    QLabel *lblStartLKSOnStartup = nullptr;
    QFrame *boxRecommendedApp = nullptr;
    QFrame *boxNonRecommendedApp = nullptr;
    QLabel *imgViewIcon = nullptr;
    int m_isRecommended = 0;
    QNetworkAccessManager *m_network = nullptr;
};

// The first-run window, holding its own content.
class StartupWindow : public QWidget
{
    Q_OBJECT

public:
    explicit StartupWindow(QWidget *parent = nullptr);
    StartupVC *content() const { return m_content; }

private:
    StartupVC *m_content;
};
