#include "SYFlatButton.h"

#include "FocusRing.h"

#include <ProcessState.h>
#include <UserDefaults.h>

#include <QEnterEvent>
#include <QFontMetricsF>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QShortcut>
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
    : QAbstractButton(parent)
{
    setFocusPolicy(Qt::StrongFocus);
}

QShortcut *SYFlatButton::windowShortcut(QShortcut *&shortcut, bool wanted, const QList<QKeySequence> &keys)
{
    if (!wanted) {
        delete shortcut;
        shortcut = nullptr;
        return nullptr;
    }
    if (!shortcut) {
        // Parented to the button, so it follows the button into whatever
        // window shows it.
        shortcut = new QShortcut(this);
        shortcut->setKeys(keys);
        shortcut->setContext(Qt::WindowShortcut);
        connect(shortcut, &QShortcut::activated, this, [this] {
            if (isVisible() && isEnabled())
                click();
        });
    }
    return shortcut;
}

void SYFlatButton::setDefault(bool isDefault)
{
    m_isDefault = isDefault;
    windowShortcut(m_defaultShortcut, isDefault, {QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)});
}

void SYFlatButton::setEscape(bool isEscape)
{
    m_isEscape = isEscape;
    windowShortcut(m_escapeShortcut, isEscape, {QKeySequence(Qt::Key_Escape)});
}

void SYFlatButton::setState(int state)
{
    m_state = state;
    animateColorWithState(state);
}

void SYFlatButton::setTitle(const QString &title)
{
    m_title = title;
    // The title names the button for assistive tools; QAbstractButton's text
    // is left alone, so an ampersand never turns into a mnemonic.
    setAccessibleName(title);
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
    emit clicked(isChecked());
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

    // Keyboard focus shows as the program's two-tone ring along the edge,
    // which stands out whatever the fill.
    if (m_showFocus && hasFocus())
        FocusRing::paint(painter, bounds, m_cornerRadius);
}

void SYFlatButton::showPressed(bool pressed)
{
    m_mouseDown = pressed && isEnabled();
    setBackgroundNormalColor(pressed ? m_backgroundHighlightColor : m_normalColor);
}

bool SYFlatButton::event(QEvent *event)
{
    // Return and Enter press the button that has the focus, before any
    // default button of the window takes them.
    if (event->type() == QEvent::ShortcutOverride) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            event->accept();
            return true;
        }
    }
    return QAbstractButton::event(event);
}

void SYFlatButton::keyPressEvent(QKeyEvent *event)
{
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && !event->isAutoRepeat()) {
        click();
        event->accept();
        return;
    }
    if (event->key() == Qt::Key_Space && !event->isAutoRepeat())
        showPressed(true);
    QAbstractButton::keyPressEvent(event);
}

void SYFlatButton::keyReleaseEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Space && !event->isAutoRepeat() && m_mouseDown)
        showPressed(false);
    QAbstractButton::keyReleaseEvent(event);
}

void SYFlatButton::focusInEvent(QFocusEvent *event)
{
    // A click gives the focus too, but only the keyboard's focus is drawn.
    m_showFocus = FocusRing::showsRing(*event, m_showFocus);
    QAbstractButton::focusInEvent(event);
    update();
}

void SYFlatButton::focusOutEvent(QFocusEvent *event)
{
    if (m_mouseDown)
        showPressed(false);
    QAbstractButton::focusOutEvent(event);
    update();
}

void SYFlatButton::changeEvent(QEvent *event)
{
    QAbstractButton::changeEvent(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::EnabledChange)
        update();
}

void SYFlatButton::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    showPressed(true);
    QAbstractButton::mousePressEvent(event);
}

void SYFlatButton::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || !m_mouseDown) {
        // A press cancelled by leaving the button ends without the action.
        setDown(false);
        event->ignore();
        return;
    }
    showPressed(false);
    // A press that ends away from the button is the user changing their mind:
    // QAbstractButton acts only on a release inside.
    QAbstractButton::mouseReleaseEvent(event);
}

void SYFlatButton::enterEvent(QEnterEvent *event)
{
    QAbstractButton::enterEvent(event);
    if (!isEnabled() || pointerEffectsDisabled())
        return;
    setBackgroundNormalColor(m_hoverColor);
    if (!m_isHideHover)
        setCursor(Qt::PointingHandCursor);
}

void SYFlatButton::leaveEvent(QEvent *event)
{
    QAbstractButton::leaveEvent(event);
    if (!isEnabled() || pointerEffectsDisabled())
        return;
    m_mouseDown = false;
    setDown(false);
    setBackgroundNormalColor(m_normalColor);
    if (!m_isHideHover)
        unsetCursor();
}
