# Registration of every test of the build, included by the native top-level
# tree. Windows tests run through tests/harness/wine-run, which needs the
# harness (Xvfb and a Wine prefix) brought up by the "harness" fixture.

set(_harness ${CMAKE_SOURCE_DIR}/tests/harness)
set(_harness_env ORVANE_HARNESS_DIR=${CMAKE_BINARY_DIR}/harness ORVANE_BUILD_DIR=${CMAKE_BINARY_DIR}
                 ORVANE_SOURCE_DIR=${CMAKE_SOURCE_DIR})

add_test(NAME harness.up COMMAND ${_harness}/harness-up)
add_test(NAME harness.down COMMAND ${_harness}/harness-down)
set_tests_properties(harness.up PROPERTIES FIXTURES_SETUP wine ENVIRONMENT "${_harness_env}"
                                           LABELS "win;scenario")
set_tests_properties(harness.down PROPERTIES FIXTURES_CLEANUP wine ENVIRONMENT "${_harness_env}"
                                             LABELS "win;scenario")

# The test web servers of the download tests (nginx over HTTP and HTTPS, the
# scripted fault server); web-up trusts their test authority in the Wine
# prefix, so it comes after harness.up.
add_test(NAME web.up COMMAND ${_harness}/web-up)
add_test(NAME web.down COMMAND ${_harness}/web-down)
set_tests_properties(web.up PROPERTIES FIXTURES_SETUP web FIXTURES_REQUIRED wine
                                       ENVIRONMENT "${_harness_env}" LABELS "win;scenario")
set_tests_properties(web.down PROPERTIES FIXTURES_CLEANUP web ENVIRONMENT "${_harness_env}"
                                         LABELS "win;scenario")

