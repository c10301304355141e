#include "CustomAnimator.h"

#include "KitSupport.h"
#include "SYFlatButton.h"

#include <ProcessState.h>

#include <QApplication>
#include <QCloseEvent>
#include <QGraphicsOpacityEffect>
#include <QHash>
#include <QKeyEvent>
#include <QPainter>
#include <QParallelAnimationGroup>
#include <QPointer>
#include <QPropertyAnimation>
#include <QPushButton>
#include <QWidget>

#include <algorithm>
#include <cmath>
#include <functional>

namespace {

// The dialog arrives from, and leaves towards, the line 50 points below the
// screen's top edge.
constexpr qreal kTopEdgeOverlap = 50;

const QString overlayAnimationName = QStringLiteral("twinmoorOverlayAnimation");
const QString edgePinName = QStringLiteral("twinmoorOverlayEdgePin");
const char *const opaqueDuringFadeProperty = "twinmoorOpaqueDuringFade";

bool takesTabFocus(const QWidget *widget, const QWidget *dialog)
{
    return widget->isEnabled() && widget->isVisibleTo(dialog) && (widget->focusPolicy() & Qt::TabFocus) == Qt::TabFocus
        && !widget->focusProxy();
}

// Puts the controls in reading order: line by line from the top, each line
// from the left. Controls whose heights overlap the first control of a line
// (a check box beside taller buttons) share its line.
void sortInReadingOrder(QList<QWidget *> &stops, const QWidget *dialog)
{
    auto placeOf = [dialog](const QWidget *widget) { return QRect(widget->mapTo(dialog, QPoint(0, 0)), widget->size()); };
    std::stable_sort(stops.begin(), stops.end(),
                     [&](const QWidget *a, const QWidget *b) { return placeOf(a).top() < placeOf(b).top(); });
    qsizetype lineStart = 0;
    while (lineStart < stops.size()) {
        const QRect first = placeOf(stops.at(lineStart));
        qsizetype lineEnd = lineStart + 1;
        while (lineEnd < stops.size() && placeOf(stops.at(lineEnd)).top() <= first.center().y())
            ++lineEnd;
        std::stable_sort(stops.begin() + lineStart, stops.begin() + lineEnd,
                         [&](const QWidget *a, const QWidget *b) { return placeOf(a).left() < placeOf(b).left(); });
        lineStart = lineEnd;
    }
}

// The controls of the dialog that Tab visits, in the order the dialog shows
// them: the order they were made in is nobody's business but the code's.
QList<QWidget *> tabStops(QWidget *dialog)
{
    QList<QWidget *> stops;
    QWidget *widget = dialog->nextInFocusChain();
    // The chain is a ring through the whole window; one lap is enough.
    for (int steps = 0; widget && widget != dialog && steps < 10000; ++steps, widget = widget->nextInFocusChain()) {
        if (dialog->isAncestorOf(widget) && takesTabFocus(widget, dialog))
            stops.append(widget);
    }
    sortInReadingOrder(stops, dialog);
    return stops;
}

// Where the keyboard goes when the dialog comes up: its default button, where
// Return would go anyway, else its first control, else the dialog itself.
QWidget *initialFocus(QWidget *dialog)
{
    const QList<QWidget *> stops = tabStops(dialog);
    for (QWidget *stop : stops) {
        const auto *push = qobject_cast<const QPushButton *>(stop);
        const auto *flat = qobject_cast<const SYFlatButton *>(stop);
        if ((push && push->isDefault()) || (flat && flat->isDefault()))
            return stop;
    }
    return stops.isEmpty() ? dialog : stops.constFirst();
}

bool holdsFocus(const QWidget *dialog, const QWidget *focus)
{
    return focus && (focus == dialog || dialog->isAncestorOf(focus));
}

// The fade of a dialog while it comes and goes. Parts of the dialog marked as
// opaque (a card over a transparent backdrop) are drawn at full strength, so
// what lies under the card never shows through its text; the rest fades.
class OverlayFade : public QGraphicsOpacityEffect
{
public:
    // The widget that owns an effect is not its QObject parent: the effect
    // keeps its dialog itself.
    explicit OverlayFade(QWidget *dialog)
        : m_dialog(dialog)
    {
    }

protected:
    void draw(QPainter *painter) override
    {
        const QRegion opaque = m_dialog ? opaqueRegion(m_dialog) : QRegion();
        if (opaque.isEmpty() || opacity() >= 1.0) {
            QGraphicsOpacityEffect::draw(painter);
            return;
        }
        // As the plain opacity effect draws a widget: its picture in device
        // coordinates, with the opaque parts mapped there too.
        QPoint offset;
        const QPixmap pixmap = sourcePixmap(Qt::DeviceCoordinates, &offset, QGraphicsEffect::NoPad);
        if (pixmap.isNull())
            return;
        const QRegion deviceOpaque = painter->worldTransform().map(opaque);
        painter->save();
        painter->setWorldTransform(QTransform());
        const QRegion whole(QRect(offset, pixmap.deviceIndependentSize().toSize()));
        painter->setClipRegion(whole.subtracted(deviceOpaque));
        painter->setOpacity(opacity());
        painter->drawPixmap(offset, pixmap);
        painter->setClipRegion(deviceOpaque);
        painter->setOpacity(1.0);
        painter->drawPixmap(offset, pixmap);
        painter->restore();
    }

private:
    static QRegion opaqueRegion(QWidget *dialog)
    {
        QRegion region;
        for (QWidget *child : dialog->findChildren<QWidget *>()) {
            if (child->property(opaqueDuringFadeProperty).toBool() && child->isVisibleTo(dialog))
                region += QRect(child->mapTo(dialog, QPoint(0, 0)), child->size());
        }
        return region;
    }

