// The resources of the main bundle are attached to this library by CMake.
