#pragma once

#include <QUrl>
#include <QWidget>

class QAudioOutput;
class QMediaPlayer;
class QSlider;
class QToolButton;
class QVideoWidget;

// The video preview: one player drawing into a video view, with a small
// control of our own below it (play/pause and the position). A source is
// loaded, never started: the user starts it. A file the player cannot play
// shows no picture and no message.
class VideoPreview : public QWidget
{
    Q_OBJECT

public:
    explicit VideoPreview(QWidget *parent = nullptr);
    ~VideoPreview() override;

    QMediaPlayer *player() const { return m_player; }
    QVideoWidget *videoView() const { return m_videoView; }
    QToolButton *playButton() const { return m_playButton; }
    QSlider *positionSlider() const { return m_positionSlider; }

    // Replaces what the player holds; an empty URL empties it (playback stops).
    void setSource(const QUrl &url);

private:
    void togglePlayback();
    void updateControls();

    QMediaPlayer *m_player = nullptr;
    QAudioOutput *m_audioOutput = nullptr;
    QVideoWidget *m_videoView = nullptr;
    QToolButton *m_playButton = nullptr;
    QSlider *m_positionSlider = nullptr;
};
