#include "PreferencesWindowController.h"

#include "PreferencesTabViewController.h"

#include <CustomAnimator.h>

#include <QGuiApplication>
#include <QKeyEvent>
#include <QScreen>
#include <QVBoxLayout>

PreferencesWindowController::PreferencesWindowController(QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_tabs(new PreferencesTabViewController(this))
{
    setObjectName(QStringLiteral("PreferencesWindow"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_tabs);
    resize(680, 460);
}

void PreferencesWindowController::showWindow()
{
    // The tab is chosen before the window shows, so that no other pane runs
    // its appear step first.
    if (!isVisible())
        m_tabs->viewWillAppear();
    // The first showing puts the window in the middle of the screen it is on,
    // the screen's origin counted; later showings keep where the user left it.
    if (!m_placed) {
        m_placed = true;
        if (QScreen *screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen()) {
            const QRect available = screen->availableGeometry();
            move(available.x() + (available.width() - width()) / 2, available.y() + (available.height() - height()) / 2);
        }
    }
    if (isMinimized())
        showNormal();
    else
        show();
    // The window opens with the focus on the tab bar, and the style draws the
    // focus only once the keyboard has moved it; showing a window forgets
    // that, so without this the focus would stay unseen until the first Tab.
    setAttribute(Qt::WA_KeyboardFocusChange);
    raise();
    activateWindow();
}

void PreferencesWindowController::keyPressEvent(QKeyEvent *event)
{
    // Ctrl+W whatever the desktop's key scheme says, and its own Close too.
    const bool closes = (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier)
                        || (event->key() == Qt::Key_W && event->modifiers() == Qt::ControlModifier)
                        || event->matches(QKeySequence::Close);
    if (!closes) {
        QWidget::keyPressEvent(event);
        return;
    }
    // The close button is off while an overlay is up; the keys follow it.
    if (CustomAnimator::isCloseButtonEnabled(this))
        close();
    event->accept();
}
