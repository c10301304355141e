#include "PieChart.h"

#include "KitAccessibility.h"
#include "KitSupport.h"

#include <UserDefaults.h>

#include <QAccessible>
#include <QFontMetricsF>
#include <QMouseEvent>
#include <QPainter>
#include <QVariantAnimation>
#include <QtMath>

#include <algorithm>
#include <cfloat>
#include <climits>
#include <cmath>
#include <numeric>
#include <utility>

namespace {

const QString kStartAngleKey = QStringLiteral("startAngle");
const QString kEndAngleKey = QStringLiteral("endAngle");
const QString kDisableAnimationKey = QStringLiteral("disablePieChartAnimation");

// Slices at rest; the one under the pointer is lifted above them while it is hit-tested.
constexpr qreal kRestingZPosition = 100.0;
// A soft shadow is painted as this many widening outlines.
constexpr int kShadowSteps = 5;

// Values that cannot size a slice (negative, not a number, infinite) count as 0.
double sliceValue(double value)
{
    return std::isfinite(value) && value > 0.0 ? value : 0.0;
}

QString wholeNumberText(double value)
{
    return QString::asprintf("%0.0f", value);
}

QFont boldSystemFont(int pixelSize)
{
    QFont font;
    font.setBold(true);
    font.setPixelSize(std::max(1, pixelSize));
    return font;
}

// A colour for slice `index` when the data source gives none: hues step every
// eight slices, saturation within each group of eight.
QColor generatedColor(int index)
{
    const double hue = double((index / 8) % 20) / 20.0 + 0.02;
    const double saturation = double((index % 8) + 3) / 10.0;
    return QColor::fromHsvF(float(hue), float(std::min(saturation, 1.0)), 0.91f, 1.0f);
}

QPointF onCircle(const QPointF &center, double radius, double angle)
{
    return center + radius * QPointF(std::cos(angle), std::sin(angle));
}

} // namespace

std::optional<QColor> PieChartDataSource::colorForSliceAtIndex(PieChart *, int)
{
    return std::nullopt;
}

std::optional<QString> PieChartDataSource::textForSliceAtIndex(PieChart *, int)
{
    return std::nullopt;
}

std::optional<QString> PieChartDataSource::accessibleTextForSliceAtIndex(PieChart *, int)
{
    return std::nullopt;
}

void PieChartDelegate::willSelectSliceAtIndex(PieChart *, int)
{
}

void PieChartDelegate::didSelectSliceAtIndex(PieChart *, int)
{
}

void PieChartDelegate::willDeselectSliceAtIndex(PieChart *, int)
{
}

void PieChartDelegate::didDeselectSliceAtIndex(PieChart *, int)
{
}

PieChart::PieChart(const QRect &frame, QWidget *parent, Source source)
    : BackgroundView(parent)
{
    KitAccessibility::install();
    setGeometry(frame);
    setBackgroundColor(Qt::transparent);
    m_selectionTimer.setSingleShot(true);
    connect(&m_selectionTimer, &QTimer::timeout, this, [this] {
        if (const std::optional<int> pending = std::exchange(m_pendingSelection, std::nullopt))
            completeSelection(*pending);
    });
    m_animationTimer.setInterval(kAnimationTimerInterval);
    m_animationTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_animationTimer, &QTimer::timeout, this, &PieChart::updateTimerFired);

    const double width = frame.width();
    const double height = frame.height();
    const bool fromFrame = source == Source::Frame;
    m_animationSpeed = 0.5;
    m_startPieAngle = fromFrame ? M_PI * 3.0 / 2.0 : M_PI;
    m_selectedSliceStroke = 2.0;
    if (fromFrame)
        setPieCenter(QPointF(width * 0.5, height * 0.5));
    setPieRadius(std::min(width / 2.0, height / 2.0) - 10.0);
    const double radius = m_pieRadius;
    m_textFont = boldSystemFont(fromFrame ? 13 : std::max(int(std::trunc(radius)) / 10, 5));
    m_textColor = Qt::white;
    m_textRadius = radius * 0.5;
    m_selectedSliceOffsetRadius = std::max(radius / 10.0, 10.0) - (fromFrame ? 0.0 : 10.0);
    m_showText = true;
    m_showPercentage = true;
    if (!fromFrame)
        awakeFromNib();
}

