#include "HomeWindowController.h"

#include "HomeWindow.h"

#include <ScreenRegistry.h>

#include <QPalette>


QPalette HomeWindowController::lightPalette()
{
    const QColor ink(0x1b, 0x2a, 0x44);
    const QColor greyedInk(0x9a, 0xa3, 0xb0);
    QPalette palette;
    palette.setColor(QPalette::Window, QColor(0xff, 0xff, 0xff));
    palette.setColor(QPalette::Base, QColor(0xff, 0xff, 0xff));
    palette.setColor(QPalette::AlternateBase, QColor(0xf3, 0xf6, 0xfa));
    palette.setColor(QPalette::Button, QColor(0xf0, 0xf2, 0xf5));
    palette.setColor(QPalette::Highlight, QColor(0x2d, 0x8c, 0xe6));
    palette.setColor(QPalette::HighlightedText, QColor(0xff, 0xff, 0xff));
    palette.setColor(QPalette::ToolTipBase, QColor(0xff, 0xff, 0xf0));
    palette.setColor(QPalette::ToolTipText, ink);
    palette.setColor(QPalette::PlaceholderText, greyedInk);
    // Text of what cannot be used is greyed, in every window that follows
    // this palette (the folder panel's plain files among them).
    for (const QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) {
        palette.setColor(role, ink);
        palette.setColor(QPalette::Disabled, role, greyedInk);
    }
    return palette;
}

HomeWindowController::HomeWindowController(HomeWindow *window)
    : QObject(window)
{
    setObjectName(QStringLiteral("HomeWindowController"));
}

HomeWindow *HomeWindowController::window() const
{
    return static_cast<HomeWindow *>(parent());
}

HomeWindowController *HomeWindowController::of(const QWidget *window)
{
    return window ? window->findChild<HomeWindowController *>(QStringLiteral("HomeWindowController"), Qt::FindDirectChildrenOnly)
                  : nullptr;
}

void HomeWindowController::windowDidLoad()
{
    HomeWindow *home = window();
    home->setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    home->setWindowTitle(QString());
    home->setPalette(lightPalette());
    home->setAutoFillBackground(false);
}

void HomeWindowController::showWindow(QObject *)
{
    if (window()->contentViewController())
        showWindowInFront(window());
}
