#pragma once

#include <QStringList>
#include <QWidget>

#include <functional>

struct FolderChooserOptions;

// The life of a preferences view: its texts and set-up once, when it is
// first needed (viewDidLoad), then every time code shows it the stored state
// is read again (viewWillAppear) and, for a pane, the window takes the pane's
// title (viewDidAppear). A show that only restores a minimised window is not
// an appearance.
class PreferencesViewController : public QWidget
{
    Q_OBJECT

public:
    // titleKey: the localisation key of the window title while this view is in
    // front; empty for a view that does not title the window.
    explicit PreferencesViewController(const QString &titleKey = QString(), QWidget *parent = nullptr);

    void loadViewIfNeeded();
    bool isViewLoaded() const { return m_isViewLoaded; }

protected:
    virtual void viewDidLoad() {}
    virtual void viewWillAppear() {}
    virtual void viewDidAppear();

    void showEvent(QShowEvent *event) override;
    // A control of the view that turns itself off hands the keyboard to what
    // it acted on (FocusHandOff), not to the next control.
    bool focusNextPrevChild(bool next) override;

    // Opens the folder chooser as a sheet on this view's window, hidden files
    // left out; the completion runs only while this view still exists.
    void chooseFolders(FolderChooserOptions options, std::function<void(bool accepted, const QStringList &paths)> completion);

private:
    QString m_titleKey;
    bool m_isViewLoaded = false;
};
