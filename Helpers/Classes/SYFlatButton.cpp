#include "SYFlatButton.h"

#include <ProcessState.h>
#include <UserDefaults.h>

#include <QEnterEvent>
#include <QFontMetricsF>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QVariantAnimation>

#include <cmath>

namespace {

// While a dialog covers the scan screen the buttons under it must not react
// to the pointer passing over them.
bool pointerEffectsDisabled()
{
    return UserDefaults::standard().boolValue(QString::fromLatin1(kDisablePieChartAnimationKey)).value_or(false);
}

// An unset colour draws nothing.
QColor visible(const QColor &color)
{
    return color.isValid() ? color : QColor(Qt::transparent);
}

// Fading from or to an unset colour goes through the other end's hue made transparent.
QColor transparentVersion(const QColor &from, const QColor &to)
{
    if (from.isValid())
        return from;
    QColor color = visible(to);
    color.setAlpha(0);
    return color;
}

} // namespace

SYFlatButton::SYFlatButton(QWidget *parent)
    : QWidget(parent)
{
}

void SYFlatButton::setState(int state)
{
    m_state = state;
    animateColorWithState(state);
}

void SYFlatButton::setTitle(const QString &title)
{
    m_title = title;
    update();
}

void SYFlatButton::setImage(const QImage &image)
{
    m_image = image;
    update();
}

void SYFlatButton::setImagePosition(ImagePosition position)
{
    m_imagePosition = position;
    update();
}

void SYFlatButton::setImageHugsTitle(bool hugs)
{
    m_imageHugsTitle = hugs;
    update();
}

void SYFlatButton::setSpacing(double spacing)
{
    m_spacing = spacing;
    update();
}

void SYFlatButton::setCornerRadius(double radius)
{
    m_cornerRadius = radius;
    update();
}

void SYFlatButton::setBorderWidth(double width)
{
    m_borderWidth = width;
    update();
}

void SYFlatButton::setMomentary(bool momentary)
{
    m_momentary = momentary;
    animateColorWithState(m_state);
}

void SYFlatButton::setColorAndAnimate(QColor &member, const QColor &color)
{
    member = color;
    animateColorWithState(m_state);
}

void SYFlatButton::setNormalColor(const QColor &color) { setColorAndAnimate(m_normalColor, color); }
void SYFlatButton::setHoverColor(const QColor &color) { setColorAndAnimate(m_hoverColor, color); }
void SYFlatButton::setBorderNormalColor(const QColor &color) { setColorAndAnimate(m_borderNormalColor, color); }
void SYFlatButton::setBorderHighlightColor(const QColor &color) { setColorAndAnimate(m_borderHighlightColor, color); }
void SYFlatButton::setBackgroundNormalColor(const QColor &color) { setColorAndAnimate(m_backgroundNormalColor, color); }
void SYFlatButton::setBackgroundHighlightColor(const QColor &color) { setColorAndAnimate(m_backgroundHighlightColor, color); }
void SYFlatButton::setImageNormalColor(const QColor &color) { setColorAndAnimate(m_imageNormalColor, color); }
void SYFlatButton::setImageHighlightColor(const QColor &color) { setColorAndAnimate(m_imageHighlightColor, color); }
void SYFlatButton::setTitleNormalColor(const QColor &color) { setColorAndAnimate(m_titleNormalColor, color); }
void SYFlatButton::setTitleHighlightColor(const QColor &color) { setColorAndAnimate(m_titleHighlightColor, color); }

QColor SYFlatButton::shownBorderColor() const { return visible(m_channels[BorderChannel].shown); }
QColor SYFlatButton::shownBackgroundColor() const { return visible(m_channels[BackgroundChannel].shown); }
QColor SYFlatButton::shownImageColor() const { return visible(m_channels[ImageChannel].shown); }
QColor SYFlatButton::shownTitleColor() const { return visible(m_channels[TitleChannel].shown); }

bool SYFlatButton::isAnimatingColors() const
{
    for (const ColorChannel &channel : m_channels) {
        if (channel.animation && channel.animation->state() == QAbstractAnimation::Running)
            return true;
    }
    return false;
}

