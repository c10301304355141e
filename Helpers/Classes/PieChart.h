#pragma once

#include "BackgroundView.h"
#include "SliceLayer.h"

#include <QAccessible>
#include <QColor>
#include <QFont>
#include <QList>
#include <QString>
#include <QTimer>

#include <memory>
#include <optional>
#include <vector>

class PieChart;

// What a pie chart shows: a count and a value for every slice, and
// optionally a colour and a text. The optional methods answer nothing when a
// data source does not provide them.
class PieChartDataSource
{
public:
    virtual ~PieChartDataSource() = default;

    virtual int numberOfSlicesInPieChart(PieChart *pieChart) = 0;
    virtual double valueForSliceAtIndex(PieChart *pieChart, int index) = 0;
    // Nothing (or an invalid colour) leaves the slice its generated colour.
    virtual std::optional<QColor> colorForSliceAtIndex(PieChart *pieChart, int index);
    // Nothing leaves the slice's text as it was; a null string clears it.
    virtual std::optional<QString> textForSliceAtIndex(PieChart *pieChart, int index);
    // What assistive tools call the slice (what it stands for and how much);
    // nothing names it by its text, else by its value.
    virtual std::optional<QString> accessibleTextForSliceAtIndex(PieChart *pieChart, int index);
};

// Told when slices become selected (pulled out) or deselected. Every method
// is optional: the defaults do nothing.
class PieChartDelegate
{
public:
    virtual ~PieChartDelegate() = default;

    virtual void willSelectSliceAtIndex(PieChart *pieChart, int index);
    virtual void didSelectSliceAtIndex(PieChart *pieChart, int index);
    virtual void willDeselectSliceAtIndex(PieChart *pieChart, int index);
    virtual void didDeselectSliceAtIndex(PieChart *pieChart, int index);
};

// An animated pie chart: one slice per data-source value, sized by its share
// of the total, optionally labelled. Hovering or clicking a slice pulls it out
// and tells the delegate. Reloads animate the slices to their new arcs; while
// any arc animation runs a 1/60 s timer redraws the slices.
//
// Geometry (pieCenter, angles, hit-test points) uses the chart's bottom-left
// coordinates, angles counter-clockwise in radians. The data source and the
// delegate are not owned; their owner clears them before they go away.
//
// Assistive tools see a chart with one item per slice, named by the data
// source, with its share of the whole as its description.
class PieChart : public BackgroundView
{
    Q_OBJECT

public:
    // A chart made in code starts with its first slice at the bottom and a
    // 13 pixel label font; one made for a screen layout starts at the left,
    // sizes its font from the radius, pulls slices out 10 less far (not at all
    // on a chart 220 wide or smaller) and follows the pointer.
    enum class Source { Frame, InterfaceFile };

    explicit PieChart(const QRect &frame, QWidget *parent = nullptr, Source source = Source::Frame);
    PieChart(const QRect &frame, const QPointF &center, double radius, QWidget *parent = nullptr);
    ~PieChart() override;

    PieChartDataSource *dataSource() const { return m_dataSource; }
    void setDataSource(PieChartDataSource *dataSource) { m_dataSource = dataSource; }
    PieChartDelegate *delegate() const { return m_delegate; }
    void setDelegate(PieChartDelegate *delegate) { m_delegate = delegate; }

    double startPieAngle() const { return m_startPieAngle; }
    void setStartPieAngle(double startPieAngle) { m_startPieAngle = startPieAngle; }
    // Seconds a reload takes to animate.
    double animationSpeed() const { return m_animationSpeed; }
    void setAnimationSpeed(double animationSpeed) { m_animationSpeed = animationSpeed; }
    QPointF pieCenter() const { return m_pieCenter; }
    // Keeps the pie centred in the chart whatever the point: the point is only
    // remembered as the pie view's centre.
    void setPieCenter(const QPointF &center);
    double pieRadius() const { return m_pieRadius; }
    // Never below 0.
    void setPieRadius(double pieRadius);
    bool isShowText() const { return m_showText; }
    void setShowText(bool showText) { m_showText = showText; }
    QFont textFont() const { return m_textFont; }
    void setTextFont(const QFont &textFont) { m_textFont = textFont; }
    QColor textColor() const { return m_textColor; }
    void setTextColor(const QColor &textColor) { m_textColor = textColor; }
    // Invalid: labels have no shadow.
    QColor textShadowColor() const { return m_textShadowColor; }
    void setTextShadowColor(const QColor &textShadowColor) { m_textShadowColor = textShadowColor; }
    double textRadius() const { return m_textRadius; }
    void setTextRadius(double textRadius) { m_textRadius = textRadius; }
    double selectedSliceStroke() const { return m_selectedSliceStroke; }
    void setSelectedSliceStroke(double stroke) { m_selectedSliceStroke = stroke; }
    // At 0 or less no slice is ever pulled out.
    double selectedSliceOffsetRadius() const { return m_selectedSliceOffsetRadius; }
    void setSelectedSliceOffsetRadius(double offset) { m_selectedSliceOffsetRadius = offset; }
    bool isShowPercentage() const { return m_showPercentage; }
    void setShowPercentage(bool showPercentage);
    bool canSelect() const { return m_canSelect; }
    void setCanSelect(bool canSelect) { m_canSelect = canSelect; }
    QPointF pieViewCenter() const { return m_pieViewCenter; }
    QColor pieBackgroundColor() const { return m_pieBackgroundColor; }
    void setPieBackgroundColor(const QColor &color);

