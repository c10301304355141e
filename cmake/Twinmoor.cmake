# Warnings are errors in our own code; Qt's headers come in as system headers.
function(twinmoor_strict target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Werror
        -Wno-error=deprecated-declarations)
endfunction()

# One small test executable per area, run through CTest with a private HOME and
# XDG folders (set up by the test main) and the offscreen platform.
function(twinmoor_add_test name)
    cmake_parse_arguments(ARG "WIDGETS" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    twinmoor_strict(${name})
    if(ARG_WIDGETS)
        target_link_libraries(${name} PRIVATE twinmoor_testmain_widgets)
    else()
        target_link_libraries(${name} PRIVATE twinmoor_testmain_core)
    endif()
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gmock)
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen;QT_MEDIA_BACKEND=ffmpeg;TWINMOOR_RENDER_DIR=${CMAKE_BINARY_DIR}/tests/renders"
        TIMEOUT 600)
endfunction()