QSizeF SYFlatButton::imageSize() const
{
    return m_image.isNull() ? QSizeF() : m_image.deviceIndependentSize();
}

QSizeF SYFlatButton::titleSize() const
{
    return m_title.isEmpty() ? QSizeF() : QFontMetricsF(font()).size(Qt::TextSingleLine, m_title);
}

SYFlatButton::Placement SYFlatButton::placement(const QSizeF &imageSize, const QSizeF &titleSize) const
{
    const qreal w = width();
    const qreal h = height();
    const qreal iw = imageSize.width();
    const qreal ih = imageSize.height();
    const qreal tw = titleSize.width();
    const qreal th = titleSize.height();
    const qreal s = m_spacing;
    const bool hug = m_imageHugsTitle;
    const QPointF centredImage((w - iw) / 2, (h - ih) / 2);
    const QPointF centredTitle((w - tw) / 2, (h - th) / 2);

    switch (m_imagePosition) {
    case NoImage:
    case ImageOnly:
    case ImageOverlaps:
        return {centredImage, centredTitle};
    case ImageLeft:
    case ImageLeading:
        return {{hug ? (w - iw - tw) / 2 - s : s, centredImage.y()},
                {hug ? (w + iw - tw) / 2 + s : w - tw - s, centredTitle.y()}};
    case ImageRight:
    case ImageTrailing:
        return {{hug ? (w - iw + tw) / 2 + s : w - iw - s, centredImage.y()},
                {hug ? (w - iw - tw) / 2 - s : s, centredTitle.y()}};
    case ImageBelow:
        return {{centredImage.x(), hug ? (h - ih + th) / 2 + s : h - ih - s},
                {centredTitle.x(), hug ? (h - ih - th) / 2 - s : s}};
    case ImageAbove:
        return {{centredImage.x(), hug ? (h - ih - th) / 2 - s : s},
                {centredTitle.x(), hug ? (h + ih - th) / 2 + s : h - th - s}};
    }
    return {};
}

std::optional<QRectF> SYFlatButton::imageFrame() const
{
    if (m_image.isNull() || m_imagePosition == NoImage)
        return std::nullopt;
    const QSizeF size = imageSize();
    const QPointF origin = placement(size, titleSize()).image;
    return QRectF(std::round(origin.x()), std::round(origin.y()), size.width(), size.height());
}

std::optional<QRectF> SYFlatButton::titleFrame() const
{
    if (m_title.isEmpty() || m_imagePosition == ImageOnly)
        return std::nullopt;
    const QSizeF size = titleSize();
    const QPointF origin = placement(imageSize(), size).title;
    return QRectF(std::round(origin.x()), std::round(origin.y()), std::ceil(size.width()), std::ceil(size.height()));
}

void SYFlatButton::animateColorWithState(int state)
{
    removeAllAnimations();
    const bool on = state == OnState;
    const double duration = on ? m_onAnimateDuration : m_offAnimateDuration;
    animateLayer(BorderChannel, on ? m_borderHighlightColor : m_borderNormalColor, duration);
    animateLayer(BackgroundChannel, on ? m_backgroundHighlightColor : m_backgroundNormalColor, duration);
    animateLayer(ImageChannel, on ? m_imageHighlightColor : m_imageNormalColor, duration);
    animateLayer(TitleChannel, on ? m_titleHighlightColor : m_titleNormalColor, duration);
}

void SYFlatButton::animateLayer(Channel index, const QColor &color, double duration)
{
    ColorChannel &channel = m_channels[index];
    if (channel.target == color)
        return;
    const QColor from = channel.target;
    channel.target = color;
    if (!(duration > 0)) {
        channel.shown = color;
        update();
        return;
    }
    if (!channel.animation) {
        channel.animation = new QVariantAnimation(this);
        connect(channel.animation, &QVariantAnimation::valueChanged, this, [this, index](const QVariant &value) {
            m_channels[index].shown = value.value<QColor>();
            update();
        });
        connect(channel.animation, &QVariantAnimation::finished, this, [this, index] {
            m_channels[index].shown = m_channels[index].target;
            update();
        });
    }
    channel.animation->stop();
    channel.animation->setStartValue(transparentVersion(from, color));
    channel.animation->setEndValue(transparentVersion(color, from));
    channel.animation->setDuration(int(std::lround(duration * 1000)));
    channel.animation->start();
}

