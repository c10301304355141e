#include <Dispatch.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>

#include <atomic>

TEST(Dispatch, WorkerReachesTheMainThreadThroughTheQueue)
{
    QEventLoop loop;
    std::atomic<bool> ranOnWorker{false};
    bool ranOnMain = false;
    Dispatch::globalAsync([&] {
        ranOnWorker = !Dispatch::isMainThread();
        Dispatch::mainAsync([&] {
            ranOnMain = Dispatch::isMainThread();
            loop.quit();
        });
    });
    QTimer::singleShot(5000, &loop, &QEventLoop::quit);
    loop.exec();
    EXPECT_TRUE(ranOnWorker);
    EXPECT_TRUE(ranOnMain);
}

TEST(Dispatch, DelayedCallsRunInOrderOfTheirDelays)
{
    QEventLoop loop;
    QStringList order;
    QElapsedTimer timer;
    timer.start();
    Dispatch::mainAfter(60, [&] { order.append("late"); loop.quit(); });
    Dispatch::mainAfter(10, [&] { order.append("early"); });
    QTimer::singleShot(5000, &loop, &QEventLoop::quit);
    loop.exec();
    EXPECT_EQ(order, QStringList({"early", "late"}));
    EXPECT_GE(timer.elapsed(), 55);
}

TEST(Dispatch, DelayedCallIsDroppedWithItsContext)
{
    bool ran = false;
    auto *context = new QObject;
    Dispatch::mainAfter(10, context, [&] { ran = true; });
    QCoreApplication::processEvents();
    delete context;
    QEventLoop loop;
    QTimer::singleShot(50, &loop, &QEventLoop::quit);
    loop.exec();
    EXPECT_FALSE(ran);
}
