#include "PreferencesViewController.h"

#include <FocusHandOff.h>
#include <FolderChooser.h>
#include <Localization.h>

#include <QPointer>
#include <QShowEvent>

PreferencesViewController::PreferencesViewController(const QString &titleKey, QWidget *parent)
    : QWidget(parent)
    , m_titleKey(titleKey)
{
}

bool PreferencesViewController::focusNextPrevChild(bool next)
{
    return FocusHandOff::handOver(this) || QWidget::focusNextPrevChild(next);
}

void PreferencesViewController::loadViewIfNeeded()
{
    if (m_isViewLoaded)
        return;
    m_isViewLoaded = true;
    viewDidLoad();
}

void PreferencesViewController::viewDidAppear()
{
    if (m_titleKey.isEmpty())
        return;
    QWidget *host = window();
    if (host && host != this)
        host->setWindowTitle(localizedString(m_titleKey));
}

void PreferencesViewController::showEvent(QShowEvent *event)
{
    if (event->spontaneous()) {
        QWidget::showEvent(event);
        return;
    }
    loadViewIfNeeded();
    viewWillAppear();
    QWidget::showEvent(event);
    viewDidAppear();
}

void PreferencesViewController::chooseFolders(FolderChooserOptions options,
                                              std::function<void(bool accepted, const QStringList &paths)> completion)
{
    options.canChooseDirectories = true;
    options.showsHiddenFiles = false;
    QPointer<PreferencesViewController> self(this);
    FolderChooser::current().choose(this, options, [self, completion = std::move(completion)](bool accepted, const QStringList &paths) {
        if (self)
            completion(accepted, paths);
    });
}
