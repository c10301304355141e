#include "ScanScreens.h"

#include "CancelScanningVC.h"
#include "ScanVC.h"

#include <ScreenRegistry.h>

void registerScanScreens()
{
    ScreenRegistry &registry = ScreenRegistry::instance();
    registry.registerFactory(QString::fromLatin1(ScreenId::Scan), [] { return new ScanVC; });
    registry.registerFactory(QString::fromLatin1(ScreenId::CancelScanning), [] { return new CancelScanningVC; });
}