PieChart::PieChart(const QRect &frame, const QPointF &center, double radius, QWidget *parent)
    : PieChart(frame, parent, Source::Frame)
{
    setPieCenter(center);
    setPieRadius(radius);
}

PieChart::~PieChart()
{
    m_dataSource = nullptr;
    m_delegate = nullptr;
    cancelPendingSelection();
    // Stop the arc animations while the bookkeeping they report to still exists.
    for (const std::unique_ptr<SliceLayer> &slice : m_slices)
        slice->removeAllAnimations();
    m_slices.clear();
}

void PieChart::awakeFromNib()
{
    // Follow the pointer over the whole visible chart: moving selects the
    // slice under it, leaving clears the selection.
    setMouseTracking(true);
}

void PieChart::setPieCenter(const QPointF &center)
{
    m_pieViewCenter = center;
    m_pieCenter = QPointF(width() * 0.5, height() * 0.5);
}

void PieChart::setPieRadius(double pieRadius)
{
    m_pieRadius = std::isfinite(pieRadius) ? std::max(0.0, pieRadius) : 0.0;
    update();
}

void PieChart::setPieBackgroundColor(const QColor &color)
{
    m_pieBackgroundColor = color;
    update();
}

SliceLayer *PieChart::sliceLayerAt(int index) const
{
    return isSliceIndex(index) ? m_slices[std::size_t(index)].get() : nullptr;
}

QString PieChart::accessibleTextForSlice(int index) const
{
    const SliceLayer *slice = sliceLayerAt(index);
    if (!slice)
        return QString();
    if (m_dataSource) {
        if (const std::optional<QString> text = m_dataSource->accessibleTextForSliceAtIndex(const_cast<PieChart *>(this), index))
            return *text;
    }
    return slice->text().isEmpty() ? wholeNumberText(slice->value()) : slice->text();
}

QRectF PieChart::sliceBounds(int index) const
{
    const SliceLayer *slice = sliceLayerAt(index);
    if (!slice || slice->path.isEmpty())
        return QRectF();
    const BezierPath moved = slice->path.transformed(QTransform::fromTranslate(slice->position.x(), slice->position.y()));
    return CGPath(moved, height()).boundingRect();
}

int PieChart::sliceIndexAt(const QPointF &point) const
{
    // The slice on top wins, as in the drawing.
    int found = -1;
    double foundZ = -DBL_MAX;
    for (int index = 0; index < sliceCount(); ++index) {
        const SliceLayer &slice = *m_slices[std::size_t(index)];
        if (slice.path.isEmpty())
            continue;
        const BezierPath moved = slice.path.transformed(QTransform::fromTranslate(slice.position.x(), slice.position.y()));
        if (CGPath(moved, height()).contains(point) && slice.zPosition >= foundZ) {
            found = index;
            foundZ = slice.zPosition;
        }
    }
    return found;
}

bool PieChart::isSliceIndex(int index) const
{
    return index >= 0 && std::size_t(index) < m_slices.size();
}

int PieChart::animationDuration() const
{
    if (!std::isfinite(m_animationSpeed) || m_animationSpeed <= 0.0)
        return 0;
    return int(std::min(std::round(m_animationSpeed * 1000.0), double(INT_MAX)));
}

