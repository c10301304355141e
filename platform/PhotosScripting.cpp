#include "PhotosScripting.h"

namespace PhotosScripting {

bool isPhotosRunning()
{
    return false;
}

std::shared_ptr<PhotosApplication> application()
{
    return nullptr;
}

} // namespace PhotosScripting
