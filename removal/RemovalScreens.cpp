#include "RemovalScreens.h"

#include "AfterMoveInPhotoLibraryVC.h"
#include "BackToHomeDialogVC.h"
#include "DeleteDuplicatePhotosVC.h"
#include "DeleteVC.h"

#include <ScreenRegistry.h>

void registerRemovalScreens()
{
    ScreenRegistry &registry = ScreenRegistry::instance();
    registry.registerFactory(QLatin1String(ScreenId::Delete), [] { return new DeleteVC; });
    registry.registerFactory(QLatin1String(ScreenId::DeleteDuplicatePhotos), [] { return new DeleteDuplicatePhotosVC; });
    registry.registerFactory(QLatin1String(ScreenId::BackToHome), [] { return new BackToHomeDialogVC; });
    registry.registerFactory(QLatin1String(ScreenId::AfterMoveInPhotoLibrary),
                             [] { return new AfterMoveInPhotoLibraryVC; });
}
