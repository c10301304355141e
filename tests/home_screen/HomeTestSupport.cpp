#include "HomeTestSupport.h"

#include "TestEnvironment.h"

#include <Alert.h>

#include <QMessageBox>
#include <QPainter>

#include <gtest/gtest.h>

StandInScan::StandInScan(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("ScanStandIn"));
    setAutoFillBackground(true);
    QPalette colours = palette();
    colours.setColor(QPalette::Window, QColor(0x20, 0x40, 0x70));
    setPalette(colours);
    auto *box = new QWidget(this);
    box->setObjectName(QStringLiteral("boxTopLayer"));
    box->hide();
}

void StandInScan::takeScanList(const QStringList &paths, QWidget *parent)
{
    m_scanList = paths;
    handOffs.append(paths);
    parentVC = parent;
}

void AnsweringChooser::choose(QWidget *, const FolderChooserOptions &options, Completion completion)
{
    ++opened;
    lastOptions = options;
    completion(accept, accept ? answer : QStringList());
}

AlertRecorder::AlertRecorder()
{
    setAlertRunner([this](QMessageBox &alert) { shown.append({alert.text(), alert.informativeText()}); });
}

AlertRecorder::~AlertRecorder()
{
    setAlertRunner({});
}

QImage renderWindow(QWidget &window)
{
    QImage picture(window.size(), QImage::Format_ARGB32_Premultiplied);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    if (!window.mask().isEmpty())
        painter.setClipRegion(window.mask());
    painter.drawPixmap(0, 0, window.grab());
    return picture;
}

void saveImage(const QImage &image, const QString &name)
{
    const QString path = TestEnvironment::renderDirectory() + QLatin1Char('/') + name + QStringLiteral(".png");
    ASSERT_TRUE(image.save(path)) << path.toStdString();
}
