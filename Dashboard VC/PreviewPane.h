#pragma once

#include <Records.h>

#include <QUrl>
#include <QWidget>

#include <optional>

class PathControl;
class QLabel;
class QPlainTextEdit;
class QToolButton;
class QWidget;
class VideoPreview;

// The copy the pane shows: where it is, its category and its facts.
struct PreviewCopy
{
    std::optional<QUrl> url;
    std::optional<ScanResultKeys> category;
    std::optional<Metadata> file;
};

// The preview pane of the results screen: the chosen copy's picture, video,
// text or icon above an information area with its name and modification
// date, and, in the marked-copies view, its size and path. The children carry
// the names the screen knows them by.
class PreviewPane : public QWidget
{
    Q_OBJECT

public:
    explicit PreviewPane(QWidget *parent = nullptr);

    // Empties every view and label and hides the three previews and the path
    // (the video stops).
    void clear();
    // Fills the pane with one copy. With sizeAndPath the size and the path
    // control are filled too (the marked-copies view). Exactly one preview
    // is on show afterwards.
    void showCopy(const PreviewCopy &copy, bool sizeAndPath);

    // Height of the information area: 52 shows the size and path rows, 20 only the name and date.
    void setInfoHeight(int height);
    int infoHeight() const;

    // Only the pane's visible part is ever decoded for a picture.
    QSize imageBound() const;

    // Encloses the text view.
    QWidget *scrollViewTextView() const { return m_scrollViewTextView; }
    QPlainTextEdit *txtViewResult() const { return m_txtViewResult; }
    VideoPreview *videoPlayerResult() const { return m_videoPlayerResult; }
    QLabel *imgViewResult() const { return m_imgViewResult; }
    QLabel *lblFileNameResult() const { return m_lblFileNameResult; }
    QLabel *lblDateModifiedResult() const { return m_lblDateModifiedResult; }
    QLabel *lblLastModifiedDate() const { return m_lblLastModifiedDate; }
    QWidget *stackViewSize() const { return m_stackViewSize; }
    QLabel *lblCapSize() const { return m_lblCapSize; }
    QLabel *lblValueSize() const { return m_lblValueSize; }
    QWidget *stackViewPath() const { return m_stackViewPath; }
    QLabel *lblCapPath() const { return m_lblCapPath; }
    PathControl *pathControlURL() const { return m_pathControlURL; }
    QWidget *infoArea() const { return m_infoArea; }
    // Reveals the chosen copy in its folder (the screen connects it).
    QToolButton *pathControlResult() const { return m_pathControlResult; }

    // The pane's controls in the order Tab visits them, top to bottom, in two
    // parts that the screen reads apart: the preview's own (the text, the
    // video's controls), then the information row's (Show in Folder, then the
    // path's components, made afresh for every copy). Hidden ones are listed too.
    QList<QWidget *> previewKeyboardOrder() const;
    QList<QWidget *> infoKeyboardOrder() const;

signals:
    // A component of the path control was clicked: reveal that item.
    void revealRequested(const QString &path);

private:
    void showPreviewOf(const PreviewCopy &copy, const QString &path);

    QWidget *m_previewArea = nullptr;
    QWidget *m_scrollViewTextView = nullptr;
    QPlainTextEdit *m_txtViewResult = nullptr;
    VideoPreview *m_videoPlayerResult = nullptr;
    QLabel *m_imgViewResult = nullptr;
    QWidget *m_infoArea = nullptr;
    QLabel *m_lblFileNameResult = nullptr;
    QLabel *m_lblDateModifiedResult = nullptr;
    QLabel *m_lblLastModifiedDate = nullptr;
    QWidget *m_stackViewSize = nullptr;
    QLabel *m_lblCapSize = nullptr;
    QLabel *m_lblValueSize = nullptr;
    QWidget *m_stackViewPath = nullptr;
    QLabel *m_lblCapPath = nullptr;
    PathControl *m_pathControlURL = nullptr;
    QToolButton *m_pathControlResult = nullptr;
};
