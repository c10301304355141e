#include "MainMenuHost.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QList>
#include <QMenuBar>
#include <QPointer>
#include <QShortcut>

namespace {

struct Host
{
    MainMenuHost::Builder builder;
    QList<QPointer<QMenuBar>> bars;
};

Host &host()
{
    static Host instance;
    return instance;
}

} // namespace

namespace MainMenuHost {

void setBuilder(Builder builder)
{
    host().builder = std::move(builder);
    host().bars.removeAll(nullptr);
    if (!host().builder)
        return;
    for (const QPointer<QMenuBar> &bar : std::as_const(host().bars)) {
        bar->clear();
        host().builder(bar);
    }
}

void install(QMenuBar *bar)
{
    if (!bar)
        return;
    host().bars.removeAll(nullptr);
    if (!host().bars.contains(bar)) {
        host().bars.append(bar);
        auto *f10 = new QShortcut(QKeySequence(Qt::Key_F10), bar->window());
        QObject::connect(f10, &QShortcut::activated, bar, [bar] { enterFromKeyboard(bar); });
    }
    if (host().builder) {
        bar->clear();
        host().builder(bar);
    }
}

void enterFromKeyboard(QMenuBar *bar)
{
    // Qt keeps the bar's keyboard mode to itself and enters it on a lone Alt
    // tap, which it watches for on the bar's window: F10 taps Alt there, so
    // both keys give the same highlight and the same way back.
    QWidget *window = bar ? bar->window() : nullptr;
    if (!window || !bar->isVisible())
        return;
    // An event for the Alt key itself flips Alt in what it reports: built
    // without Alt, the press reads as Alt held, as a real tap does.
    QKeyEvent altDown(QEvent::ShortcutOverride, Qt::Key_Alt, Qt::NoModifier);
    QCoreApplication::sendEvent(window, &altDown);
    QKeyEvent altUp(QEvent::KeyRelease, Qt::Key_Alt, Qt::AltModifier);
    QCoreApplication::sendEvent(window, &altUp);
}

} // namespace MainMenuHost
