#include "PageOpener.h"

#include <QDesktopServices>

namespace {

PageOpener::Handler &handler()
{
    static PageOpener::Handler current;
    return current;
}

} // namespace

namespace PageOpener {

bool openURL(const QUrl &url)
{
    if (!url.isValid() || url.isEmpty())
        return false;
    if (handler())
        return handler()(url);
    return QDesktopServices::openUrl(url);
}

void setHandler(Handler replacement)
{
    handler() = std::move(replacement);
}

} // namespace PageOpener
