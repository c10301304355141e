#include "PreferencesTabViewController.h"

#include "AlertSettingsPreferencesViewController.h"
#include "GeneralPreferencesViewController.h"
#include "IgnoreListPreferencesViewController.h"
#include "RemovalPreferencesViewController.h"
#include "SupportPreferencesViewController.h"

#include <Localization.h>

PreferencesTabViewController::PreferencesTabViewController(QWidget *parent)
    : QTabWidget(parent)
    , m_general(new GeneralPreferencesViewController)
    , m_alerts(new AlertSettingsPreferencesViewController)
    , m_ignoreList(new IgnoreListPreferencesViewController)
    , m_removal(new RemovalPreferencesViewController)
    , m_support(new SupportPreferencesViewController)
{
    setDocumentMode(true);
    const QList<QWidget *> panes{m_general, m_alerts, m_ignoreList, m_removal, m_support};
    for (int i = 0; i < panes.size(); ++i)
        addTab(panes.at(i), localizedString(QStringLiteral("IDS_TMR_%1").arg(19 + i)));
}

void PreferencesTabViewController::viewWillAppear()
{
    setCurrentIndex(TabView::selectedIndex);
}