void PieChart::reloadData()
{
    if (!m_dataSource)
        return;

    cancelPendingSelection();
    m_selectedSliceIndex = -1;
    for (int index = 0; index < sliceCount(); ++index) {
        if (m_slices[std::size_t(index)]->isSelected())
            setSliceDeselectedAtIndex(index);
    }

    const int count = std::max(0, m_dataSource->numberOfSlicesInPieChart(this));
    std::vector<double> values(std::size_t(count), 0.0);
    for (int index = 0; index < count; ++index)
        values[std::size_t(index)] = sliceValue(m_dataSource->valueForSliceAtIndex(this, index));

    // Shares are taken relative to the largest value, so that a total beyond
    // the range of a double still divides.
    const double largest = values.empty() ? 0.0 : *std::max_element(values.begin(), values.end());
    const double scaledTotal = largest > 0.0
        ? std::accumulate(values.begin(), values.end(), 0.0, [largest](double sum, double value) { return sum + value / largest; })
        : 0.0;
    const auto shareOf = [&](double value) { return scaledTotal > 0.0 ? value / largest / scaledTotal : 0.0; };

    const int duration = animationDuration();
    const int previousCount = sliceCount();

    if (previousCount > 0 && (count == 0 || scaledTotal <= 0.0)) {
        // Nothing to show: the slices fold up at the start angle and wait
        // for the next reload with data.
        for (const std::unique_ptr<SliceLayer> &slice : m_slices) {
            slice->setValue(0.0);
            slice->setPercentage(0.0);
            updateLabelForLayer(*slice, 0.0);
            slice->createArcAnimationForKey(kStartAngleKey, m_startPieAngle, m_startPieAngle, this, duration);
            slice->createArcAnimationForKey(kEndAngleKey, m_startPieAngle, m_startPieAngle, this, duration);
        }
        if (m_animations.isEmpty())
            updateTimerFired();
        update();
        tellAssistiveTools(QAccessible::ObjectReorder);
        return;
    }

    const bool fresh = previousCount == 0 && count > 0;
    int surplus = count - previousCount;
    std::vector<std::unique_ptr<SliceLayer>> previous = std::move(m_slices);
    m_slices.clear();
    m_slices.reserve(std::size_t(count));

    // New slices sweep in from one full turn below their place.
    double angle = -2.0 * M_PI;
    for (int index = 0; index < count; ++index) {
        const double value = values[std::size_t(index)];
        const double share = shareOf(value);
        const double nextAngle = angle + share * 2.0 * M_PI;
        double startFrom = m_startPieAngle + angle;
        double endFrom = m_startPieAngle + nextAngle;

        // An existing slice is reused where the counts allow it or its value
        // is unchanged; with more values than slices a new one is made in its
        // place. Whatever is reused, the list stays in data-source order.
        std::unique_ptr<SliceLayer> slice;
        if (index >= previousCount) {
            slice = createSliceLayer();
            if (fresh)
                startFrom = endFrom = m_startPieAngle;
            --surplus;
        } else if (surplus == 0 || previous[std::size_t(index)]->value() == value) {
            slice = std::move(previous[std::size_t(index)]);
        } else if (surplus > 0) {
            slice = createSliceLayer();
            --surplus;
        } else {
            // Fewer values than slices: the slices from here on are reused in
            // place and the extra ones at the end go.
            surplus = 0;
            slice = std::move(previous[std::size_t(index)]);
        }

        slice->setValue(value);
        slice->setPercentage(share);
        const std::optional<QColor> color = m_dataSource->colorForSliceAtIndex(this, index);
        slice->fillColor = color && color->isValid() ? *color : generatedColor(index);
        if (const std::optional<QString> text = m_dataSource->textForSliceAtIndex(this, index))
            slice->setText(*text);
        updateLabelForLayer(*slice, value);
        slice->createArcAnimationForKey(kStartAngleKey, startFrom, m_startPieAngle + angle, this, duration);
        slice->createArcAnimationForKey(kEndAngleKey, endFrom, m_startPieAngle + nextAngle, this, duration);
        slice->zPosition = kRestingZPosition;
        m_slices.push_back(std::move(slice));
        angle = nextAngle;
    }

    // Slices no longer needed go now, their animations with them.
    for (std::unique_ptr<SliceLayer> &slice : previous) {
        if (slice)
            slice->removeAllAnimations();
    }
    previous.clear();

    for (const std::unique_ptr<SliceLayer> &slice : m_slices)
        slice->markPresented();
    if (m_animations.isEmpty())
        updateTimerFired();
    update();
    tellAssistiveTools(QAccessible::ObjectReorder);
}

void PieChart::tellAssistiveTools(QAccessible::Event change, int slice)
{
    if (!QAccessible::isActive())
        return;
    QAccessibleEvent event(this, change);
    if (slice >= 0)
        event.setChild(slice);
    QAccessible::updateAccessibility(&event);
}

