#include "VideoPreview.h"

#include "PreviewContent.h"

#include <ButtonKeys.h>
#include <FocusRing.h>
#include <Localization.h>

#include <QAudioOutput>
#include <QFile>
#include <QHBoxLayout>
#include <QMediaPlayer>
#include <QSlider>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>
#include <QVideoWidget>

VideoPreview::VideoPreview(QWidget *parent)
    : QWidget(parent)
    , m_player(new QMediaPlayer(this))
    , m_audioOutput(new QAudioOutput(this))
    , m_videoView(new QVideoWidget(this))
    , m_playButton(new QToolButton(this))
    , m_positionSlider(new QSlider(Qt::Horizontal, this))
{
    m_player->setAudioOutput(m_audioOutput);
    m_player->setVideoOutput(m_videoView);

    m_playButton->setObjectName(QStringLiteral("playButton"));
    m_positionSlider->setObjectName(QStringLiteral("positionSlider"));
    m_playButton->setAutoRaise(true);
    m_playButton->setCursor(Qt::PointingHandCursor);
    ButtonKeys::pressOnReturn(m_playButton);
    FocusRing::attach(m_playButton, 4);
    m_positionSlider->setRange(0, 0);
    m_positionSlider->setAccessibleName(localizedString(QStringLiteral("IDS_TMR_1607")));
    m_videoView->setAccessibleName(localizedString(QStringLiteral("IDS_TMR_1610")));

    auto *controls = new QHBoxLayout;
    controls->setContentsMargins(4, 0, 4, 0);
    controls->addWidget(m_playButton);
    controls->addWidget(m_positionSlider, 1);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    layout->addWidget(m_videoView, 1);
    layout->addLayout(controls);

    connect(m_playButton, &QToolButton::clicked, this, &VideoPreview::togglePlayback);
    connect(m_player, &QMediaPlayer::playbackStateChanged, this, &VideoPreview::updateControls);
    connect(m_player, &QMediaPlayer::mediaStatusChanged, this, &VideoPreview::updateControls);
    connect(m_player, &QMediaPlayer::durationChanged, this, [this](qint64 duration) {
        m_positionSlider->setRange(0, int(qMin<qint64>(duration, INT_MAX)));
    });
    connect(m_player, &QMediaPlayer::positionChanged, this, [this](qint64 position) {
        if (!m_positionSlider->isSliderDown())
            m_positionSlider->setValue(int(qMin<qint64>(position, INT_MAX)));
    });
    connect(m_positionSlider, &QSlider::sliderMoved, m_player, [this](int position) { m_player->setPosition(position); });
    updateControls();
}

VideoPreview::~VideoPreview()
{
    // The player's backend may still call into the video view while both go away.
    m_player->stop();
    m_player->setSource(QUrl());
    m_player->setVideoOutput(nullptr);
}

void VideoPreview::setSource(const QUrl &url)
{
    m_player->stop();
    // The player lets go of the old file before it is closed.
    m_player->setSource(QUrl());
    m_source.reset();
    if (url.isLocalFile()) {
        // The player is given the open file under a name that is plain
        // ASCII and always names it, whatever the bytes of its own name.
        // (Handing it the file as a device instead leaks the backend's
        // read buffer at every change of source.)
        m_source = PreviewContent::openForReading(url.toLocalFile());
        if (m_source)
            m_player->setSource(QUrl::fromLocalFile(QStringLiteral("/proc/self/fd/%1").arg(m_source->handle())));
    }
    m_positionSlider->setRange(0, 0);
    updateControls();
}

void VideoPreview::togglePlayback()
{
    if (m_player->playbackState() == QMediaPlayer::PlayingState)
        m_player->pause();
    else
        m_player->play();
}

void VideoPreview::updateControls()
{
    const bool playing = m_player->playbackState() == QMediaPlayer::PlayingState;
    m_playButton->setIcon(style()->standardIcon(playing ? QStyle::SP_MediaPause : QStyle::SP_MediaPlay));
    m_playButton->setAccessibleName(playing ? localizedString(QStringLiteral("IDS_TMR_1602")) : localizedString(QStringLiteral("IDS_TMR_1601")));
    const QMediaPlayer::MediaStatus status = m_player->mediaStatus();
    const bool playable = !m_player->source().isEmpty() && status != QMediaPlayer::InvalidMedia
                          && status != QMediaPlayer::NoMedia;
    m_playButton->setEnabled(playable);
    m_positionSlider->setEnabled(playable);
}
