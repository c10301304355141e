#include "DashboardWindowController.h"

#include "DashboardVC.h"
#include "WindowPlacement.h"

#include <MainMenuHost.h>
#include <ProcessState.h>
#include <ScreenRegistry.h>

#include <QCloseEvent>
#include <QHideEvent>
#include <QMenuBar>
#include <QShowEvent>
#include <QVBoxLayout>

namespace {

double &durationSetting()
{
    static double seconds = 0.5;
    return seconds;
}

} // namespace

DashboardWindowController::DashboardWindowController(QWidget *parent)
    : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("DashboardWindow"));
    setAttribute(Qt::WA_DeleteOnClose, false);
    m_toolbarWindow = new QWidget(this);
    m_toolbarWindow->setObjectName(QStringLiteral("toolbarWindow"));
    m_toolbarWindow->setFixedHeight(12);
    m_content = new DashboardVC(this);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    // The smallest size is set by holdReadableMinimumSize, not by the layout.
    layout->setSizeConstraint(QLayout::SetNoConstraint);
    // The program's menus (About, Preferences, Quit...) stay within reach while
    // the results window stands in for the home window.
    auto *menuBar = new QMenuBar(this);
    menuBar->setObjectName(QStringLiteral("menuBar"));
    // The style draws nothing under a menu that is only pointed at or reached
    // by Alt or F10; the bar shows it as the home window's strip does.
    menuBar->setStyleSheet(QStringLiteral(
        "QMenuBar::item { background: transparent; padding: 3px 8px; border: 1px solid transparent; border-radius: 4px; }"
        "QMenuBar::item:selected { background: palette(highlight); color: palette(highlighted-text);"
        " border-color: palette(dark); }"));
    MainMenuHost::install(menuBar);
    layout->setMenuBar(menuBar);
    layout->addWidget(m_toolbarWindow);
    layout->addWidget(m_content, 1);
    resize(WindowPlacement::kResultsWindowSize);
}

DashboardWindowController::~DashboardWindowController()
{
    isDashboardMiniaturized = false;
}

void DashboardWindowController::showWindow()
{
    m_closing = false;
    m_appearing = true;
    m_content->prepareToShow();
}

void DashboardWindowController::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    // Restoring from the taskbar is no new showing.
    if (event->spontaneous() || m_appearing)
        return;
    m_appearing = true;
    m_content->prepareToShow();
}

void DashboardWindowController::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    if (!event->spontaneous())
        m_appearing = false;
}

void DashboardWindowController::closeDashboard()
{
    m_content->closeDashboard();
}

void DashboardWindowController::miniaturize()
{
    showMinimized();
}

void DashboardWindowController::setCloseButtonEnabled(bool enabled)
{
    m_closeButtonEnabled = enabled;
}

void DashboardWindowController::closeWindow()
{
    m_closing = true;
    close();
    // A closed results window is never shown again (each opening makes a new
    // one), so it goes now, and with it its screen and that screen's observers.
    ScreenRegistry &registry = ScreenRegistry::instance();
    if (registry.peekObject(QString::fromLatin1(ScreenId::DashboardWindow)) == this)
        registry.release(QString::fromLatin1(ScreenId::DashboardWindow));
}

void DashboardWindowController::holdReadableMinimumSize(bool hold)
{
    setMinimumSize(hold ? minimumSizeHint() : QSize(0, 0));
}

double DashboardWindowController::animationDuration()
{
    return durationSetting();
}

void DashboardWindowController::setAnimationDuration(double seconds)
{
    durationSetting() = seconds < 0 ? 0 : seconds;
}

void DashboardWindowController::closeEvent(QCloseEvent *event)
{
    if (m_closing) {
        m_closing = false;
        event->accept();
        return;
    }
    // The close button: the results are left the way Back leaves them, so the
    // home window comes back rather than the program having no window.
    event->ignore();
    if (m_closeButtonEnabled)
        m_content->clickBack();
}

void DashboardWindowController::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::WindowStateChange) {
        m_toolbarWindow->setVisible(!isFullScreen());
        isDashboardMiniaturized = isMinimized();
    }
    QWidget::changeEvent(event);
}
