# Helpers shared by every tree of the build.

# GCC 12 warns wrongly about std::string's inline copies in C++20 (its bug
# 105329), on code that has no overlapping copy at all; every target of the
# build, GoogleTest's included, would show it.
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
  add_compile_options(-Wno-restrict)
endif()

function(orvane_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra)
  if(ORVANE_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()

# GoogleTest is built from Debian's sources in every tree (native, -m32, MinGW),
# so that all of them use the same version with the same flags.
set(ORVANE_GTEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest source tree")
macro(orvane_use_gtest)
  if(NOT TARGET gtest)
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
    set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
    add_subdirectory(${ORVANE_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  endif()
endmacro()

# Registers one ctest test per GoogleTest suite found in SOURCES, and one
# test PREFIX.registered-suites that fails when the program has a suite the
# search did not find (tests/harness/check-suites), so that no suite is
# silently left out. A suite test that runs no test fails as well.
#   orvane_add_suites(PREFIX p LABEL l COMMAND runner... SOURCES files... [OUT var])
# OUT receives the names of the tests, for further properties.
function(orvane_add_suites)
  cmake_parse_arguments(A "" "PREFIX;LABEL;OUT" "COMMAND;SOURCES" ${ARGN})
  set(names)
  set(suites)
  foreach(src IN LISTS A_SOURCES)
    file(STRINGS ${src} lines
         REGEX "^[ \t]*(TEST|TEST_F|TEST_P|TYPED_TEST|TYPED_TEST_P)\\([ \t]*[A-Za-z0-9_]+[ \t]*,")
    foreach(line IN LISTS lines)
      string(REGEX REPLACE "^[ \t]*[A-Z_]+\\([ \t]*([A-Za-z0-9_]+).*" "\\1" suite "${line}")
      list(APPEND suites ${suite})
    endforeach()
  endforeach()
  list(REMOVE_DUPLICATES suites)
  foreach(suite IN LISTS suites)
    add_test(NAME ${A_PREFIX}.${suite}
             COMMAND ${A_COMMAND} --gtest_filter=${suite}.*:*/${suite}.*:${suite}/*)
    set_tests_properties(${A_PREFIX}.${suite} PROPERTIES LABELS ${A_LABEL}
                         FAIL_REGULAR_EXPRESSION "Running 0 tests from")
    list(APPEND names ${A_PREFIX}.${suite})
  endforeach()
  set(suites_file ${CMAKE_BINARY_DIR}/suites/${A_PREFIX}.txt)
  list(JOIN suites "\n" suites_text)
  file(WRITE ${suites_file} "${suites_text}\n")
  add_test(NAME ${A_PREFIX}.registered-suites
           COMMAND ${PROJECT_SOURCE_DIR}/tests/harness/check-suites ${suites_file} ${A_COMMAND})
  set_tests_properties(${A_PREFIX}.registered-suites PROPERTIES LABELS ${A_LABEL})
  list(APPEND names ${A_PREFIX}.registered-suites)
  if(A_OUT)
    set(${A_OUT} ${names} PARENT_SCOPE)
  endif()
endfunction()
