#pragma once

#include <QPointer>
#include <QWidget>

class QMenuBar;

// The home window: no frame of the window system, corners rounded to a
// radius of 50 by its mask (so they are clean without a compositor), a fixed
// light palette, and the program's menu bar in the top strip beside the
// window dots. Its content is the shared home screen.
class HomeWindow : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(QWidget *contentViewController READ contentViewController)

public:
    static constexpr int kCornerRadius = 50;

    explicit HomeWindow(QWidget *parent = nullptr);

    // Nothing until a content screen has been set.
    QWidget *contentViewController() const { return m_content; }
    void setContentViewController(QWidget *content);
    QMenuBar *menuBar() const { return m_menuBar; }

    // The window's outline: what the window system shows of it.
    static QRegion roundedRegion(const QSize &size);

    bool canBecomeKeyWindow() const { return true; }
    bool canBecomeMainWindow() const { return true; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    void placeMenuBar();

    QPointer<QWidget> m_content;
    QMenuBar *m_menuBar = nullptr;
};
