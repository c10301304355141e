#pragma once

// Registers the scan screen ("Scan") and the cancel-scanning dialog
// ("CancelScanning") with the screen registry.
void registerScanScreens();
