#include "PointerEvents.h"

#include <Alert.h>
#include <CustomImageView.h>
#include <EmbeddedImages.h>
#include <ImageData.h>
#include <ViewLayer.h>

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QVariantAnimation>

#include <gtest/gtest.h>

#include <cmath>

namespace {

// Answers the alert that the modal loop is showing, once the loop runs.
void whenAlertShows(std::function<void(QMessageBox *)> answer)
{
    QTimer::singleShot(0, [answer = std::move(answer)] {
        auto *alert = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        ASSERT_TRUE(alert);
        answer(alert);
    });
}

TEST(AlertTest, OkEndsTheModalAlertWithTrue)
{
    for (const auto &[message, informative] : {std::pair{QStringLiteral("Folder not added"), QStringLiteral("It is already in the list.")},
                                               std::pair{QString(), QString()}}) {
        QString shownText;
        QStringList buttons;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        whenAlertShows([&](QMessageBox *alert) {
            shownText = alert->text() + QLatin1Char('|') + alert->informativeText();
            icon = alert->icon();
            for (QAbstractButton *button : alert->buttons())
                buttons.append(button->text());
            alert->buttons().first()->click();
        });
        EXPECT_TRUE(showAlert(message, informative));
        EXPECT_EQ(shownText, message + QLatin1Char('|') + informative);
        EXPECT_EQ(icon, QMessageBox::Warning);
        EXPECT_EQ(buttons, QStringList{QStringLiteral("Ok")});
    }
}

TEST(AlertTest, AlertStoppedFromCodeIsFalse)
{
    whenAlertShows([](QMessageBox *alert) { alert->done(0); });
    EXPECT_FALSE(showAlert(QStringLiteral("Stopped"), QString()));
}

TEST(AlertTest, RunnerCanBeReplaced)
{
    int runs = 0;
    AlertRunner previous = setAlertRunner([&](QMessageBox &alert) {
        ++runs;
        alert.buttons().first()->click();
    });
    EXPECT_TRUE(showAlert(QStringLiteral("a"), QStringLiteral("b")));
    setAlertRunner([&](QMessageBox &) { ++runs; });
    EXPECT_FALSE(showAlert(QStringLiteral("a"), QStringLiteral("b")));
    EXPECT_EQ(runs, 2);
    setAlertRunner(previous);
}

TEST(PngDataTest, EncodesAnImageAndRefusesAnEmptyOne)
{
    EXPECT_FALSE(pngData(QImage()));
    QImage image(5, 3, QImage::Format_ARGB32);
    image.fill(QColor(10, 20, 30, 200));
    const auto png = pngData(image);
    ASSERT_TRUE(png);
    EXPECT_TRUE(png->startsWith("\x89PNG\r\n\x1a\n"));
    const QImage back = QImage::fromData(*png, "PNG");
    EXPECT_EQ(back.size(), QSize(5, 3));
    EXPECT_EQ(back.pixel(2, 1), image.pixel(2, 1));
}

// A layer-backed image view, as the home screen turns its emblem.
class ViewLayerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        host.resize(360, 360);
        host.setAutoFillBackground(true);
        host.setPalette(Qt::white);
        view = new CustomImageView(&host);
        view->setPixmap(QPixmap::fromImage(*EmbeddedImages::decodeImage(EmbeddedImages::logoImageAlt())));
        view->setGeometry(17, 17, 326, 325);
        host.show();
    }

    QImage picture() { return host.grab().toImage().convertToFormat(QImage::Format_RGB32); }

    QWidget host;
    CustomImageView *view = nullptr;
};

TEST_F(ViewLayerTest, NothingHappensWithoutALayer)
{
    setAnchorPoint({0.5, 0.5}, view);
    addRotationAnimation(view, -M_PI, 1.0);
    EXPECT_FALSE(ViewLayer::of(view));
}

