#pragma once

#include <QUrl>

#include <functional>

// Opens web pages in the user's browser. Tests put a handler of their own in
// place, so no test ever starts a browser.
namespace PageOpener {

using Handler = std::function<bool(const QUrl &)>;

// True when the page was handed to the browser (or to the handler in place).
// An invalid or empty address opens nothing.
bool openURL(const QUrl &url);
// Replaces how pages are opened; an empty handler restores the desktop's.
void setHandler(Handler handler);

} // namespace PageOpener
