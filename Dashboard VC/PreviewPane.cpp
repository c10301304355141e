#include "PreviewPane.h"

#include "FileIcons.h"
#include "PathControl.h"
#include "PreviewContent.h"
#include "VideoPreview.h"

#include <ButtonKeys.h>
#include <FileFacts.h>
#include <FocusRing.h>
#include <Localization.h>
#include <ResultQueries.h>

#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QSlider>
#include <QStackedLayout>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

constexpr int kRowHeight = 16;
constexpr int kPathRowHeight = 20;
// What an image is decoded to before the pane has a size of its own.
constexpr QSize kFallbackImageBound{480, 360};
constexpr int kIconExtent = 128;
// The least room a picture, a video or a few lines of text keep when the
// window is made small.
constexpr int kPreviewMinimumHeight = 160;

QLabel *makeLabel(const QString &name, QWidget *parent)
{
    auto *label = new QLabel(parent);
    label->setObjectName(name);
    label->setTextFormat(Qt::PlainText);
    return label;
}

// A row of the information area: caption, then value.
QWidget *makeRow(const QString &name, QLabel *caption, QWidget *value, int height, QWidget *parent)
{
    auto *row = new QWidget(parent);
    row->setObjectName(name);
    row->setFixedHeight(height);
    auto *layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(6);
    caption->setParent(row);
    value->setParent(row);
    layout->addWidget(caption);
    layout->addWidget(value, 1);
    return row;
}

} // namespace

PreviewPane::PreviewPane(QWidget *parent)
    : QWidget(parent)
{
    m_lblFileNameResult = makeLabel(QStringLiteral("lblFileNameResult"), this);
    QFont nameFont = m_lblFileNameResult->font();
    nameFont.setBold(true);
    m_lblFileNameResult->setFont(nameFont);
    m_lblFileNameResult->setMinimumWidth(1);

    // The three previews share one place; only one is ever on show.
    m_previewArea = new QWidget(this);
    m_previewArea->setObjectName(QStringLiteral("previewArea"));
    m_previewArea->setMinimumHeight(kPreviewMinimumHeight);
    auto *previews = new QStackedLayout(m_previewArea);
    previews->setStackingMode(QStackedLayout::StackAll);

    m_scrollViewTextView = new QWidget(m_previewArea);
    m_scrollViewTextView->setObjectName(QStringLiteral("scrollViewTextView"));
    m_txtViewResult = new QPlainTextEdit(m_scrollViewTextView);
    m_txtViewResult->setObjectName(QStringLiteral("txtViewResult"));
    m_txtViewResult->setReadOnly(true);
    m_txtViewResult->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    // Read from the keyboard too: a caret to move through the text, and Tab
    // goes on to the next control instead of into the text.
    m_txtViewResult->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    m_txtViewResult->setTabChangesFocus(true);
    m_txtViewResult->setAccessibleName(localizedString(QStringLiteral("IDS_TMR_1608")));
    auto *textLayout = new QVBoxLayout(m_scrollViewTextView);
    textLayout->setContentsMargins(0, 0, 0, 0);
    textLayout->addWidget(m_txtViewResult);

    m_videoPlayerResult = new VideoPreview(m_previewArea);
    m_videoPlayerResult->setObjectName(QStringLiteral("videoPlayerResult"));

    m_imgViewResult = makeLabel(QStringLiteral("imgViewResult"), m_previewArea);
    m_imgViewResult->setAlignment(Qt::AlignCenter);
    m_imgViewResult->setAutoFillBackground(true);
    QPalette white = m_imgViewResult->palette();
    white.setColor(QPalette::Window, Qt::white);
    m_imgViewResult->setPalette(white);
    m_imgViewResult->setMinimumSize(1, 1);
    m_imgViewResult->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
    m_imgViewResult->setAccessibleName(localizedString(QStringLiteral("IDS_TMR_1609")));

    previews->addWidget(m_scrollViewTextView);
    previews->addWidget(m_videoPlayerResult);
    previews->addWidget(m_imgViewResult);

    // Information area: date, then (marked-copies view) size and path.
    m_infoArea = new QWidget(this);
    m_infoArea->setObjectName(QStringLiteral("infoArea"));
    m_lblLastModifiedDate = makeLabel(QStringLiteral("lblLastModifiedDate"), m_infoArea);
    m_lblDateModifiedResult = makeLabel(QStringLiteral("lblDateModifiedResult"), m_infoArea);
    m_pathControlResult = new QToolButton(m_infoArea);
    m_pathControlResult->setObjectName(QStringLiteral("pathControlResult"));
    m_pathControlResult->setAutoRaise(true);
    m_pathControlResult->setText(localizedString(QStringLiteral("IDS_TMR_1605")));
    m_pathControlResult->setToolTip(localizedString(QStringLiteral("IDS_TMR_1605")));
    m_pathControlResult->setCursor(Qt::PointingHandCursor);
    ButtonKeys::pressOnReturn(m_pathControlResult);
    FocusRing::attach(m_pathControlResult, 4);
    auto *dateRow = new QWidget(m_infoArea);
    dateRow->setFixedHeight(kRowHeight);
    auto *dateLayout = new QHBoxLayout(dateRow);
    dateLayout->setContentsMargins(0, 0, 0, 0);
    dateLayout->setSpacing(6);
    m_lblLastModifiedDate->setParent(dateRow);
    m_lblDateModifiedResult->setParent(dateRow);
    m_pathControlResult->setParent(dateRow);
    dateLayout->addWidget(m_lblLastModifiedDate);
    dateLayout->addWidget(m_lblDateModifiedResult, 1);
    dateLayout->addWidget(m_pathControlResult);

    m_lblCapSize = makeLabel(QStringLiteral("lblCapSize"), m_infoArea);
    m_lblCapSize->setText(localizedString(QStringLiteral("IDS_TMR_1603")));
    m_lblValueSize = makeLabel(QStringLiteral("lblValueSize"), m_infoArea);
    m_stackViewSize = makeRow(QStringLiteral("stackViewSize"), m_lblCapSize, m_lblValueSize, kRowHeight, m_infoArea);

    m_lblCapPath = makeLabel(QStringLiteral("lblCapPath"), m_infoArea);
    m_lblCapPath->setText(localizedString(QStringLiteral("IDS_TMR_1604")));
    m_pathControlURL = new PathControl(m_infoArea);
    m_pathControlURL->setObjectName(QStringLiteral("pathControlURL"));
    m_stackViewPath = makeRow(QStringLiteral("stackViewPath"), m_lblCapPath, m_pathControlURL, kPathRowHeight, m_infoArea);

    auto *infoLayout = new QVBoxLayout(m_infoArea);
    infoLayout->setContentsMargins(0, 0, 0, 0);
    infoLayout->setSpacing(0);
    infoLayout->addWidget(dateRow);
    infoLayout->addWidget(m_stackViewSize);
    infoLayout->addWidget(m_stackViewPath);
    infoLayout->addStretch(1);
    m_stackViewSize->hide();
    m_stackViewPath->hide();
    setInfoHeight(20);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(6);
    layout->addWidget(m_lblFileNameResult);
    layout->addWidget(m_previewArea, 1);
    layout->addWidget(m_infoArea);

    connect(m_pathControlURL, &PathControl::componentClicked, this, &PreviewPane::revealRequested);

    m_scrollViewTextView->hide();
    m_videoPlayerResult->hide();
    m_imgViewResult->hide();
    m_pathControlURL->hide();
    m_pathControlResult->setEnabled(false);
}