std::unique_ptr<SliceLayer> PieChart::createSliceLayer() const
{
    auto slice = std::make_unique<SliceLayer>();
    slice->zPosition = 0.0;
    slice->strokeColor = QColor();
    slice->shadowColor = QColor(128, 128, 128);
    slice->shadowOpacity = 1.0;
    slice->shadowRadius = 10.0;

    SliceLayer::Label &label = slice->label;
    label.font = m_textFont;
    label.foregroundColor = m_textColor;
    if (m_textShadowColor.isValid()) {
        label.shadowColor = m_textShadowColor;
        label.shadowOpacity = 1.0;
        label.shadowRadius = 2.0;
    }
    const QFontMetricsF metrics(m_textFont);
    label.size = QSizeF(metrics.horizontalAdvance(QStringLiteral("0")), metrics.height());
    label.position = QPointF(m_pieCenter.x() + m_textRadius, m_pieCenter.y());
    return slice;
}

void PieChart::updateLabelForLayer(SliceLayer &layer, double value) const
{
    applyLabelText(layer, value, true, true);
}

void PieChart::setShowPercentage(bool showPercentage)
{
    m_showPercentage = showPercentage;
    for (const std::unique_ptr<SliceLayer> &slice : m_slices)
        applyLabelText(*slice, slice->value(), false, false);
    update();
}

void PieChart::applyLabelText(SliceLayer &layer, double value, bool emptyWhenNotPositive, bool setFont) const
{
    layer.label.hidden = !m_showText;
    if (!m_showText)
        return;

    QString text;
    if (m_showPercentage)
        text = wholeNumberText(layer.percentage() * 100.0);
    else
        text = layer.text().isNull() ? wholeNumberText(value) : layer.text();

    // A label wider or taller than its slice's arc at the label radius would
    // spill over the neighbours, so it stays empty.
    const QFontMetricsF metrics(m_textFont);
    const QSizeF size(metrics.horizontalAdvance(text), metrics.height());
    const double room = 2.0 * M_PI * m_textRadius * layer.percentage();
    if ((emptyWhenNotPositive && value <= 0.0) || room < std::max(size.width(), size.height())) {
        layer.label.string = QString();
        return;
    }
    layer.label.string = text;
    if (setFont)
        layer.label.font = m_textFont;
    layer.label.size = size;
}

void PieChart::animationDidStart(QVariantAnimation *animation)
{
    if (!m_animationTimer.isActive())
        m_animationTimer.start();
    m_animations.append(animation);
}

void PieChart::animationDidStop(QVariantAnimation *animation, bool)
{
    if (!m_animations.removeOne(animation))
        return;
    animation->deleteLater();
    if (m_animations.isEmpty()) {
        m_animationTimer.stop();
        // One last frame, so the drawn (and hit-tested) arcs are exactly
        // where the animations ended.
        updateTimerFired();
    }
}

void PieChart::updateTimerFired()
{
    for (const std::unique_ptr<SliceLayer> &slice : m_slices) {
        const double start = slice->presentationValue(kStartAngleKey).value_or(0.0);
        const double end = std::max(start, slice->presentationValue(kEndAngleKey).value_or(0.0));
        BezierPath path;
        if (end > start && m_pieRadius > 0.0) {
            path.moveTo(m_pieCenter);
            path.appendArc(m_pieCenter, m_pieRadius, qRadiansToDegrees(start), qRadiansToDegrees(end), false);
            path.closePath();
        }
        slice->path = path;
        slice->label.position = onCircle(m_pieCenter, m_textRadius, (start + end) / 2.0);
    }
    update();
}

int PieChart::getCurrentSelectedOnLocation(const QPointF &point)
{
    int selected = -1;
    for (int index = 0; index < sliceCount(); ++index) {
        SliceLayer &slice = *m_slices[std::size_t(index)];
        if (slice.path.contains(point)) {
            slice.lineWidth = m_selectedSliceStroke;
            slice.strokeColor = Qt::transparent;
            slice.lineJoin = Qt::BevelJoin;
            slice.zPosition = FLT_MAX;
            selected = index;
        } else {
            slice.zPosition = kRestingZPosition;
            slice.lineWidth = 0.0;
        }
    }
    return selected;
}

