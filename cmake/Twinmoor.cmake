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

# A screen library: every source of the folder, linked to the layers below it.
# A folder without sources yet gives an interface library, so the layers above
# can name it before it holds code.
function(twinmoor_screen_library name)
    cmake_parse_arguments(ARG "" "" "DEPS;EXCLUDE" ${ARGN})
    file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
    foreach(excluded ${ARG_EXCLUDE})
        list(REMOVE_ITEM sources ${CMAKE_CURRENT_SOURCE_DIR}/${excluded})
    endforeach()
    if(sources)
        add_library(${name} STATIC ${sources})
        target_include_directories(${name} PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
        target_link_libraries(${name} PUBLIC ${ARG_DEPS})
        twinmoor_strict(${name})
    else()
        add_library(${name} INTERFACE)
        target_link_libraries(${name} INTERFACE ${ARG_DEPS})
    endif()
endfunction()
