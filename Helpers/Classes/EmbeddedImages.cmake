# The pictures built into the program: the SVG sources in resources/artwork are
# rendered at their exact pixel sizes at build time and compiled into the
# widget kit as base64 PNG texts (EmbeddedImages.h declares them).
add_executable(twinmoor_embed_images ${PROJECT_SOURCE_DIR}/tools/embed_images/EmbedImages.cpp)
set_target_properties(twinmoor_embed_images PROPERTIES AUTOMOC OFF)
target_link_libraries(twinmoor_embed_images PRIVATE Qt6::Gui Qt6::Svg)
twinmoor_strict(twinmoor_embed_images)

set(TWINMOOR_ARTWORK_DIR ${PROJECT_SOURCE_DIR}/resources/artwork)
# TWINMOOR_WORDMARK_FONT: found in resources/CMakeLists.txt.
file(GLOB TWINMOOR_ARTWORK_SOURCES CONFIGURE_DEPENDS ${TWINMOOR_ARTWORK_DIR}/*.svg)
set(TWINMOOR_EMBEDDED_IMAGES_SOURCE ${CMAKE_CURRENT_BINARY_DIR}/EmbeddedImagesData.cpp)
add_custom_command(
    OUTPUT ${TWINMOOR_EMBEDDED_IMAGES_SOURCE}
    # A build-time helper: the sanitizer build must not fail it over what Qt
    # keeps until exit.
    COMMAND ${CMAKE_COMMAND} -E env ASAN_OPTIONS=detect_leaks=0
            $<TARGET_FILE:twinmoor_embed_images> --font ${TWINMOOR_WORDMARK_FONT}
            ${TWINMOOR_ARTWORK_DIR}/images.txt ${TWINMOOR_ARTWORK_DIR} ${TWINMOOR_EMBEDDED_IMAGES_SOURCE}
    DEPENDS twinmoor_embed_images ${TWINMOOR_ARTWORK_DIR}/images.txt ${TWINMOOR_ARTWORK_SOURCES}
            ${TWINMOOR_WORDMARK_FONT}
    COMMENT "Rendering the embedded images"
    VERBATIM)
set_source_files_properties(${TWINMOOR_EMBEDDED_IMAGES_SOURCE} PROPERTIES SKIP_AUTOMOC ON SKIP_AUTOUIC ON)
target_sources(twinmoor_widgets PRIVATE ${TWINMOOR_EMBEDDED_IMAGES_SOURCE})
