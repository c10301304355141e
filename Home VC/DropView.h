#pragma once

#include <QWidget>

class QMimeData;

// The area of the home screen that takes folders dragged from a file
// manager. It takes nothing in itself: it announces a drag entering and
// leaving ("kEnterRotate", "kExitRotate") and posts the dropped paths
// ("DropViewTMR", "urls"), and refuses drags while the program is busy with
// a folder panel, an overlay or an earlier drop.
class DropView : public QWidget
{
    Q_OBJECT

public:
    explicit DropView(QWidget *parent = nullptr);

    // The local files a drop carries, in its order; links to web pages and
    // other remote addresses are not file names.
    static QStringList fileNames(const QMimeData *data);

protected:
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dragLeaveEvent(QDragLeaveEvent *event) override;
    void dropEvent(QDropEvent *event) override;
};