void SYFlatButton::removeAllAnimations()
{
    for (ColorChannel &channel : m_channels) {
        if (channel.animation && channel.animation->state() != QAbstractAnimation::Stopped) {
            channel.animation->stop();
            channel.shown = channel.target;
        }
    }
    update();
}

void SYFlatButton::animateForButtonUp()
{
    m_mouseDown = false;
    if (m_momentary)
        setState(m_state == OnState ? OffState : OnState);
    emit clicked(this);
}

void SYFlatButton::paintTintedImage(QPainter &painter, const QRectF &frame) const
{
    const qreal ratio = devicePixelRatioF();
    const QSize pixels = (frame.size() * ratio).toSize();
    if (pixels.isEmpty())
        return;
    // The image only lends its shape: every pixel it covers takes the image colour.
    QImage mask(pixels, QImage::Format_ARGB32_Premultiplied);
    mask.fill(Qt::transparent);
    {
        QPainter maskPainter(&mask);
        maskPainter.setRenderHint(QPainter::SmoothPixmapTransform);
        maskPainter.drawImage(QRect(QPoint(), pixels), m_image);
        maskPainter.setCompositionMode(QPainter::CompositionMode_SourceIn);
        maskPainter.fillRect(mask.rect(), shownImageColor());
    }
    mask.setDevicePixelRatio(ratio);
    painter.drawImage(frame.topLeft(), mask);
}

void SYFlatButton::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    // A disabled button shows at half strength however it came to be disabled.
    if (!isEnabled())
        painter.setOpacity(0.5);

    const QRectF bounds = rect();
    QPainterPath outline;
    outline.addRoundedRect(bounds, m_cornerRadius, m_cornerRadius);
    painter.setClipPath(outline);
    painter.fillPath(outline, shownBackgroundColor());

    if (const auto frame = imageFrame())
        paintTintedImage(painter, *frame);
    if (const auto frame = titleFrame()) {
        painter.setPen(shownTitleColor());
        painter.setFont(font());
        painter.drawText(*frame, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, m_title);
    }

    // The border lies inside the bounds, over the image and the title.
    if (m_borderWidth > 0) {
        const qreal inset = m_borderWidth;
        const qreal innerRadius = std::max(0.0, m_cornerRadius - inset);
        QPainterPath inner;
        inner.addRoundedRect(bounds.adjusted(inset, inset, -inset, -inset), innerRadius, innerRadius);
        painter.fillPath(outline.subtracted(inner), shownBorderColor());
    }
}

void SYFlatButton::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::EnabledChange)
        update();
}

void SYFlatButton::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    if (isEnabled())
        m_mouseDown = true;
    setBackgroundNormalColor(m_backgroundHighlightColor);
}

void SYFlatButton::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || !m_mouseDown)
        return;
    m_mouseDown = false;
    setBackgroundNormalColor(m_normalColor);
    // A press that ends away from the button is the user changing their mind.
    if (rect().contains(event->position().toPoint()))
        emit clicked(this);
}

void SYFlatButton::enterEvent(QEnterEvent *event)
{
    QWidget::enterEvent(event);
    if (!isEnabled() || pointerEffectsDisabled())
        return;
    setBackgroundNormalColor(m_hoverColor);
    if (!m_isHideHover)
        setCursor(Qt::PointingHandCursor);
}

void SYFlatButton::leaveEvent(QEvent *event)
{
    QWidget::leaveEvent(event);
    if (!isEnabled() || pointerEffectsDisabled())
        return;
    m_mouseDown = false;
    setBackgroundNormalColor(m_normalColor);
    if (!m_isHideHover)
        unsetCursor();
}
