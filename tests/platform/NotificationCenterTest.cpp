#include <NotificationCenter.h>

#include <QThread>

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
