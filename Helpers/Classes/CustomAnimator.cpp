#include "CustomAnimator.h"

#include "KitSupport.h"

#include <ProcessState.h>

#include <QCloseEvent>
#include <QCoreApplication>
#include <QGraphicsOpacityEffect>
#include <QHash>
#include <QParallelAnimationGroup>
#include <QPointer>
#include <QPropertyAnimation>
#include <QWidget>

#include <cmath>
#include <functional>

namespace {

// The dialog arrives from, and leaves towards, the line 50 points below the
// screen's top edge.
constexpr qreal kTopEdgeOverlap = 50;

const QString overlayAnimationName = QStringLiteral("twinmoorOverlayAnimation");
const QString edgePinName = QStringLiteral("twinmoorOverlayEdgePin");

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
        entry->shown = true;
        if (window)
            window->installEventFilter(this);
        publish();
    }

    void dismissing(QWidget *dialog)
    {
        auto entry = m_entries.find(dialog);
        if (entry != m_entries.end())
            entry->shown = false;
        publish();
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
        return false;
    }

private:
    using QObject::QObject;

    struct Entry
    {
        QPointer<QWidget> window;
        bool shown = false;
        QMetaObject::Connection destroyedConnection;
    };

    void forget(QObject *dialog)
    {
        const auto entry = m_entries.constFind(dialog);
        if (entry != m_entries.constEnd()) {
            disconnect(entry->destroyedConnection);
            m_entries.erase(entry);
        }
        publish();
    }

    void publish() { isCustomDialogShown = shownCount() > 0; }

    QHash<const QObject *, Entry> m_entries;
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
        fade = new QGraphicsOpacityEffect;
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
    OverlayRegistry::instance().dismissing(dialog);
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
