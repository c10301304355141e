#pragma once

#include <QString>

// Usage events. Sending returns at once and never reports a failure; with no
// collect address or tracking identifier configured nothing is sent.
void setUpAnalyticsIdentity();
// Safe to call from any thread.
void sendAnalyticsEvent(const QString &category, const QString &action);
