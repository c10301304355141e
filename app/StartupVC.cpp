#include "StartupVC.h"

#include "OutwardStyle.h"
#include "SiblingApps.h"

#include <EmbeddedImages.h>
#include <LaunchOnStartup.h>
#include <Localization.h>
#include <PageOpener.h>
#include <ProcessState.h>
#include <ServiceConfiguration.h>
#include <UserDefaults.h>

#include <QCheckBox>
#include <QCoreApplication>
#include <QFrame>
#include <QHBoxLayout>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPushButton>
#include <QRegularExpression>
#include <QVBoxLayout>

#include <cmath>
#include <cstdio>

using OutwardStyle::text;

namespace {

constexpr int kNewsletterTimeoutMs = 30000;

QString base64Text(const QString &value)
{
    return QString::fromLatin1(value.toUtf8().toBase64());
}

QFrame *box(QWidget *parent, const QString &objectName)
{
    auto *frame = new QFrame(parent);
    frame->setObjectName(objectName);
    frame->setStyleSheet(QStringLiteral("QFrame#%1 { background: #f4f8fc; border: 1px solid #dbe6f1;"
                                        " border-radius: 10px; }")
                                 .arg(objectName));
    return frame;
}

} // namespace

StartupVC::StartupVC(QWidget *parent)
    : QWidget(parent)
    , m_network(new QNetworkAccessManager(this))
{
    setObjectName(QStringLiteral("Startup"));
    OutwardStyle::paintWhite(this);

    using namespace OutwardStyle;
    imgViewIcon = picture(this, QStringLiteral("imgViewIcon"), 72);
    setPicture(imgViewIcon, bundleImage(QStringLiteral("fidgetAppIcon")));
    lblTitle = label(this, QStringLiteral("lblTitle"), 22, true);
    lblSubTitle = label(this, QStringLiteral("lblSubTitle"), 12);
    lblThankYouForDownloading = label(this, QStringLiteral("lblThankYouForDownloading"), 12);

    boxRecommendedApp = box(this, QStringLiteral("boxRecommendedApp"));
    lblRecommendedFreeApp = label(boxRecommendedApp, QStringLiteral("lblRecommendedFreeApp"), 10, true);
    imgViewRecommendedApp = picture(boxRecommendedApp, QStringLiteral("imgViewRecommendedApp"), 80);
    lblRecommendedAppName = label(boxRecommendedApp, QStringLiteral("lblRecommendedAppName"), 14, true);
    lblRecommendedAppSubTitle = label(boxRecommendedApp, QStringLiteral("lblRecommendedAppSubTitle"), 11);
    btnAppstore = button(boxRecommendedApp, QStringLiteral("btnAppstore"), false);

    boxNonRecommendedApp = box(this, QStringLiteral("boxNonRecommendedApp"));
    auto *pointsLayout = new QVBoxLayout(boxNonRecommendedApp);
    pointsLayout->setContentsMargins(18, 14, 18, 14);
    const char *pointKeys[] = {"IDS_TMR_131", "IDS_TMR_132", "IDS_TMR_133", "IDS_TMR_134"};
    for (int i = 0; i < 4; ++i) {
        auto *row = new QHBoxLayout;
        QLabel *check = picture(boxNonRecommendedApp, QStringLiteral("imgViewNonRecomm%1").arg(i + 1), 20);
        // Each view gets its own freshly decoded picture.
        setPicture(check, EmbeddedImages::decodeImage(EmbeddedImages::checkMarkImage()).value_or(QImage()));
        QLabel *point = label(boxNonRecommendedApp, QStringLiteral("lblNonRecomm%1").arg(i + 1), 12);
        point->setText(text(pointKeys[i]));
        row->addWidget(check);
        row->addWidget(point, 1);
        pointsLayout->addLayout(row);
    }

    lblJoinToOurFreeNewsletter = label(this, QStringLiteral("lblJoinToOurFreeNewsletter"), 12, true);
    txtfield = new QLineEdit(this);
    txtfield->setObjectName(QStringLiteral("txtfield"));
    txtfield->setMinimumHeight(32);
    btnSubscribeButton = button(this, QStringLiteral("btnSubscribe"), false);

    btncheckboxButton = new QCheckBox(this);
    btncheckboxButton->setObjectName(QStringLiteral("btncheckbox"));
    lblStartLKSOnStartup = label(this, QStringLiteral("lblStartLKSOnStartup"), 11);
    lblStartLKSOnStartup->setWordWrap(false);
    lblStartLKSOnStartup->setBuddy(btncheckboxButton);
    btnGetstarted = button(this, QStringLiteral("btnGetstarted"));

    // Layout.
    auto *recommendedLayout = new QVBoxLayout(boxRecommendedApp);
    recommendedLayout->setContentsMargins(18, 14, 18, 14);
    recommendedLayout->addWidget(lblRecommendedFreeApp);
    auto *recommendedRow = new QHBoxLayout;
    recommendedRow->addWidget(imgViewRecommendedApp, 0, Qt::AlignTop);
    auto *recommendedText = new QVBoxLayout;
    recommendedText->addWidget(lblRecommendedAppName);
    recommendedText->addWidget(lblRecommendedAppSubTitle);
    recommendedText->addWidget(btnAppstore, 0, Qt::AlignLeft);
    recommendedRow->addLayout(recommendedText, 1);
    recommendedLayout->addLayout(recommendedRow);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(36, 28, 36, 28);
    layout->setSpacing(12);
    auto *header = new QHBoxLayout;
    header->addWidget(imgViewIcon);
    auto *headerText = new QVBoxLayout;
    headerText->addWidget(lblTitle);
    headerText->addWidget(lblSubTitle);
    header->addLayout(headerText, 1);
    layout->addLayout(header);
    layout->addWidget(lblThankYouForDownloading);
    layout->addWidget(boxRecommendedApp);
    layout->addWidget(boxNonRecommendedApp);
    layout->addSpacing(6);
    layout->addWidget(lblJoinToOurFreeNewsletter);
    auto *newsletterRow = new QHBoxLayout;
    newsletterRow->addWidget(txtfield, 1);
    newsletterRow->addWidget(btnSubscribeButton);
    layout->addLayout(newsletterRow);
    layout->addStretch(1);
    auto *footer = new QHBoxLayout;
    footer->addWidget(btncheckboxButton);
    footer->addWidget(lblStartLKSOnStartup);
    footer->addStretch(1);
    footer->addWidget(btnGetstarted);
    layout->addLayout(footer);

    // Texts.
    btnAppstore->setText(text("IDS_TMR_263"));
    lblTitle->setText(text("IDS_TMR_1"));
    btnGetstarted->setText(text("IDS_TMR_124"));
    btnSubscribeButton->setText(text("IDS_TMR_125"));
    lblSubTitle->setText(text("IDS_TMR_126"));
    lblThankYouForDownloading->setText(text("IDS_TMR_127"));
    lblRecommendedFreeApp->setText(text("IDS_TMR_128"));
    lblJoinToOurFreeNewsletter->setText(text("IDS_TMR_129"));
    lblStartLKSOnStartup->setText(text("IDS_TMR_130"));
    btncheckboxButton->setAccessibleName(lblStartLKSOnStartup->text());
    txtfield->setAccessibleName(lblJoinToOurFreeNewsletter->text());

    boxRecommendedApp->show();
    boxNonRecommendedApp->hide();
    lblThankYouForDownloading->show();
    chooseRecommendation();

    // Showing this window turns launch at login on; the box shows that, and
    // a click switches it the way the General preferences do.
    UserDefaults::standard().setObject(QLatin1String(kLoginStartStatusKey), true);
    LaunchOnStartup::setLaunchAtStartup(true);
    btncheckboxButton->setChecked(true);

    connect(btnGetstarted, &QPushButton::clicked, this, [this] { btnGetStarted(); });
    connect(btnSubscribeButton, &QPushButton::clicked, this, [this] { btnSubscribe(); });
    connect(btnAppstore, &QPushButton::clicked, this, [this] { btnAppStore(); });
    connect(btncheckboxButton, &QCheckBox::clicked, this, [this] { btncheckbox(); });

    // Get Started is what the window is for: the keyboard starts there, not
    // on the first button made (the recommendation's).
    btnGetstarted->setFocus(Qt::OtherFocusReason);
}

