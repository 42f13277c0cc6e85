# Each subsystem is one library made of the .cpp files of its folder, and each test folder
# one GoogleTest program, so that a half-finished file in one folder never stops another
# folder from building.

# qs_add_library(<name> <folder> [DEPS <targets>...])
function(qs_add_library name folder)
    cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
    file(GLOB sources CONFIGURE_DEPENDS ${folder}/*.cpp)
    if(sources)
        add_library(${name} STATIC ${sources})
        target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
        target_link_libraries(${name} PUBLIC ${ARG_DEPS})
    else()
        add_library(${name} INTERFACE)
        target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR}/src)
        target_link_libraries(${name} INTERFACE ${ARG_DEPS})
    endif()
endfunction()

# qs_add_test_suite(<name> <folder> [QT] [DEPS <targets>...]): one test program for a folder;
# every test case becomes its own ctest entry. QT: the suite links Qt, whose flags differ from
# those the shared GoogleTest headers were precompiled with.
function(qs_add_test_suite name folder)
    cmake_parse_arguments(ARG "QT" "" "DEPS" ${ARGN})
    file(GLOB sources CONFIGURE_DEPENDS ${folder}/*.cpp)
    if(NOT sources)
        return()
    endif()
    add_executable(${name} ${sources})
    target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/tests)
    target_link_libraries(${name} PRIVATE ${ARG_DEPS} GTest::gtest GTest::gmock GTest::gtest_main)
    if(ARG_QT)
        qs_fast_test_build(${name})
    else()
        qs_fast_test_build(${name} PCH qs_gtest_pch)
    endif()
    # A guard against a hang, not a speed limit: the soak test runs 500 connections on a fake
    # clock, over a minute under the sanitizers and twice that on a busy machine.
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 400)
endfunction()

# Test programs build in far less time when their headers are parsed once for all of them
# (GoogleTest's, Qt's), a folder's small test files are compiled a few at a time, and their
# code is optimised and described for the debugger a little less than the program's (see
# tests/CMakeLists.txt).
option(QS_FAST_TEST_BUILD "Precompiled headers, unity builds and lighter flags for the tests" ON)

# qs_fast_test_build(<target> [PCH <target whose precompiled headers to use>] [NO_UNITY])
function(qs_fast_test_build name)
    cmake_parse_arguments(ARG "NO_UNITY" "PCH" "" ${ARGN})
    if(NOT QS_FAST_TEST_BUILD)
        return()
    endif()
    if(ARG_PCH AND TARGET ${ARG_PCH})
        target_precompile_headers(${name} REUSE_FROM ${ARG_PCH})
    endif()
    if(NOT ARG_NO_UNITY)
        set_target_properties(${name} PROPERTIES UNITY_BUILD ON UNITY_BUILD_BATCH_SIZE 6)
    endif()
endfunction()