    // Asks the data source again and animates the slices to the new values.
    // Slice i is always the data source's i-th value afterwards.
    void reloadData();
    void setSliceSelectedAtIndex(int index);
    void setSliceDeselectedAtIndex(int index);
    // The index of the slice under the point (bottom-left coordinates), or -1.
    int getCurrentSelectedOnLocation(const QPointF &point);
    // Moves the selection from one slice to another (-1: none) and tells the
    // delegate. When a slice had to be deselected first, the new one is
    // selected 0.1 s later, unless something else happens before.
    void notifyDelegateOfSelectionChangeFrom(int previous, int next);
    std::unique_ptr<SliceLayer> createSliceLayer() const;
    void updateLabelForLayer(SliceLayer &layer, double value) const;

    // Bookkeeping of the running arc animations and the redraw timer.
    void animationDidStart(QVariantAnimation *animation);
    void animationDidStop(QVariantAnimation *animation, bool finished);
    void updateTimerFired();

    int sliceCount() const { return int(m_slices.size()); }
    SliceLayer *sliceLayerAt(int index) const;
    // For assistive tools: a slice's name, where it is drawn (the chart's own
    // top-left coordinates), and the slice drawn at a point of the chart (-1: none).
    QString accessibleTextForSlice(int index) const;
    QRectF sliceBounds(int index) const;
    int sliceIndexAt(const QPointF &point) const;
    int selectedSliceIndex() const { return m_selectedSliceIndex; }
    // The slice that will be selected when the 0.1 s delay ends.
    std::optional<int> pendingSelectionIndex() const { return m_pendingSelection; }
    QList<QVariantAnimation *> animations() const { return m_animations; }
    bool isAnimationTimerActive() const { return m_animationTimer.isActive(); }
    // A selection is waiting for the previous slice to slide back.
    bool isSelectionDelayActive() const { return m_selectionTimer.isActive(); }

    static constexpr int kSelectionDelay = 100;          // milliseconds
    static constexpr int kAnimationTimerInterval = 16;  // about 1/60 s

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    void awakeFromNib();
    bool ignoresMouse() const;
    bool isSliceIndex(int index) const;
    // The slice the pointer has selected, counting one still waiting for its delay.
    int currentSelection() const;
    void cancelPendingSelection();
    void completeSelection(int index);
    // Puts the slice back and tells the delegate, before and after.
    void deselect(int index);
    void clearHitTestState();
    void mouseDown(const QPointF &location);
    void mouseMoved(const QPointF &location);
    void mouseExited();
    int animationDuration() const;
    void applyLabelText(SliceLayer &layer, double value, bool emptyWhenNotPositive, bool setFont) const;
    void paintSlice(QPainter &painter, const SliceLayer &slice) const;
    void tellAssistiveTools(QAccessible::Event change, int slice = -1);

    PieChartDataSource *m_dataSource = nullptr;
    PieChartDelegate *m_delegate = nullptr;
    double m_startPieAngle = 0;
    double m_animationSpeed = 0;
    QPointF m_pieCenter;
    double m_pieRadius = 0;
    bool m_showText = true;
    QFont m_textFont;
    QColor m_textColor;
    QColor m_textShadowColor;
    double m_textRadius = 0;
    double m_selectedSliceStroke = 0;
    double m_selectedSliceOffsetRadius = 0;
    bool m_showPercentage = true;
    bool m_canSelect = false;

    // The pie view: the area the slices are drawn in, which covers the chart.
    QPointF m_pieViewCenter;
    QColor m_pieBackgroundColor = Qt::transparent;

    int m_selectedSliceIndex = -1;
    std::optional<int> m_pendingSelection;
    QTimer m_selectionTimer;
    QTimer m_animationTimer;
    QList<QVariantAnimation *> m_animations;
    // In slice order; declared last so the slices go first when the chart is destroyed.
    std::vector<std::unique_ptr<SliceLayer>> m_slices;
};
