#include "TestEnvironment.h"

#include <DropView.h>
#include <NotificationCenter.h>
#include <ProcessState.h>

#include <QApplication>
#include <QDragEnterEvent>
#include <QMimeData>
#include <QUrl>

#include <gtest/gtest.h>

namespace {

// QApplication routes a drop only inside a drag of the window system, so the
// drop itself is handed to the view.
class TestedDropView : public DropView
{
public:
    using DropView::dropEvent;
};

class DropViewTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        clearBusyFlags();
        view.resize(300, 200);
        auto &center = NotificationCenter::defaultCenter();
        for (const char *name : {kEnterRotateNotification, kExitRotateNotification, kDropViewNotification}) {
            tokens.append(center.addObserver(QLatin1String(name), [this](const Notification &note) {
                posted.append(note.name);
                if (note.name == QLatin1String(kDropViewNotification))
                    dropped.append(note.userInfo.value(QStringLiteral("urls")).toStringList());
            }));
        }
    }

    void TearDown() override
    {
        for (auto token : tokens)
            NotificationCenter::defaultCenter().removeObserver(token);
        clearBusyFlags();
    }

    static void clearBusyFlags()
    {
        isHomeFolderPanelOpen = isRotating = isCustomDialogShown = isFolderPanelOpen = false;
    }

    bool enter(const QMimeData &data)
    {
        QDragEnterEvent event(QPoint(10, 10), Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&view, &event);
        return event.isAccepted();
    }

    void leave()
    {
        QDragLeaveEvent event;
        QApplication::sendEvent(&view, &event);
    }

    bool drop(const QMimeData &data)
    {
        QDropEvent event(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        event.ignore();
        view.dropEvent(&event);
        return event.isAccepted();
    }

    static QMimeData *withUrls(const QList<QUrl> &urls)
    {
        auto *data = new QMimeData;
        data->setUrls(urls);
        return data;
    }

    TestedDropView view;
    QList<NotificationCenter::Token> tokens;
    QStringList posted;
    QList<QStringList> dropped;
};

TEST_F(DropViewTest, BusyProgramRefusesTheDragAndTurnsNothing)
{
    bool *const flags[] = {&isHomeFolderPanelOpen, &isRotating, &isCustomDialogShown, &isFolderPanelOpen};
    std::unique_ptr<QMimeData> data(withUrls({QUrl::fromLocalFile(QStringLiteral("/tmp"))}));
    for (bool *flag : flags) {
        clearBusyFlags();
        *flag = true;
        posted.clear();
        EXPECT_FALSE(enter(*data));
        leave();
        EXPECT_TRUE(posted.isEmpty());
    }
}

TEST_F(DropViewTest, EnterAndLeaveAnnounceOneTurnEach)
{
    std::unique_ptr<QMimeData> data(withUrls({QUrl::fromLocalFile(QStringLiteral("/tmp"))}));
    EXPECT_TRUE(enter(*data));
    leave();
    EXPECT_EQ(posted, QStringList({QLatin1String(kEnterRotateNotification), QLatin1String(kExitRotateNotification)}));
}

TEST_F(DropViewTest, DropPostsTheLocalFilesInOrderAndNothingElse)
{
    const QString first = TestEnvironment::makeTemporaryFolder(QStringLiteral("drop"));
    const QString second = TestEnvironment::makeTemporaryFolder(QStringLiteral("drop"));
    std::unique_ptr<QMimeData> mixed(withUrls({QUrl::fromLocalFile(second), QUrl(QStringLiteral("https://example.org/page")),
                                               QUrl::fromLocalFile(first)}));
    EXPECT_TRUE(drop(*mixed));
    ASSERT_EQ(dropped.size(), 1);
    EXPECT_EQ(dropped.first(), QStringList({second, first}));

    std::unique_ptr<QMimeData> web(withUrls({QUrl(QStringLiteral("https://example.org/page"))}));
    EXPECT_FALSE(drop(*web));
    QMimeData plainText;
    plainText.setText(QStringLiteral("/tmp"));
    EXPECT_FALSE(drop(plainText));
    EXPECT_EQ(dropped.size(), 1);
}

} // namespace