file(GLOB_RECURSE _native_sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/native/*_test.cpp)
orvane_add_suites(PREFIX native LABEL native COMMAND $<TARGET_FILE:native_tests>
                  SOURCES ${_native_sources})
# Some kernels (this build machine's among them) cannot run 32-bit programs;
# qemu's user-mode emulator runs them everywhere.
find_program(QEMU_I386 qemu-i386 REQUIRED)
orvane_add_suites(PREFIX native32 LABEL native
                  COMMAND ${QEMU_I386} ${CMAKE_BINARY_DIR}/native32/tests/native_tests
                  SOURCES ${_native_sources})

orvane_add_suites(PREFIX native-asan LABEL native
                  COMMAND ${CMAKE_BINARY_DIR}/native-clang/tests/native_tests
                  SOURCES ${_native_sources})

# The builder: its unit tests, and its command-line scenarios (shell scripts
# tests/stubpack/*.sh that drive dist-like artefacts of this build).
file(GLOB _stubpack_sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/stubpack/*_test.cpp)
if(_stubpack_sources)
  orvane_add_suites(PREFIX stubpack LABEL native COMMAND ${CMAKE_BINARY_DIR}/tests/stubpack_tests
                    SOURCES ${_stubpack_sources})
endif()
orvane_add_suites(PREFIX mapsize LABEL native COMMAND ${CMAKE_BINARY_DIR}/tests/mapsize_tests
                  SOURCES ${CMAKE_SOURCE_DIR}/tests/tools/MapParse_test.cpp)

file(GLOB _stubpack_scripts CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/stubpack/*.sh)
foreach(_script IN LISTS _stubpack_scripts)
  get_filename_component(_name ${_script} NAME_WE)
  add_test(NAME stubpack-cli.${_name} COMMAND bash ${_script})
  set_tests_properties(stubpack-cli.${_name} PROPERTIES LABELS native ENVIRONMENT
    "STUBPACK=${CMAKE_BINARY_DIR}/tools/stubpack/stubpack;STUB_WIN32=${CMAKE_BINARY_DIR}/win32/src/Stub.exe;STUB_WIN64=${CMAKE_BINARY_DIR}/win64/src/Stub.exe;STUBPACK_EXE=${CMAKE_BINARY_DIR}/win32/tools/stubpack/stubpack.exe;ORVANE_SOURCE_DIR=${CMAKE_SOURCE_DIR}")
endforeach()

# A short run of every fuzz target (long runs are done by hand, see README).
file(GLOB _fuzz_sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/fuzz/*_fuzz.cpp)
foreach(_src IN LISTS _fuzz_sources)
  get_filename_component(_name ${_src} NAME_WE)
  add_test(NAME fuzz.${_name}
           COMMAND ${CMAKE_SOURCE_DIR}/tests/harness/run-fuzz
                   ${CMAKE_BINARY_DIR}/native-clang/tests/${_name}
                   ${CMAKE_SOURCE_DIR}/tests/fuzz/corpus/${_name} 20)
  set_tests_properties(fuzz.${_name} PROPERTIES LABELS native)
endforeach()

# Windows tests share one virtual desktop and one debug-viewer class name, so
# they run one at a time.
file(GLOB_RECURSE _win_sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/win/*_test.cpp)
orvane_add_suites(PREFIX win LABEL win
                  COMMAND ${_harness}/wine-run ${CMAKE_BINARY_DIR}/win64/tests/win_tests.exe
                  SOURCES ${_win_sources} OUT _win_tests)
file(GLOB _scenario_sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/scenario/*_test.cpp)
orvane_add_suites(PREFIX scenario LABEL scenario
                  COMMAND ${_harness}/wine-run ${CMAKE_BINARY_DIR}/win64/tests/scenario_tests.exe
                  SOURCES ${_scenario_sources} OUT _scenario_tests)
# Scenarios written as shell scripts: they mix Linux tools (stubpack,
# osslsigncode) with the launcher under Wine.
file(GLOB _scenario_scripts CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/scenario/*.sh)
foreach(_script IN LISTS _scenario_scripts)
  get_filename_component(_name ${_script} NAME_WE)
  add_test(NAME scenario-sh.${_name} COMMAND bash ${_script})
  set_tests_properties(scenario-sh.${_name} PROPERTIES LABELS scenario)
  list(APPEND _scenario_tests scenario-sh.${_name})
endforeach()

if(_win_tests OR _scenario_tests)
  set_tests_properties(${_win_tests} ${_scenario_tests} PROPERTIES
    FIXTURES_REQUIRED "wine;web" RESOURCE_LOCK desktop TIMEOUT 300 ENVIRONMENT "${_harness_env}")
endif()
# A unit suite takes seconds; a hung one is cut short (scripts/test runs it
# once more).
if(_win_tests)
  set_tests_properties(${_win_tests} PROPERTIES TIMEOUT 120)
endif()

# The build's own rules: the include check of the layers and the check that
# every test suite is registered.
foreach(_name layer-includes check-suites)
  add_test(NAME build.${_name} COMMAND bash ${CMAKE_SOURCE_DIR}/tests/build/${_name}.sh)
  set_tests_properties(build.${_name} PROPERTIES LABELS native
                       ENVIRONMENT ORVANE_SOURCE_DIR=${CMAKE_SOURCE_DIR})
endforeach()

# The launcher's layout, checked on both shipped builds.
# The shipped 32-bit launcher must also stay under 256 KB.
add_test(NAME layout.win32.pe_header
         COMMAND ${_harness}/check-stub-layout ${CMAKE_BINARY_DIR}/win32/src/Stub.exe 262144)
add_test(NAME layout.win64.pe_header
         COMMAND ${_harness}/check-stub-layout ${CMAKE_BINARY_DIR}/win64/src/Stub.exe)
add_test(NAME layout.win32.runtime
         COMMAND ${_harness}/check-stub-runtime ${CMAKE_BINARY_DIR}/win32/src/Stub.map)
add_test(NAME layout.win64.runtime
         COMMAND ${_harness}/check-stub-runtime ${CMAKE_BINARY_DIR}/win64/src/Stub.map)
set_tests_properties(layout.win32.pe_header layout.win64.pe_header layout.win32.runtime
                     layout.win64.runtime PROPERTIES LABELS native)