void PieChart::setSliceSelectedAtIndex(int index)
{
    SliceLayer *slice = sliceLayerAt(index);
    if (!slice || m_selectedSliceOffsetRadius <= 0.0 || slice->isSelected())
        return;
    const double middle = (slice->startAngle() + slice->endAngle()) / 2.0;
    slice->position = onCircle(slice->position, m_selectedSliceOffsetRadius, middle);
    slice->setSelected(true);
    update();
}

void PieChart::setSliceDeselectedAtIndex(int index)
{
    SliceLayer *slice = sliceLayerAt(index);
    if (!slice || m_selectedSliceOffsetRadius <= 0.0 || !slice->isSelected())
        return;
    slice->position = QPointF(0.0, 0.0);
    slice->setSelected(false);
    update();
}

int PieChart::currentSelection() const
{
    return m_pendingSelection.value_or(m_selectedSliceIndex);
}

void PieChart::cancelPendingSelection()
{
    m_selectionTimer.stop();
    m_pendingSelection.reset();
}

void PieChart::completeSelection(int index)
{
    if (!isSliceIndex(index))
        return;
    setSliceSelectedAtIndex(index);
    m_selectedSliceIndex = index;
    tellAssistiveTools(QAccessible::Selection, index);
    if (m_delegate)
        m_delegate->didSelectSliceAtIndex(this, index);
}

void PieChart::deselect(int index)
{
    if (m_delegate)
        m_delegate->willDeselectSliceAtIndex(this, index);
    setSliceDeselectedAtIndex(index);
    if (m_delegate)
        m_delegate->didDeselectSliceAtIndex(this, index);
    m_selectedSliceIndex = -1;
}

void PieChart::notifyDelegateOfSelectionChangeFrom(int previous, int next)
{
    // A selection still waiting for its delay is overtaken by this change.
    cancelPendingSelection();
    if (!isSliceIndex(previous))
        previous = -1;
    if (!isSliceIndex(next))
        next = -1;

    if (previous == next) {
        // The same slice again toggles it, where slices can be pulled out at all.
        if (previous == -1 || m_selectedSliceOffsetRadius <= 0.0)
            return;
        if (!m_slices[std::size_t(previous)]->isSelected()) {
            if (m_delegate)
                m_delegate->willSelectSliceAtIndex(this, previous);
            completeSelection(previous);
        } else {
            deselect(previous);
        }
        return;
    }

    const bool deselected = previous != -1;
    if (deselected)
        deselect(previous);
    // The delegate may have reloaded the chart meanwhile.
    if (!isSliceIndex(next))
        return;
    if (m_delegate)
        m_delegate->willSelectSliceAtIndex(this, next);
    if (!deselected) {
        completeSelection(next);
    } else {
        // Give the old slice time to slide back before the new one comes out.
        m_pendingSelection = next;
        m_selectionTimer.start(kSelectionDelay);
    }
}

bool PieChart::ignoresMouse() const
{
    // Set while a dialog covers the chart.
    return UserDefaults::standard().boolValue(kDisableAnimationKey).value_or(false);
}

void PieChart::clearHitTestState()
{
    for (const std::unique_ptr<SliceLayer> &slice : m_slices) {
        slice->zPosition = kRestingZPosition;
        slice->lineWidth = 0.0;
    }
    update();
}

void PieChart::mouseDown(const QPointF &location)
{
    if (ignoresMouse())
        return;
    const int index = getCurrentSelectedOnLocation(KitSupport::fromBottomLeft(location, height()));
    // Always, so that clicking the selected slice deselects it.
    notifyDelegateOfSelectionChangeFrom(currentSelection(), index);
    clearHitTestState();
}

void PieChart::mouseMoved(const QPointF &location)
{
    if (ignoresMouse())
        return;
    const int index = getCurrentSelectedOnLocation(KitSupport::fromBottomLeft(location, height()));
    if (index != currentSelection())
        notifyDelegateOfSelectionChangeFrom(currentSelection(), index);
    clearHitTestState();
}

