#include "PreferencesWindowController.h"

#include "PreferencesTabViewController.h"

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
    if (isMinimized())
        showNormal();
    else
        show();
    raise();
    activateWindow();
}
