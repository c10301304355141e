#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <memory>

// Finds, downloads and installs new versions of the program. Linux packages
// bring their own updates, so the program has no updater of its own: the
// factory answers nothing unless a test puts a double in place.
class Updater : public QObject
{
    Q_OBJECT

public:
    using Factory = std::function<std::unique_ptr<Updater>()>;

    // The updater for the program, or nothing when there is none.
    static std::unique_ptr<Updater> makeForMainBundle();
    // Whether the program has an updater at all; the update settings and
    // actions show only when it has.
    static bool isAvailable();
    // Replaces the factory; an empty one restores "no updater".
    static void setFactory(Factory factory);

    virtual void setAutomaticallyChecksForUpdates(bool checks) = 0;
    virtual void setAutomaticallyDownloadsUpdates(bool downloads) = 0;
    // The object that hears about downloads; the signals below reach only it.
    virtual void setDelegate(QObject *delegate) = 0;
    virtual void checkForUpdatesInBackground() = 0;

signals:
    void willDownloadUpdate(const QString &version);
    void didDownloadUpdate(const QString &version);

protected:
    using QObject::QObject;
};
