#pragma once

#include <AppDelegate.h>
#include <Updater.h>

#include <QList>
#include <QPointer>
#include <QStringList>
#include <QVariantMap>
#include <QWidget>

#include <gtest/gtest.h>

#include <memory>
#include <utility>

// An updater that only records what it is asked to do.
class UpdaterDouble : public Updater
{
    Q_OBJECT

public:
    void setAutomaticallyChecksForUpdates(bool checks) override;
    void setAutomaticallyDownloadsUpdates(bool downloads) override;
    void setDelegate(QObject *delegate) override;
    void checkForUpdatesInBackground() override;

    QStringList calls;
    QPointer<QObject> delegate;
};

// A fresh settings file, no login item, no busy flags and the home screens
// registered for every test; the delegate records what it would send or end.
class AppFixture : public ::testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;

    void seed(const QVariantMap &settings);
    void withUpdater();
    AppDelegate &makeDelegate();
    void launch();
    // A launch after the first run was completed; the home window it shows.
    QWidget *launchAfterFirstRun();

    std::unique_ptr<AppDelegate> delegate;
    QPointer<UpdaterDouble> updater;
    QList<std::pair<QString, QString>> events;
    int terminations = 0;
};

void clearScreenFlags();