QList<QWidget *> PreviewPane::previewKeyboardOrder() const
{
    return {m_txtViewResult, m_videoPlayerResult->playButton(), m_videoPlayerResult->positionSlider()};
}

QList<QWidget *> PreviewPane::infoKeyboardOrder() const
{
    QList<QWidget *> order{m_pathControlResult};
    for (QToolButton *component : m_pathControlURL->componentButtons())
        order.append(component);
    return order;
}

void PreviewPane::setInfoHeight(int height)
{
    m_infoArea->setFixedHeight(height);
}

int PreviewPane::infoHeight() const
{
    return m_infoArea->maximumHeight();
}

QSize PreviewPane::imageBound() const
{
    QSize bound = m_previewArea->size();
    if (bound.width() < 16 || bound.height() < 16)
        bound = kFallbackImageBound;
    return bound * devicePixelRatioF();
}

void PreviewPane::clear()
{
    m_lblFileNameResult->clear();
    m_lblDateModifiedResult->clear();
    m_txtViewResult->clear();
    m_imgViewResult->clear();
    m_pathControlURL->setURL(std::nullopt);
    m_videoPlayerResult->setSource(QUrl());
    // Nothing shown, nothing to reveal: the button would name the copy shown before.
    m_pathControlResult->setEnabled(false);
    m_pathControlURL->hide();
    m_scrollViewTextView->hide();
    m_imgViewResult->hide();
    m_videoPlayerResult->hide();
}

void PreviewPane::showCopy(const PreviewCopy &copy, bool sizeAndPath)
{
    const QString path = copy.url && copy.url->isLocalFile() ? copy.url->toLocalFile() : QString();
    m_lblFileNameResult->setText(copy.url ? copy.url->fileName() : QString());
    const std::optional<QDateTime> date = path.isEmpty() ? std::nullopt : fileModificationDate(path);
    m_lblDateModifiedResult->setText(date ? PreviewContent::formatModificationDate(*date) : QString());
    m_pathControlResult->setEnabled(copy.url.has_value());

    if (sizeAndPath) {
        if (copy.file)
            m_lblValueSize->setText(formattedSize(copy.file->size));
        m_pathControlURL->setURL(copy.url);
        m_pathControlURL->show();
    }
    showPreviewOf(copy, path);
}

void PreviewPane::showPreviewOf(const PreviewCopy &copy, const QString &path)
{
    m_scrollViewTextView->hide();
    m_videoPlayerResult->hide();
    m_imgViewResult->hide();
    switch (PreviewContent::kindFor(copy.category)) {
    case PreviewContent::Kind::Video:
        m_videoPlayerResult->show();
        m_videoPlayerResult->setSource(copy.url.value_or(QUrl()));
        break;
    case PreviewContent::Kind::Text:
        m_scrollViewTextView->show();
        m_txtViewResult->setPlainText(path.isEmpty() ? QString() : PreviewContent::documentText(path).value_or(QString()));
        break;
    case PreviewContent::Kind::Image: {
        m_imgViewResult->show();
        const QImage image = path.isEmpty() ? QImage() : PreviewContent::previewImage(path, imageBound());
        QPixmap pixmap = QPixmap::fromImage(image);
        pixmap.setDevicePixelRatio(devicePixelRatioF());
        m_imgViewResult->setPixmap(pixmap);
        break;
    }
    case PreviewContent::Kind::Icon:
        m_imgViewResult->show();
        if (copy.file)
            m_imgViewResult->setPixmap(FileIcons::iconForMimeName(copy.file->icon).pixmap(kIconExtent));
        else
            m_imgViewResult->clear();
        break;
    }
}
