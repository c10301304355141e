#pragma once

#include <NotificationCenter.h>
#include <ProcessState.h>
#include <RemovalHandOff.h>
#include <TestEnvironment.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QPushButton>
#include <QStringList>
#include <QWidget>

#include <gtest/gtest.h>

// The results screen as the removal screens see it: the invokable methods
// and the dimming layer they reach by name, and the confirmation's observers.
class ResultsStandIn : public QWidget
{
    Q_OBJECT

public:
    QStringList calls;
    QWidget *topLayerParent;

    ResultsStandIn()
    {
        resize(900, 600);
        topLayerParent = new QWidget(this);
        topLayerParent->setObjectName(QStringLiteral("topLayerParent"));
        topLayerParent->hide();
        m_ok = NotificationCenter::defaultCenter().addObserver(QLatin1String(kDeleteDuplicateFilesNotification),
                                                               [this](const Notification &) {
                                                                   calls.append("observerDeleteMarked");
                                                                   RemovalHandOff::observerDeleteMarked(this);
                                                               });
        m_cancel = NotificationCenter::defaultCenter().addObserver(
            QLatin1String(kHideTopParentLayerDashboardNotification), [this](const Notification &) {
                calls.append("hideTopParentLayer");
                topLayerParent->hide();
            });
    }

    ~ResultsStandIn() override
    {
        NotificationCenter::defaultCenter().removeObserver(m_ok);
        NotificationCenter::defaultCenter().removeObserver(m_cancel);
    }

    Q_INVOKABLE void updateTrashButton() { calls.append("updateTrashButton"); }
    Q_INVOKABLE void endSearch() { calls.append("endSearch"); }
    Q_INVOKABLE void clearResultsPreview() { calls.append("clearResultsPreview"); }
    Q_INVOKABLE void resetSelectedRows() { calls.append("resetSelectedRows"); }
    Q_INVOKABLE void showHomeWindow() { calls.append("showHomeWindow"); }

private:
    NotificationCenter::Token m_ok = 0;
    NotificationCenter::Token m_cancel = 0;
};

// The scan screen as the dialogs over it see it.
class ScanStandIn : public QWidget
{
    Q_OBJECT

public:
    QStringList calls;
    QWidget *boxTopLayer;
    QPushButton *btnClose;

    ScanStandIn()
    {
        resize(1008, 702);
        boxTopLayer = new QWidget(this);
        boxTopLayer->setObjectName(QStringLiteral("boxTopLayer"));
        btnClose = new QPushButton(this);
        btnClose->setObjectName(QStringLiteral("btnClose"));
    }

    Q_INVOKABLE void enableScanButtons() { calls.append("enableScanButtons"); }
    Q_INVOKABLE void showAdvertise() { calls.append("showAdvertise"); }
};

inline void waitFor(const std::function<bool()> &condition, int timeoutMs = 20000)
{
    QElapsedTimer timer;
    timer.start();
    while (!condition() && timer.elapsed() < timeoutMs)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

inline void saveRender(QWidget &widget, const QString &name)
{
    const QString path = TestEnvironment::renderDirectory() + "/removal-" + name + ".png";
    EXPECT_TRUE(widget.grab().save(path)) << path.toStdString();
}
