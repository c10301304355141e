#include "UsageEvents.h"

// Until events are configured the program sends none.
void setUpAnalyticsIdentity() {}

void sendAnalyticsEvent(const QString &, const QString &) {}
