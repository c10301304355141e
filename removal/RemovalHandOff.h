#pragma once

class QWidget;

// The trash button's way into a removal, run for the results screen that
// asks. The results screen lies below this library: it calls these through
// the "Delete" screen's invokable methods of the same names, and offers
// back, as invokable methods without arguments, updateTrashButton(),
// endSearch(), clearResultsPreview(), resetSelectedRows() and
// showHomeWindow(), and a child named "topLayerParent" (its dimming layer).
namespace RemovalHandOff {

// Shows the dimming layer, then deleteTrashedMarked.
void clickedTrashedMarked(QWidget *resultsScreen);
// The confirmation sheet while the switch is on, else the removal sheet
// when anything is marked; then the trash button is brought up to date.
void deleteTrashedMarked(QWidget *resultsScreen);
// The confirmation's OK: the removal sheet when anything is still marked.
void observerDeleteMarked(QWidget *resultsScreen);
// The removal sheet over the results screen, unless there are no rows.
void presentDeleteSheet(QWidget *resultsScreen);

} // namespace RemovalHandOff
