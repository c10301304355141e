#include "Updater.h"

namespace {

Updater::Factory &factory()
{
    static Updater::Factory current;
    return current;
}

} // namespace

std::unique_ptr<Updater> Updater::makeForMainBundle()
{
    if (!factory())
        return nullptr;
    return factory()();
}

bool Updater::isAvailable()
{
    return bool(factory());
}

void Updater::setFactory(Factory replacement)
{
    factory() = std::move(replacement);
}
