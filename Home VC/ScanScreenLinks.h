#pragma once

#include <QtPlugin>

// What the scan screen needs of the screens above it. They live in libraries
// that link this one, so the scan screen reaches them only by registry
// identifier and casts to what it needs here.
//
// "DashboardWindow": the results window. Review results releases the stored
// one and asks a fresh one to show itself: through this interface, else
// through an invokable showWindow(), else by showing the widget. The results
// window then builds its rows from the result store and hides the home window
// itself.
class ResultsWindowLauncher
{
public:
    virtual ~ResultsWindowLauncher() = default;
    virtual void showResultsWindow() = 0;
};

#define ResultsWindowLauncher_iid "org.twinmoor.ResultsWindowLauncher"
Q_DECLARE_INTERFACE(ResultsWindowLauncher, ResultsWindowLauncher_iid)

// "BackToHome" (the leave-results question) and "AfterMoveInPhotoLibrary" (the
// steps left to do in Photos) are plain widgets that the scan screen presents
// over itself with scanCustomAnimator. When they close they do, through the
// scan screen's public members (ScreenRegistry's "Scan"):
//  - BackToHome, OK or Cancel: ScanVC::enableScanButtons(); dismiss themselves
//    with scanCustomAnimator from the scan screen; post "BackToHomeObserverTMR"
//    (OK) or "HideTopParentLayerScanVCTMR" (Cancel); store
//    "disablePieChartAnimation" false; enable the scan screen's btnClose; clear
//    isOverlayDialogShown. The scan screen goes home on the first notification
//    and only lifts its dimming on the second.
//  - AfterMoveInPhotoLibrary, close: ScanVC::hideTopLayer(); enableScanButtons();
//    dismiss itself as above; ScanVC::showAdvertiseAfter(100); clear
//    isOverlayDialogShown.
