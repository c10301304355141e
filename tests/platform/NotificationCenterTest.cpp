#include <NotificationCenter.h>

#include <QDeadlineTimer>
#include <QThread>

#include <atomic>

#include <gtest/gtest.h>

TEST(NotificationCenter, DeliversByNameOnThePostingThread)
{
    NotificationCenter center;
    QStringList seen;
    QThread *observerThread = nullptr;
    const auto token = center.addObserver("kFolderSizeRetrive", [&](const Notification &n) {
        seen.append(n.userInfo.value("path").toString());
        observerThread = QThread::currentThread();
    });
    center.addObserver("other", [&](const Notification &) { seen.append("wrong"); });

    std::unique_ptr<QThread> worker(QThread::create([&] {
        center.post("kFolderSizeRetrive", {{"path", "/a"}});
    }));
    worker->start();
    worker->wait();
    EXPECT_EQ(seen, QStringList{"/a"});
    EXPECT_EQ(observerThread, worker.get());

    center.removeObserver(token);
    center.post("kFolderSizeRetrive", {{"path", "/b"}});
    EXPECT_EQ(seen, QStringList{"/a"});
}

TEST(NotificationCenter, ObserverMayRegisterWhilePosting)
{
    NotificationCenter center;
    int calls = 0;
    center.addObserver("n", [&](const Notification &) {
        ++calls;
        center.addObserver("n", [&](const Notification &) { ++calls; });
    });
    center.post("n");
    EXPECT_EQ(calls, 1);
}

TEST(NotificationCenter, RemovalWaitsForACallInProgressOnAnotherThread)
{
    NotificationCenter center;
    std::atomic<bool> inside{false};
    std::atomic<bool> release{false};
    std::atomic<bool> callEnded{false};
    const auto token = center.addObserver("n", [&](const Notification &) {
        inside = true;
        while (!release)
            QThread::yieldCurrentThread();
        callEnded = true;
    });
    std::unique_ptr<QThread> poster(QThread::create([&] { center.post("n"); }));
    poster->start();
    while (!inside)
        QThread::yieldCurrentThread();

    std::atomic<bool> removed{false};
    std::unique_ptr<QThread> remover(QThread::create([&] {
        center.removeObserver(token);
        // The observer's owner may be destroyed now: its call must be over.
        EXPECT_TRUE(callEnded.load());
        removed = true;
    }));
    remover->start();
    // The removal is held while the call runs, and returns once it ends.
    EXPECT_FALSE(remover->wait(QDeadlineTimer(100)));
    EXPECT_FALSE(removed.load());
    release = true;
    EXPECT_TRUE(remover->wait(QDeadlineTimer(10000)));
    EXPECT_TRUE(removed.load());
    poster->wait();
}

TEST(NotificationCenter, ObserverMayRemoveItselfWhileCalled)
{
    NotificationCenter center;
    int calls = 0;
    NotificationCenter::Token token = 0;
    token = center.addObserver("n", [&](const Notification &) {
        ++calls;
        center.removeObserver(token);
    });
    center.post("n");
    center.post("n");
    EXPECT_EQ(calls, 1);
}
