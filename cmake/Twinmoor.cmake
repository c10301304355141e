# Warnings are errors in our own code; Qt's headers come in as system headers.
#
# GCC checks the bounds of memory accesses on the optimized code, after Qt's
# inline functions were merged into ours, so marking Qt's headers as system
# headers does not keep those checks out. Under the sanitizers'
# instrumentation they follow paths no run can take (qendian.h's unaligned
# reads said to reach past an empty QByteArray's one-byte buffer), and GCC's
# manual advises against -Werror with the sanitizers. In a sanitized GCC build
# these bounds warnings stay warnings; every other warning fails the build.
function(twinmoor_strict target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Werror
        -Wno-error=deprecated-declarations)
    if(TWINMOOR_SANITIZE AND CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
        target_compile_options(${target} PRIVATE -Wno-error=array-bounds
            -Wno-error=stringop-overflow -Wno-error=stringop-overread)
    endif()
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
