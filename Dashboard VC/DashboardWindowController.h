#pragma once

#include <ScanScreenLinks.h>

#include <QPointer>
#include <QWidget>

class DashboardVC;

// The results window: a window of its own around the results screen, made
// new at every opening of the results. Its close button takes the way back
// to the home window instead of leaving the results behind.
//
// The title bar stays the platform's: a transparent, full-size-content title
// bar with a hidden title is not something Qt can ask of every window manager.
class DashboardWindowController : public QWidget, public ResultsWindowLauncher
{
    Q_OBJECT
    Q_INTERFACES(ResultsWindowLauncher)

public:
    explicit DashboardWindowController(QWidget *parent = nullptr);
    ~DashboardWindowController() override;

    DashboardVC *contentViewController() const { return m_content; }
    // The strip above the screen; hidden while the window is in full screen.
    QWidget *toolbarWindow() const { return m_toolbarWindow; }

    // Prepares the screen and brings the window in from the home window. A
    // window shown by plain show() prepares its screen as it appears.
    Q_INVOKABLE void showWindow();
    // Review results on the scan screen.
    void showResultsWindow() override { showWindow(); }
    // Leaves the results for the home window at once (start-up, quitting):
    // no animation, the home window is not touched.
    Q_INVOKABLE void closeDashboard();
    Q_INVOKABLE void miniaturize();
    // Overlays over the results keep the window from being closed while they are up.
    Q_INVOKABLE void setCloseButtonEnabled(bool enabled);
    Q_INVOKABLE bool isCloseButtonEnabled() const { return m_closeButtonEnabled; }

    // Closes the window for good (the end of the way back).
    void closeWindow();

    // While held, the window cannot be made smaller than its layout needs for
    // names, paths and the preview to stay readable. Released for the
    // hand-over animations, which grow from and shrink into a point.
    void holdReadableMinimumSize(bool hold);

    // Seconds of the two hand-over animations: 0.5, or 0 in tests (the
    // steps then happen at once).
    static double animationDuration();
    static void setAnimationDuration(double seconds);

protected:
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    DashboardVC *m_content = nullptr;
    QWidget *m_toolbarWindow = nullptr;
    bool m_closing = false;
    // The screen has been prepared for the showing under way.
    bool m_appearing = false;
    bool m_closeButtonEnabled = true;
};
