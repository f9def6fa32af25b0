# The Windows build's tests, run under Wine on the build machine.
#
# GoogleTest: Debian has no mingw build of it, so it is compiled here from the
# source package that libgtest-dev installs.
set(INTERCOM_GOOGLETEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources")
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
# It defines GTest::gtest and GTest::gtest_main as find_package would.
add_subdirectory(${INTERCOM_GOOGLETEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

# Wine, and the Linux build whose simulator (and intercom-cli) the tests use.
find_program(INTERCOM_WINE NAMES wine64 wine PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
find_program(INTERCOM_WINESERVER NAMES wineserver PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
set(INTERCOM_HOST_BUILD "" CACHE PATH "The Linux build with intercom-sim and intercom-cli")

set(INTERCOM_WINE_RUN ${CMAKE_CURRENT_LIST_DIR}/run.sh)
set(INTERCOM_WINE_ENV
  "INTERCOM_WINE=${INTERCOM_WINE}"
  "INTERCOM_WINESERVER=${INTERCOM_WINESERVER}"
  "WINEPREFIX=${CMAKE_BINARY_DIR}/wine-prefix"
  "INTERCOM_HOST_BUILD=${INTERCOM_HOST_BUILD}")

if(INTERCOM_WINE AND INTERCOM_WINESERVER)
  # One private prefix for the whole run: booting it is the slow part of Wine
  # (seconds), paid here once; the cleanup stops its wineserver.
  add_test(NAME wine_prefix_boot COMMAND ${INTERCOM_WINE_RUN} boot)
  set_tests_properties(wine_prefix_boot PROPERTIES
    FIXTURES_SETUP wine ENVIRONMENT "${INTERCOM_WINE_ENV}" TIMEOUT 240)
  add_test(NAME wine_prefix_stop COMMAND ${INTERCOM_WINE_RUN} stop)
  set_tests_properties(wine_prefix_stop PROPERTIES
    FIXTURES_CLEANUP wine ENVIRONMENT "${INTERCOM_WINE_ENV}" TIMEOUT 60)
endif()

# intercom_wine_test(<target> [NAME <test>] [PORTS [SIM <kind>]] [WINDOWS] [DPI <dpi>]
#                    [ARGS <args...>])
# Runs the program under Wine in the shared prefix. WINDOWS: it checks windows
# at the prefix's usual 96 dpi, so it never runs while a DPI test has the
# prefix at another density. DPI: the prefix's density while it runs. PORTS: COM5 (and COM12,
# the same port) is a simulated device (a subscriber set unless SIM names
# another kind) and COM6 a plain file while it runs (INTERCOM_TEST_PORT,
# INTERCOM_TEST_HIGH_PORT, INTERCOM_TEST_FILE_PORT). Every program runs on
# the prefix's private X server, so that it can make windows.
function(intercom_wine_test target)
  cmake_parse_arguments(ARG "PORTS;WINDOWS" "NAME;SIM;DPI" "ARGS" ${ARGN})
  if(NOT INTERCOM_WINE OR NOT INTERCOM_WINESERVER)
    return()
  endif()
  set(name ${target})
  if(ARG_NAME)
    set(name ${ARG_NAME})
  endif()
  set(options "")
  set(lock "")
  set(kind subscriber)
  if(ARG_SIM)
    set(kind ${ARG_SIM})
  endif()
  if(ARG_PORTS)
    set(options --sim ${kind} --com 5 --high-com 12 --file-com 6)
    set(lock wine_com_ports)
  endif()
  if(ARG_WINDOWS OR ARG_DPI)
    list(APPEND lock wine_density)
  endif()
  if(ARG_DPI)
    list(APPEND options --dpi ${ARG_DPI})
  endif()
  add_test(NAME ${name}
    COMMAND ${INTERCOM_WINE_RUN} run ${options} -- $<TARGET_FILE:${target}> ${ARG_ARGS})
  set_tests_properties(${name} PROPERTIES
    FIXTURES_REQUIRED wine ENVIRONMENT "${INTERCOM_WINE_ENV}" TIMEOUT 300
    RESOURCE_LOCK "${lock}")
endfunction()
