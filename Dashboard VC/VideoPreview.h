#pragma once

#include <QUrl>
#include <QWidget>

#include <memory>

class QAudioOutput;
class QFile;
class QMediaPlayer;
class QSlider;
class QToolButton;
class QVideoWidget;

// The video preview: one player drawing into a video view, with a small
// control of our own below it (play/pause and the position). A source is
// loaded, never started: the user starts it. A file the player cannot play,
// or cannot open, shows no picture and no message.
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
    // A local file is opened by the bytes of its name and the player reads
    // that open file, so it plays the file the URL names even when that name
    // is not UTF-8; a file that cannot be opened leaves the player empty.
    void setSource(const QUrl &url);
    // The open file the player reads from; none while it holds nothing.
    QFile *sourceFile() const { return m_source.get(); }

private:
    void togglePlayback();
    void updateControls();

    QMediaPlayer *m_player = nullptr;
    std::unique_ptr<QFile> m_source;
    QAudioOutput *m_audioOutput = nullptr;
    QVideoWidget *m_videoView = nullptr;
    QToolButton *m_playButton = nullptr;
    QSlider *m_positionSlider = nullptr;
};
