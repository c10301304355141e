#pragma once

#include <PhotosScripting.h>

#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

// Hands marked Photos items to an album of the Photos application, takes the
// application out of the login items, and tests whether a file is hidden.
// Callers make one object per call and keep nothing.
class KRBObjectiveCMethods
{
public:
    static constexpr const char trashAlbumName[] = "Trash (Twinmoor)";

    // The Photos application addressed is the system's unless one is given.
    KRBObjectiveCMethods();
    explicit KRBObjectiveCMethods(std::shared_ptr<PhotosScripting::PhotosApplication> photos);

    // Puts the media items into the album "Trash (Twinmoor)", creating the
    // album when it does not exist. True only when every item reached the
    // album; false when Photos is not there (always, on this system), when
    // the album could not be made, or when an item has no identifier or was
    // not added. The caller keeps the copies of a failed hand-off.
    bool movePhotosInPhotoLibrary(const QStringList &identifiers);
    // Creates the album "Trash (Twinmoor)"; true when it exists afterwards.
    bool createAlbumInPhotosLibrary();
    // Removes the application's login item when it is in force; the path of
    // the removed entry, or nothing when nothing was removed.
    std::optional<QString> itemRefInLoginItems();
    // True when the file exists and its name starts with a dot.
    bool fileIsHidden(const QString &path);

private:
    std::shared_ptr<PhotosScripting::PhotosApplication> m_photos;
};