    QPointer<QWidget> m_dialog;
};

// Keeps a presented dialog flush with all four edges of the screen's view.
class EdgePin : public QObject
{
public:
    EdgePin(QWidget *view, QWidget *host)
        : QObject(view)
        , m_view(view)
        , m_host(host)
    {
        setObjectName(edgePinName);
        host->installEventFilter(this);
        view->setGeometry(host->rect());
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (m_host && watched == m_host && event->type() == QEvent::Resize)
            m_view->setGeometry(m_host->rect());
        return false;
    }

private:
    QWidget *m_view; // the parent of the pin
    QPointer<QWidget> m_host;
};

// Which dialogs are up, over which windows, for every animator of the process.
// A dialog is "shown" from the start of its presentation to the start of its
// dismissal, and keeps its window from being closed until its dismissal ends.
class OverlayRegistry : public QObject
{
public:
    static OverlayRegistry &instance()
    {
        static QPointer<OverlayRegistry> registry;
        if (!registry)
            registry = new OverlayRegistry(QCoreApplication::instance());
        return *registry;
    }

    void presenting(QWidget *dialog, QWidget *window)
    {
        auto entry = m_entries.find(dialog);
        if (entry == m_entries.end()) {
            entry = m_entries.insert(dialog, {});
            entry->destroyedConnection = connect(dialog, &QObject::destroyed, this, [this](QObject *gone) { forget(gone); });
        }
        entry->window = window;
        if (!entry->shown && window && !holdsFocus(dialog, window->focusWidget()))
            entry->focusBefore = window->focusWidget();
        entry->shown = true;
        entry->order = ++m_lastOrder;
        if (window)
            window->installEventFilter(this);
        publish();
    }

    // The dialog is on show: the keyboard goes to it, unless something in it
    // has taken the focus already.
    void takeFocus(QWidget *dialog)
    {
        QWidget *window = dialog->window();
        if (holdsFocus(dialog, window->focusWidget()))
            return;
        initialFocus(dialog)->setFocus(Qt::OtherFocusReason);
    }

    void dismissing(QWidget *dialog, QWidget *screen)
    {
        auto entry = m_entries.find(dialog);
        QPointer<QWidget> before;
        if (entry != m_entries.end()) {
            entry->shown = false;
            before = std::exchange(entry->focusBefore, nullptr);
        }
        publish();
        // The keyboard leaves with the dialog: back where it was before the
        // dialog came, or to the screen the dialog covered.
        QWidget *window = dialog->window();
        if (!window || !holdsFocus(dialog, window->focusWidget()))
            return;
        if (before && before->window() == window && before->isVisible() && before->isEnabled()
            && !holdsFocus(dialog, before))
            before->setFocus(Qt::OtherFocusReason);
        else if (screen && screen != dialog && !dialog->isAncestorOf(screen))
            screen->setFocus(Qt::OtherFocusReason);
    }

    void dismissed(QWidget *dialog) { forget(dialog); }

