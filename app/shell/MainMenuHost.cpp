#include "MainMenuHost.h"

#include <QList>
#include <QMenuBar>
#include <QPointer>

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
    if (!host().bars.contains(bar))
        host().bars.append(bar);
    if (host().builder) {
        bar->clear();
        host().builder(bar);
    }
}

} // namespace MainMenuHost