// Moving the anchor point never moves what is shown.
TEST_F(ViewLayerTest, AnchorPointMovesWithoutMovingTheLayer)
{
    struct Case
    {
        QTransform transform;
        QPointF from, to;
    };
    const Case cases[] = {
        {QTransform(), {0, 0}, {0.5, 0.5}},
        {QTransform(), {0.5, 0.5}, {0.5, 0.5}},
        {QTransform().scale(2, 2), {0, 0}, {0.5, 0.5}},
        {QTransform().rotate(30), {0.25, 0.75}, {1, 0}},
    };
    for (const Case &c : cases) {
        ViewLayer *layer = ViewLayer::attach(view);
        layer->setAffineTransform(c.transform);
        layer->setAnchorPoint(c.from);
        layer->setPosition({40, 30});
        const QTransform before = layer->layerTransform();
        setAnchorPoint(c.to, view);
        EXPECT_EQ(layer->anchorPoint(), c.to);
        const QTransform after = layer->layerTransform();
        for (const QPointF corner : {QPointF(0, 0), QPointF(326, 0), QPointF(0, 325), QPointF(326, 325)}) {
            EXPECT_NEAR(after.map(corner).x(), before.map(corner).x(), 1e-9);
            EXPECT_NEAR(after.map(corner).y(), before.map(corner).y(), 1e-9);
        }
        layer->setAffineTransform(QTransform());
    }

    // From (0, 0) with no transform: the position moves by half the bounds and
    // the picture stays the same.
    ViewLayer *layer = ViewLayer::attach(view);
    layer->setAnchorPoint({0, 0});
    layer->setPosition({0, 0});
    const QImage before = picture();
    setAnchorPoint({0.5, 0.5}, view);
    EXPECT_EQ(layer->position(), QPointF(163, 162.5));
    EXPECT_EQ(picture(), before);
}

TEST_F(ViewLayerTest, RotationTurnsOnceAndEndsUnturned)
{
    ViewLayer *layer = ViewLayer::attach(view);
    setAnchorPoint({0.5, 0.5}, view);
    const QImage resting = picture();

    addRotationAnimation(view, -M_PI, 1.0);
    QVariantAnimation *turn = layer->animation(QStringLiteral("rotationAnimation"));
    ASSERT_TRUE(turn);
    turn->pause();
    turn->setCurrentTime(250);
    EXPECT_NEAR(layer->rotation(), -M_PI / 4, 1e-6);
    PointerEvents::saveRender(&host, QStringLiteral("layer_quarter_turn"));
    EXPECT_NE(picture(), resting);

    // A second turn replaces the first and starts again from 0.
    addRotationAnimation(view, -M_PI, 1.0);
    EXPECT_EQ(layer->animationKeys(), QStringList{QStringLiteral("rotationAnimation")});
    EXPECT_NE(layer->animation(QStringLiteral("rotationAnimation")), turn);
    EXPECT_EQ(layer->rotation(), 0.0);

    turn = layer->animation(QStringLiteral("rotationAnimation"));
    turn->pause();
    turn->setCurrentTime(500);
    EXPECT_NEAR(layer->rotation(), -M_PI / 2, 1e-6);
    turn->setCurrentTime(1000);
    EXPECT_EQ(layer->rotation(), 0.0);
    EXPECT_TRUE(layer->animationKeys().isEmpty());
    EXPECT_EQ(picture(), resting);
}

// Half a turn of the rest emblem looks exactly like the turned emblem, so the
// drop area can swap pictures when a turn ends without a jump.
TEST_F(ViewLayerTest, HalfATurnEndsOnTheTurnedEmblem)
{
    ViewLayer *layer = ViewLayer::attach(view);
    setAnchorPoint({0.5, 0.5}, view);
    layer->setRotation(-M_PI);
    PointerEvents::saveRender(&host, QStringLiteral("layer_half_turn"));
    const QImage turnedByLayer = picture();

    layer->setRotation(0);
    view->setPixmap(QPixmap::fromImage(*EmbeddedImages::decodeImage(EmbeddedImages::logoImageTurned())));
    const QImage swapped = picture();

    ASSERT_EQ(turnedByLayer.size(), swapped.size());
    int differing = 0;
    for (int y = 0; y < swapped.height(); ++y) {
        for (int x = 0; x < swapped.width(); ++x) {
            const QColor a = turnedByLayer.pixelColor(x, y);
            const QColor b = swapped.pixelColor(x, y);
            differing += (std::abs(a.red() - b.red()) + std::abs(a.green() - b.green()) + std::abs(a.blue() - b.blue())) > 24 ? 1 : 0;
        }
    }
    // Only resampling at the edges may differ.
    EXPECT_LT(differing, swapped.width() * swapped.height() / 100);
}

TEST_F(ViewLayerTest, RemovingAnimationsShowsTheLayerUnturned)
{
    ViewLayer *layer = ViewLayer::attach(view);
    addRotationAnimation(view, M_PI, 1.0);
    layer->animation(QStringLiteral("rotationAnimation"))->setCurrentTime(400);
    EXPECT_NE(layer->rotation(), 0.0);
    layer->removeAllAnimations();
    EXPECT_EQ(layer->rotation(), 0.0);
    EXPECT_TRUE(layer->animationKeys().isEmpty());
}

} // namespace