    int shownCount() const
    {
        int count = 0;
        for (const Entry &entry : m_entries)
            count += entry.shown ? 1 : 0;
        return count;
    }

    bool windowBusy(const QObject *window) const
    {
        for (const Entry &entry : m_entries) {
            if (entry.window == window)
                return true;
        }
        return false;
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        // Only the user is kept from closing the window (its title-bar button
        // comes as a spontaneous event); a screen may still close its own
        // window from code, during a dismissal too.
        if (event->type() == QEvent::Close && event->spontaneous() && windowBusy(watched)) {
            event->ignore();
            return true;
        }
        if (event->type() == QEvent::KeyPress)
            return keepTabInside(watched, static_cast<QKeyEvent *>(event));
        return false;
    }

private:
    using QObject::QObject;

    struct Entry
    {
        QPointer<QWidget> window;
        bool shown = false;
        // Newer dialogs lie over older ones in the same window.
        quint64 order = 0;
        // What had the keyboard when the dialog came.
        QPointer<QWidget> focusBefore;
        QMetaObject::Connection destroyedConnection;
    };

    // The dialog on top in the window, among those on show.
    QWidget *topDialog(const QWidget *window) const
    {
        QWidget *top = nullptr;
        quint64 topOrder = 0;
        for (auto entry = m_entries.cbegin(); entry != m_entries.cend(); ++entry) {
            if (entry->shown && entry->window == window && entry->order >= topOrder) {
                top = const_cast<QWidget *>(static_cast<const QWidget *>(entry.key()));
                topOrder = entry->order;
            }
        }
        return top;
    }

    // Tab and Shift+Tab go round the controls of the dialog on top: the
    // screen under it is out of the keyboard's reach as it is out of the pointer's.
    bool keepTabInside(QObject *watched, QKeyEvent *key)
    {
        const bool backwards = key->key() == Qt::Key_Backtab
            || (key->key() == Qt::Key_Tab && (key->modifiers() & Qt::ShiftModifier));
        if ((key->key() != Qt::Key_Tab && key->key() != Qt::Key_Backtab)
            || (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier)))
            return false;
        auto *receiver = qobject_cast<QWidget *>(watched);
        QWidget *dialog = receiver ? topDialog(receiver->window()) : nullptr;
        if (!dialog)
            return false;
        const QList<QWidget *> stops = tabStops(dialog);
        if (stops.isEmpty()) {
            dialog->setFocus(Qt::TabFocusReason);
            key->accept();
            return true;
        }
        const qsizetype at = stops.indexOf(receiver);
        qsizetype next = 0;
        if (at < 0)
            next = backwards ? stops.size() - 1 : 0;
        else
            next = (at + (backwards ? stops.size() - 1 : 1)) % stops.size();
        stops.at(next)->setFocus(backwards ? Qt::BacktabFocusReason : Qt::TabFocusReason);
        key->accept();
        return true;
    }

    void watchKeys()
    {
        // The application's keys are looked at only while some dialog is up.
        const bool wanted = shownCount() > 0;
        if (wanted != m_watchingKeys && qApp) {
            if (wanted)
                qApp->installEventFilter(this);
            else
                qApp->removeEventFilter(this);
            m_watchingKeys = wanted;
        }
    }

    void forget(QObject *dialog)
    {
        const auto entry = m_entries.constFind(dialog);
        if (entry != m_entries.constEnd()) {
            disconnect(entry->destroyedConnection);
            m_entries.erase(entry);
        }
        publish();
    }

    void publish()
    {
        isCustomDialogShown = shownCount() > 0;
        watchKeys();
    }

    QHash<const QObject *, Entry> m_entries;
    quint64 m_lastOrder = 0;
    bool m_watchingKeys = false;
};

QAbstractAnimation *currentAnimation(QWidget *dialog)
{
    return dialog->findChild<QAbstractAnimation *>(overlayAnimationName, Qt::FindDirectChildrenOnly);
}

// Stops the dialog's animation under way, if any, so that it can never finish later.
void cancelAnimation(QWidget *dialog)
{
    if (QAbstractAnimation *running = currentAnimation(dialog)) {
        running->setObjectName(QString());
        running->stop();
        running->deleteLater();
    }
}

void removeEdgePin(QWidget *dialog)
{
    delete dialog->findChild<QObject *>(edgePinName, Qt::FindDirectChildrenOnly);
}