void StartupVC::chooseRecommendation()
{
    using namespace SiblingApps;
    m_isRecommended = firstNotInstalled({careSuite, larkspire, morrowgate});
    switch (m_isRecommended) {
    case careSuite:
        lblRecommendedAppName->setText(text("IDS_TMR_135"));
        lblRecommendedAppSubTitle->setText(text("IDS_TMR_136"));
        OutwardStyle::setPicture(imgViewRecommendedApp, bundleImage(QStringLiteral("calloway_128")));
        break;
    case larkspire:
        lblRecommendedAppName->setText(text("IDS_TMR_148"));
        lblRecommendedAppSubTitle->setText(text("IDS_TMR_149"));
        OutwardStyle::setPicture(imgViewRecommendedApp,
                                 EmbeddedImages::decodeImage(EmbeddedImages::larkspireIconImage()).value_or(QImage()));
        break;
    case morrowgate:
        lblRecommendedAppName->setText(text("IDS_TMR_137"));
        lblRecommendedAppSubTitle->setText(text("IDS_TMR_138"));
        OutwardStyle::setPicture(imgViewRecommendedApp, bundleImage(QStringLiteral("Morrowgate128")));
        break;
    default:
        lblThankYouForDownloading->hide();
        boxNonRecommendedApp->show();
        boxRecommendedApp->hide();
        break;
    }
}

void StartupVC::btnGetStarted()
{
    UserDefaults::standard().setObject(QLatin1String(kStartupKey), true);
    // The home window comes up before this one goes, so the program never
    // stands without a window (closing the last one quits).
    if (QCoreApplication *application = QCoreApplication::instance()) {
        if (QObject *delegate = application->findChild<QObject *>(QStringLiteral("AppDelegate"), Qt::FindDirectChildrenOnly))
            QMetaObject::invokeMethod(delegate, "showHomeWindowAfterStartup");
    }
    if (window() != this)
        window()->close();
}

