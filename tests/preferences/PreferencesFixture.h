#pragma once

#include <FolderChooser.h>
#include <PreferencesWindowController.h>

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <gtest/gtest.h>

#include <memory>
#include <optional>

class PreferencesTabViewController;

// Stands in for the desktop's open panel: remembers what was asked and
// answers only when the test says so, as a panel the user closes later would.
class FakeFolderChooser final : public FolderChooser
{
public:
    void choose(QWidget *parent, const FolderChooserOptions &options, Completion completion) override;
    // Answers the open request; false when none is open.
    bool answer(bool accepted, const QStringList &paths = {});
    bool isOpen() const { return m_pending != nullptr; }

    int openCount = 0;
    FolderChooserOptions lastOptions;

private:
    std::unique_ptr<Completion> m_pending;
};

// The scan screen as the ignore pane sees it: its list of folders.
class FakeScanScreen : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QStringList scanList READ scanList)

public:
    explicit FakeScanScreen(QStringList list)
        : m_list(std::move(list))
    {
    }
    QStringList scanList() const { return m_list; }

private:
    QStringList m_list;
};

struct ShownAlert
{
    QString message;
    QString informativeText;
};

// A fresh settings file, fresh in-memory settings, the preferences screens
// registered anew, the fake chooser and an alert recorder in place.
class PreferencesFixture : public ::testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;

    // Puts fresh in-memory values and an empty registry with the preferences
    // screens in place, keeping the settings file.
    void resetScreens();

    static void store(const QString &key, const QVariant &value);
    static void remove(const QString &key);
    static QVariant stored(const QString &key);
    // The settings file as it is on disk (empty when there is none).
    QString settingsFile() const;

    PreferencesWindowController *window();
    PreferencesTabViewController *tabs();
    // Shows the window (General in front), then brings the tab to the front.
    void showTab(int index);
    // Writes the window's picture into the render folder.
    void saveRender(const QString &name);

    QString m_settingsPath;
    FakeFolderChooser chooser;
    QList<ShownAlert> alerts;
};