void PieChart::mouseExited()
{
    if (ignoresMouse())
        return;
    int previous = currentSelection();
    if (!isSliceIndex(previous))
        previous = -1;
    cancelPendingSelection();
    if (previous != -1 && m_delegate)
        m_delegate->willDeselectSliceAtIndex(this, previous);
    for (const std::unique_ptr<SliceLayer> &slice : m_slices) {
        slice->lineWidth = 0.0;
        slice->setSelected(false);
        slice->position = QPointF(0.0, 0.0);
        slice->zPosition = kRestingZPosition;
    }
    m_selectedSliceIndex = -1;
    update();
    // The delegate hears of it, so whatever it shows for the slice goes too.
    if (previous != -1 && m_delegate)
        m_delegate->didDeselectSliceAtIndex(this, previous);
}

void PieChart::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        mouseDown(event->position());
}

void PieChart::mouseMoveEvent(QMouseEvent *event)
{
    // Moves with a button held are drags, which the chart does not follow.
    if (event->buttons() == Qt::NoButton)
        mouseMoved(event->position());
}

void PieChart::leaveEvent(QEvent *)
{
    if (hasMouseTracking())
        mouseExited();
}

void PieChart::paintEvent(QPaintEvent *event)
{
    BackgroundView::paintEvent(event);
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);

    if (m_pieBackgroundColor.alpha() > 0) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(m_pieBackgroundColor);
        painter.drawRoundedRect(QRectF(rect()), m_pieRadius, m_pieRadius);
    }

    std::vector<const SliceLayer *> order;
    order.reserve(m_slices.size());
    for (const std::unique_ptr<SliceLayer> &slice : m_slices)
        order.push_back(slice.get());
    std::stable_sort(order.begin(), order.end(),
                     [](const SliceLayer *a, const SliceLayer *b) { return a->zPosition < b->zPosition; });
    for (const SliceLayer *slice : order)
        paintSlice(painter, *slice);
}

void PieChart::paintSlice(QPainter &painter, const SliceLayer &slice) const
{
    const qreal h = height();
    if (!slice.path.isEmpty()) {
        const QPainterPath shape = CGPath(slice.path.transformed(QTransform::fromTranslate(slice.position.x(), slice.position.y())), h);
        if (slice.shadowColor.isValid() && slice.shadowOpacity > 0.0 && slice.shadowRadius > 0.0) {
            // A blurred shadow without offset: outlines of shrinking width,
            // each faint, so the edge of the slice is darkest.
            QColor shade = slice.shadowColor;
            shade.setAlphaF(float(std::clamp(slice.shadowOpacity, 0.0, 1.0) * 0.13));
            for (int step = kShadowSteps; step >= 1; --step) {
                QPen pen(shade, 2.0 * slice.shadowRadius * step / kShadowSteps);
                pen.setJoinStyle(Qt::RoundJoin);
                painter.strokePath(shape, pen);
            }
        }
        painter.fillPath(shape, slice.fillColor);
        if (slice.lineWidth > 0.0 && slice.strokeColor.isValid() && slice.strokeColor.alpha() > 0) {
            QPen pen(slice.strokeColor, slice.lineWidth);
            pen.setJoinStyle(slice.lineJoin);
            painter.strokePath(shape, pen);
        }
    }

    const SliceLayer::Label &label = slice.label;
    if (label.hidden || label.string.isEmpty())
        return;
    QRectF box(QPointF(0, 0), label.size);
    box.moveCenter(label.position + slice.position);
    const QRectF drawn = KitSupport::fromBottomLeft(box, h);
    const int flags = Qt::AlignHCenter | Qt::AlignTop | Qt::TextDontClip;
    painter.setFont(label.font);
    if (label.shadowColor.isValid() && label.shadowOpacity > 0.0) {
        QColor shade = label.shadowColor;
        shade.setAlphaF(float(std::clamp(label.shadowOpacity, 0.0, 1.0) * 0.35));
        painter.setPen(shade);
        for (const QPointF &offset : {QPointF(-1, 0), QPointF(1, 0), QPointF(0, -1), QPointF(0, 1)})
            painter.drawText(drawn.translated(offset), flags, label.string);
    }
    painter.setPen(label.foregroundColor);
    painter.drawText(drawn, flags, label.string);
}
