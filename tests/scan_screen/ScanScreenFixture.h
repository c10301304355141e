#pragma once

#include <QtPrinters.h>

#include <FolderChooser.h>
#include <ScanScreenLinks.h>
#include <ScanVC.h>

#include <QPointer>
#include <QStringList>
#include <QWidget>

#include <gtest/gtest.h>

#include <functional>

class QAbstractButton;
class QLabel;
class ScanItemsViewItem;

namespace ScanScreenFixture {

// The home screen as the scan screen sees it: its outlets by name.
class HomeStandIn : public QWidget
{
public:
    HomeStandIn();
};

// The leave-results question: records that it was shown and answers as the
// real dialog does, through the scan screen's public members.
class BackToHomeStandIn : public QWidget
{
public:
    int shown = 0;
    void answer(bool ok);

protected:
    void showEvent(QShowEvent *event) override;
};

// The results window: counts the times it was asked to show itself.
class ResultsWindowStandIn : public QObject, public ResultsWindowLauncher
{
    Q_OBJECT
    Q_INTERFACES(ResultsWindowLauncher)

public:
    static inline int shownCount = 0;
    void showResultsWindow() override { ++shownCount; }
};

// A results window that is asked through its invokable showWindow().
class InvokableResultsWindowStandIn : public QWidget
{
    Q_OBJECT

public:
    static inline int shownCount = 0;
    Q_INVOKABLE void showWindow() { ++shownCount; }
};

// The cross-promotion panel: records the context it was asked to advertise in.
class AdvertiseStandIn : public QObject
{
    Q_OBJECT

public:
    static inline int calls = 0;
    Q_INVOKABLE void advertise(QWidget *context)
    {
        Q_UNUSED(context)
        ++calls;
    }
};

// Answers the next Add Folder at once with the given paths.
class FakeChooser : public FolderChooser
{
public:
    bool accept = true;
    QStringList paths;
    int opened = 0;
    void choose(QWidget *parent, const FolderChooserOptions &options, Completion completion) override;
    FolderChooserOptions lastOptions;
};

// Every test starts with an empty store, the real texts, fresh flags and a
// registry that knows the scan screens and nothing above them; alerts are
// recorded instead of shown.
class ScanScreenTest : public ::testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;

    // A scan screen from the registry, handed the list and shown over the home stand-in.
    ScanVC *presentScanScreen(const QStringList &paths);
    // The real engine without pauses, every update delivered.
    static void makeQuick(ScanVC *scan, std::chrono::milliseconds pauseBetweenSteps = std::chrono::milliseconds(0));

    template<class T> T *outlet(const char *name) const
    {
        T *found = m_scan ? m_scan->findChild<T *>(QString::fromLatin1(name)) : nullptr;
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    QString text(const char *name) const;
    void click(const char *name);
    // The names of the state boxes on show, in a fixed order.
    QStringList visibleBoxes() const;
    // The buttons the user can press now: on show and enabled.
    QStringList usableButtons() const;
    // The folder chips, in the list's order.
    QList<ScanItemsViewItem *> chips() const;
    bool waitUntil(const std::function<bool()> &condition, int timeoutMs = 20000);
    bool waitForHome(QPointer<ScanVC> scan);

    // Two folders with one pair of equal files each (4 duplicates); returns the folders.
    QStringList makeTreeWithDuplicates();
    // One folder whose files are all different.
    QStringList makeTreeWithoutDuplicates();
    // Empty folders of the given names in one temporary folder.
    QStringList makeFolders(const QStringList &names);

    QStringList alerts;
    int resetHomeToolTipsPosts = 0;
    HomeStandIn *m_home = nullptr;
    QPointer<ScanVC> m_scan;
    FakeChooser m_chooser;

private:
    quint64 m_resetToken = 0;
};

// Writes the widget's picture to the render folder.
void saveRender(QWidget *widget, const QString &name);

} // namespace ScanScreenFixture