void StartupVC::btnAppStore()
{
    if (const auto page = SiblingApps::campaignPage(m_isRecommended))
        PageOpener::openURL(*page);
}

void StartupVC::btncheckbox()
{
    const bool enabled = btncheckboxButton->isChecked();
    UserDefaults::standard().setObject(QLatin1String(kLoginStartStatusKey), enabled);
    LaunchOnStartup::setLaunchAtStartup(enabled);
}

bool StartupVC::isValidEmailAddress(const QString &address)
{
    static const QRegularExpression pattern(
            QRegularExpression::anchoredPattern(QStringLiteral("[A-Z0-9a-z._%+-]+@[A-Za-z0-9.-]+\\.[A-Za-z]{2,}")));
    return pattern.match(address).hasMatch();
}

void StartupVC::btnSubscribe()
{
    const QString address = txtfield->text();
    if (address.isEmpty()) {
        showSheetAlert(text("IDS_TMR_139"), text("IDS_TMR_140"));
        return;
    }
    if (!isValidEmailAddress(address)) {
        showSheetAlert(text("IDS_TMR_141"), text("IDS_TMR_140"));
        return;
    }
    subscribeToNewsletter();
}

void StartupVC::subscribeToNewsletter()
{
    const auto base = ServiceConfiguration::newsletterBaseAddress();
    const QString accessKey = ServiceConfiguration::newsletterAccessKey();
    if (!base || accessKey.isEmpty()) {
        std::printf("The newsletter service is not configured in this build.\n");
        std::fflush(stdout);
        return;
    }
    const QString address = txtfield->text();
    // Base64 never holds "&" or "#", so the address cannot reshape the query.
    const QString request = *base + QStringLiteral("/wp-content/plugins/newsletter-api/add.php/?nl=3&nk=")
            + base64Text(accessKey) + QStringLiteral("&ne=") + base64Text(address) + QStringLiteral("&nn=")
            + base64Text(QString());
    const QUrl url(request, QUrl::StrictMode);
    if (!url.isValid())
        return;
    QNetworkRequest networkRequest(url);
    networkRequest.setTransferTimeout(kNewsletterTimeoutMs);
    QNetworkReply *reply = m_network->get(networkRequest);
    connect(reply, &QNetworkReply::finished, this, [this, reply] {
        reply->deleteLater();
        handleNewsletterReply(reply);
        emit newsletterReplyHandled();
    });
}

std::optional<int> StartupVC::newsletterReplyValue(const QByteArray &body)
{
    // The service answers with one bare JSON value, which Qt's parser only
    // takes inside an array.
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson("[" + body + "]", &error);
    if (error.error != QJsonParseError::NoError || !document.isArray() || document.array().size() != 1)
        return std::nullopt;
    const QJsonValue value = document.array().at(0);
    if (!value.isDouble())
        return std::nullopt;
    const double number = value.toDouble();
    if (!std::isfinite(number) || std::trunc(number) != number || std::fabs(number) > 1e9)
        return std::nullopt;
    return int(number);
}

void StartupVC::handleNewsletterReply(QNetworkReply *reply)
{
    // A failed request says nothing about the sign-up, whatever its body holds.
    if (reply->error() != QNetworkReply::NoError) {
        std::printf("Newsletter sign-up failed: %s\n", qPrintable(reply->errorString()));
        std::fflush(stdout);
        return;
    }
    const auto value = newsletterReplyValue(reply->readAll());
    if (!value)
        return;
    switch (*value) {
    case 0:
        showSheetAlert(text("IDS_TMR_142"), text("IDS_TMR_143"));
        break;
    case 1:
        showSheetAlert(text("IDS_TMR_144"),
                       localizedFormat(QStringLiteral("IDS_TMR_145"), {txtfield->text()}, txtfield->text()));
        break;
    case 2:
        showSheetAlert(text("IDS_TMR_146"), text("IDS_TMR_147"));
        break;
    default:
        break;
    }
}

void StartupVC::showSheetAlert(const QString &title, const QString &message)
{
    auto *alert = new QMessageBox(QMessageBox::Warning, QString(), title, QMessageBox::NoButton, window());
    alert->setObjectName(QStringLiteral("newsletterAlert"));
    alert->setInformativeText(message);
    // Shown as plain text: the address the user typed is part of some messages.
    alert->setTextFormat(Qt::PlainText);
    QPushButton *ok = alert->addButton(text("IDS_TMR_64"), QMessageBox::AcceptRole);
    alert->setDefaultButton(ok);
    alert->setEscapeButton(ok);
    alert->setAttribute(Qt::WA_DeleteOnClose);
    connect(alert, &QMessageBox::buttonClicked, this, [this, ok](QAbstractButton *clicked) {
        if (clicked == ok)
            txtfield->clear();
    });
    alert->setWindowModality(Qt::WindowModal);
    alert->open();
}

StartupWindow::StartupWindow(QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_content(new StartupVC(this))
{
    setObjectName(QStringLiteral("StartupWindow"));
    setWindowTitle(localizedString(QStringLiteral("IDS_TMR_1")));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_content);
    setFixedSize(660, 500);
}
