#include "RemovalHandOff.h"

#include "DeleteDuplicatePhotosVC.h"
#include "DeleteVC.h"
#include "ScreenLinks.h"

#include <ProcessState.h>
#include <ResultQueries.h>
#include <ScreenRegistry.h>

namespace RemovalHandOff {

void clickedTrashedMarked(QWidget *resultsScreen)
{
    ScreenLinks::setChildHidden(resultsScreen, "topLayerParent", false);
    deleteTrashedMarked(resultsScreen);
}

void deleteTrashedMarked(QWidget *resultsScreen)
{
    ScreenLinks::setChildHidden(resultsScreen, "topLayerParent", false);
    auto *confirmation =
        confirmBeforeDeletingPhotosEnabled
            ? ScreenRegistry::instance().get<DeleteDuplicatePhotosVC>(QLatin1String(ScreenId::DeleteDuplicatePhotos))
            : nullptr;
    if (confirmation) {
        confirmation->presentOver(resultsScreen);
    } else if (hasMarkedItems()) {
        presentDeleteSheet(resultsScreen);
    } else {
        // Nothing to remove and nothing to ask: no layer stays up without a sheet.
        ScreenLinks::setChildHidden(resultsScreen, "topLayerParent", true);
    }
    ScreenLinks::invoke(resultsScreen, "updateTrashButton");
}

void observerDeleteMarked(QWidget *resultsScreen)
{
    ScreenLinks::setChildHidden(resultsScreen, "topLayerParent", true);
    if (hasMarkedItems())
        presentDeleteSheet(resultsScreen);
}

void presentDeleteSheet(QWidget *resultsScreen)
{
    if (categoryRows().isEmpty())
        return;
    auto *sheet = ScreenRegistry::instance().get<DeleteVC>(QLatin1String(ScreenId::Delete));
    if (!sheet)
        return;
    ScreenLinks::setChildHidden(resultsScreen, "topLayerParent", false);
    sheet->presentOver(resultsScreen);
}

} // namespace RemovalHandOff
