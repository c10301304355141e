#pragma once

#include <QString>
#include <QStringList>

#include <memory>

// The Photos application as a scripting target. It does not exist on this
// system: it never runs, and there is no application object to address.
namespace PhotosScripting {

inline constexpr const char photosBundleIdentifier[] = "com.apple.Photos";

// The scripting side of the Photos application, as the album hand-off uses it.
class PhotosApplication
{
public:
    virtual ~PhotosApplication() = default;

    // Whether an album of that name exists.
    virtual bool albumExists(const QString &albumName) = 0;
    // Runs a script against the application; true when it ran without error.
    virtual bool runScript(const QString &source) = 0;
    // Adds the media items with these identifiers to the album; true only
    // when every item was found and added.
    virtual bool addMediaItems(const QStringList &identifiers, const QString &albumName) = 0;
};

// Whether the Photos application is running: never, here.
bool isPhotosRunning();
// The application object, or null when there is none: always null here.
std::shared_ptr<PhotosApplication> application();

} // namespace PhotosScripting
