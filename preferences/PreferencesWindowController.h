#pragma once

#include <QWidget>

class PreferencesTabViewController;

// The preferences window: an ordinary titled window, made once and kept.
// Closing it only hides it; every pane writes its settings as they change.
class PreferencesWindowController : public QWidget
{
    Q_OBJECT

public:
    explicit PreferencesWindowController(QWidget *parent = nullptr);

    PreferencesTabViewController *tabViewController() const { return m_tabs; }

    // Brings the window up with the General tab in front (the Preferences
    // menu item calls it by name through the screen registry).
    Q_INVOKABLE void showWindow();

protected:
    // Escape and the Close key (Ctrl+W) close the window, as its close button
    // does; not while an overlay is up in it, which takes Escape itself.
    void keyPressEvent(QKeyEvent *event) override;

private:
    PreferencesTabViewController *m_tabs;
    bool m_placed = false;
};
