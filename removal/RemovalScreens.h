#pragma once

// Registers "Delete", "DeleteDuplicatePhotos", "BackToHome" and
// "AfterMoveInPhotoLibrary" with the screen registry.
void registerRemovalScreens();
