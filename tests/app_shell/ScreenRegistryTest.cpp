#include <ScreenRegistry.h>

#include <QCoreApplication>
#include <QEvent>
#include <QPointer>
#include <QWidget>

#include <gtest/gtest.h>

namespace {

class ScreenRegistryTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        registry.reset();
        registry.registerFactory(QLatin1String(ScreenId::Scan), [this] {
            ++made;
            return new QWidget;
        });
    }
    void TearDown() override { registry.reset(); }

    static void runDeferredDeletes() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

    ScreenRegistry &registry = ScreenRegistry::instance();
    int made = 0;
};

TEST_F(ScreenRegistryTest, ScreensAreMadeOnceAndOnlyOnRequest)
{
    EXPECT_EQ(registry.peekObject(QLatin1String(ScreenId::Scan)), nullptr);
    EXPECT_EQ(made, 0);
    QWidget *first = scanVC();
    ASSERT_TRUE(first);
    EXPECT_EQ(scanVC(), first);
    EXPECT_EQ(registry.peek<QWidget>(QLatin1String(ScreenId::Scan)), first);
    EXPECT_EQ(made, 1);

    // No factory: nothing, every time, and nothing is made.
    EXPECT_EQ(dashboardWindowController(), nullptr);
    EXPECT_FALSE(registry.hasFactory(QLatin1String(ScreenId::DashboardWindow)));
}

TEST_F(ScreenRegistryTest, ReleasedScreenGoesAwayAndTheNextRequestMakesANewOne)
{
    QPointer<QWidget> first = scanVC();
    registry.release(QLatin1String(ScreenId::Scan));
    EXPECT_EQ(registry.peekObject(QLatin1String(ScreenId::Scan)), nullptr);
    EXPECT_TRUE(first) << "deleted on the event loop, not under its caller";
    runDeferredDeletes();
    EXPECT_FALSE(first);
    QWidget *second = scanVC();
    EXPECT_TRUE(second);
    EXPECT_EQ(made, 2);
}

TEST_F(ScreenRegistryTest, PutReplacesForgetKeepsAndDeletionEmptiesTheSlot)
{
    QPointer<QWidget> made1 = scanVC();
    auto *stored = new QWidget;
    registry.put(QLatin1String(ScreenId::Scan), stored);
    EXPECT_EQ(scanVC(), stored);
    runDeferredDeletes();
    EXPECT_FALSE(made1);

    // Storing the same screen again keeps it.
    registry.put(QLatin1String(ScreenId::Scan), stored);
    runDeferredDeletes();
    EXPECT_EQ(scanVC(), stored);

    registry.forget(QLatin1String(ScreenId::Scan));
    runDeferredDeletes();
    QPointer<QWidget> kept = stored;
    EXPECT_TRUE(kept);
    EXPECT_NE(scanVC(), stored);
    delete stored;

    QWidget *current = scanVC();
    delete current;
    EXPECT_EQ(registry.peekObject(QLatin1String(ScreenId::Scan)), nullptr);
}

} // namespace
