# GoogleTest and the way tests are registered.
#
# Natively each test case is its own ctest test. For Windows every test
# executable is one ctest test run under Wine (a Wine process start costs
# seconds), in a Wine prefix of the build's own created once by a fixture;
# each writes a JUnit-style XML report that scripts/test counts.

if(WIN32)
    set(PS_GTEST_SOURCE_DIR "/usr/src/googletest" CACHE PATH "GoogleTest sources")
    set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
    add_subdirectory("${PS_GTEST_SOURCE_DIR}" "${CMAKE_BINARY_DIR}/googletest" EXCLUDE_FROM_ALL SYSTEM)
    add_library(ps_gtest INTERFACE)
    target_link_libraries(ps_gtest INTERFACE gtest gmock)
else()
    find_package(GTest REQUIRED)
    add_library(ps_gtest INTERFACE)
    target_link_libraries(ps_gtest INTERFACE GTest::gtest GTest::gmock)
endif()

set(PS_TEST_REPORT_DIR "${CMAKE_BINARY_DIR}/test-reports")
file(MAKE_DIRECTORY "${PS_TEST_REPORT_DIR}")

if(WIN32)
    set(PS_WINEPREFIX "${CMAKE_BINARY_DIR}/wineprefix")
    add_test(NAME wine_prefix COMMAND "${CMAKE_SOURCE_DIR}/scripts/wine-prefix" "${PS_WINEPREFIX}")
    set_tests_properties(wine_prefix PROPERTIES FIXTURES_SETUP wine TIMEOUT 300)
    # The run report, written by the batch command and rendered by a real browser.
    add_test(NAME report_in_browser
             COMMAND "${CMAKE_SOURCE_DIR}/scripts/report-check" "${CMAKE_BINARY_DIR}/bin"
                     "${CMAKE_BINARY_DIR}/report-check")
    set_tests_properties(report_in_browser PROPERTIES
        TIMEOUT 300 FIXTURES_REQUIRED wine RUN_SERIAL TRUE ENVIRONMENT "WINEPREFIX=${PS_WINEPREFIX}")
endif()

function(ps_add_test_executable target)
    cmake_parse_arguments(ARG "" "TIMEOUT" "" ${ARGN})
    if(NOT ARG_TIMEOUT)
        set(ARG_TIMEOUT 300)
    endif()
    if(WIN32)
        # Wine maps the host's root to drive Z:.
        string(REPLACE "/" "\\" report "Z:${PS_TEST_REPORT_DIR}/${target}.xml")
        add_test(NAME ${target}
                 COMMAND ${target} "--gtest_output=xml:${report}"
                 WORKING_DIRECTORY "${CMAKE_BINARY_DIR}/bin")
        set_tests_properties(${target} PROPERTIES
            TIMEOUT ${ARG_TIMEOUT}
            FIXTURES_REQUIRED wine
            RUN_SERIAL TRUE
            ENVIRONMENT "WINEPREFIX=${PS_WINEPREFIX}")
    else()
        include(GoogleTest)
        gtest_discover_tests(${target}
            PROPERTIES TIMEOUT ${ARG_TIMEOUT}
            DISCOVERY_TIMEOUT 60)
    endif()
endfunction()
