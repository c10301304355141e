#pragma once

#include <QObject>
#include <QPalette>

class HomeWindow;
class QWidget;

// Sets the home window up once it exists and shows it on request. It lives
// as a child of the window it controls.
class HomeWindowController : public QObject
{
    Q_OBJECT

public:
    explicit HomeWindowController(HomeWindow *window);

    // The program's colours, light whatever the desktop's theme.
    static QPalette lightPalette();

    HomeWindow *window() const;
    // The controller of a home window; nullptr for any other widget.
    static HomeWindowController *of(const QWidget *window);

    // The window's fixed look: no title, light colours whatever the desktop's
    // theme, the content under the top strip.
    void windowDidLoad();
    // Shows the window in front; nothing without content.
    void showWindow(QObject *sender);
};