QGraphicsOpacityEffect *fadeOf(QWidget *dialog)
{
    auto *fade = qobject_cast<QGraphicsOpacityEffect *>(dialog->graphicsEffect());
    if (!fade) {
        fade = new OverlayFade(dialog);
        fade->setOpacity(1.0);
        dialog->setGraphicsEffect(fade);
    }
    return fade;
}

// Moves the dialog to the frame and the opacity together; completion runs only
// if this is still the dialog's current animation when it ends.
void animateOverlay(QWidget *dialog, double seconds, const QRect &frame, qreal opacity, std::function<void()> completion)
{
    const int milliseconds = seconds > 0 ? int(std::lround(seconds * 1000)) : 0;
    auto *group = new QParallelAnimationGroup(dialog);
    group->setObjectName(overlayAnimationName);

    auto *move = new QPropertyAnimation(dialog, "geometry", group);
    move->setStartValue(dialog->geometry());
    move->setEndValue(frame);
    move->setDuration(milliseconds);
    auto *fade = new QPropertyAnimation(fadeOf(dialog), "opacity", group);
    fade->setStartValue(fadeOf(dialog)->opacity());
    fade->setEndValue(opacity);
    fade->setDuration(milliseconds);

    QObject::connect(group, &QAbstractAnimation::finished, dialog, [dialog, group, completion = std::move(completion)] {
        if (currentAnimation(dialog) != group)
            return;
        group->setObjectName(QString());
        group->deleteLater();
        completion();
    });
    group->start();
}

} // namespace

CustomAnimator::CustomAnimator(double duration, const QRectF &rect)
    : duration(duration)
    , rect(rect)
{
}

void CustomAnimator::animatePresentationOfViewController(QWidget *viewController, QWidget *fromViewController) const
{
    if (!viewController || !fromViewController)
        return;
    QWidget *dialog = viewController;
    QWidget *screen = fromViewController;
    OverlayRegistry::instance().presenting(dialog, screen->window());
    cancelAnimation(dialog);
    removeEdgePin(dialog);

    if (dialog->parentWidget() != screen)
        dialog->setParent(screen);
    fadeOf(dialog)->setOpacity(0);
    const qreal height = screen->height();
    const QRectF start(rect.x(), height - kTopEdgeOverlap, rect.width(), rect.height());
    dialog->setGeometry(KitSupport::fromBottomLeft(start, height).toRect());
    dialog->show();
    dialog->raise();
    OverlayRegistry::instance().takeFocus(dialog);

    QPointer<QWidget> host(screen);
    animateOverlay(dialog, duration, screen->rect(), 1.0, [dialog, host] {
        dialog->setGraphicsEffect(nullptr);
        if (host)
            new EdgePin(dialog, host);
    });
}

void CustomAnimator::animateDismissalOfViewController(QWidget *viewController, QWidget *fromViewController) const
{
    if (!viewController || !fromViewController)
        return;
    QWidget *dialog = viewController;
    QWidget *screen = fromViewController;
    OverlayRegistry::instance().dismissing(dialog, screen);
    cancelAnimation(dialog);
    removeEdgePin(dialog);

    const qreal height = screen->height();
    const QRectF end(0, height - kTopEdgeOverlap, screen->width(), 0);
    animateOverlay(dialog, duration, KitSupport::fromBottomLeft(end, height).toRect(), 0.0, [dialog] {
        // Hidden, not orphaned: the screen that owns the dialog keeps it (and
        // deletes it with itself), and presenting it again reuses it.
        dialog->hide();
        dialog->setGraphicsEffect(nullptr);
        OverlayRegistry::instance().dismissed(dialog);
    });
}

void CustomAnimator::setOpaqueDuringFade(QWidget *part)
{
    if (part)
        part->setProperty(opaqueDuringFadeProperty, true);
}

int CustomAnimator::shownDialogCount()
{
    return OverlayRegistry::instance().shownCount();
}

bool CustomAnimator::isCloseButtonEnabled(const QWidget *window)
{
    return !OverlayRegistry::instance().windowBusy(window);
}

qreal CustomAnimator::alphaValue(const QWidget *view)
{
    const auto *fade = qobject_cast<const QGraphicsOpacityEffect *>(view->graphicsEffect());
    return fade ? fade->opacity() : 1.0;
}
