#pragma once

#include <QTabWidget>

class AlertSettingsPreferencesViewController;
class GeneralPreferencesViewController;
class IgnoreListPreferencesViewController;
class RemovalPreferencesViewController;
class SupportPreferencesViewController;

// The tab selected whenever the preferences come up: always the first.
struct TabView
{
    static inline int selectedIndex = 0;
};

// The five panes as tabs: General, Alerts, Ignore List, Removal, Support.
class PreferencesTabViewController : public QTabWidget
{
    Q_OBJECT

public:
    explicit PreferencesTabViewController(QWidget *parent = nullptr);

    // Selects TabView's tab. Called while the window is hidden, so that the
    // only pane that appears is the selected one.
    void viewWillAppear();

    GeneralPreferencesViewController *generalPane() const { return m_general; }
    AlertSettingsPreferencesViewController *alertsPane() const { return m_alerts; }
    IgnoreListPreferencesViewController *ignoreListPane() const { return m_ignoreList; }
    RemovalPreferencesViewController *removalPane() const { return m_removal; }
    SupportPreferencesViewController *supportPane() const { return m_support; }

private:
    GeneralPreferencesViewController *m_general;
    AlertSettingsPreferencesViewController *m_alerts;
    IgnoreListPreferencesViewController *m_ignoreList;
    RemovalPreferencesViewController *m_removal;
    SupportPreferencesViewController *m_support;
};
