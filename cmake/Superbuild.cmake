# The native tree builds the two Windows trees and the 32-bit native tree as
# sub-builds and registers all tests, so that one ctest run covers everything.
include(ExternalProject)

set(_sub_args
  -DORVANE_SUPERBUILD=OFF
  -DORVANE_WERROR=${ORVANE_WERROR}
  -DCMAKE_BUILD_TYPE=${CMAKE_BUILD_TYPE})

foreach(_arch win32 win64)
  # The shipped 32-bit launcher cannot run under this Wine; its tests run
  # from the 64-bit tree.
  if(_arch STREQUAL win32)
    set(_toolchain ${CMAKE_SOURCE_DIR}/cmake/toolchain-i686-w64-mingw32.cmake)
    set(_tests OFF)
  else()
    set(_toolchain ${CMAKE_SOURCE_DIR}/cmake/toolchain-x86_64-w64-mingw32.cmake)
    set(_tests ON)
  endif()
  ExternalProject_Add(${_arch}
    SOURCE_DIR ${CMAKE_SOURCE_DIR}
    BINARY_DIR ${CMAKE_BINARY_DIR}/${_arch}
    CMAKE_ARGS ${_sub_args} -DCMAKE_TOOLCHAIN_FILE=${_toolchain} -DORVANE_TESTS=${_tests}
               -DORVANE_PEFIX=$<TARGET_FILE:pefix>
    BUILD_ALWAYS ON
    INSTALL_COMMAND ""
    DEPENDS pefix)
endforeach()

ExternalProject_Add(native32
  SOURCE_DIR ${CMAKE_SOURCE_DIR}
  BINARY_DIR ${CMAKE_BINARY_DIR}/native32
  CMAKE_ARGS ${_sub_args} -DORVANE_NATIVE32=ON
  BUILD_ALWAYS ON
  INSTALL_COMMAND "")

# The portable code once more with clang, under ASan and UBSan.
find_program(ORVANE_CLANGXX clang++ REQUIRED)
find_program(ORVANE_CLANG clang REQUIRED)
ExternalProject_Add(native-clang
  SOURCE_DIR ${CMAKE_SOURCE_DIR}
  BINARY_DIR ${CMAKE_BINARY_DIR}/native-clang
  CMAKE_ARGS ${_sub_args} -DORVANE_SANITIZE=ON
             -DCMAKE_CXX_COMPILER=${ORVANE_CLANGXX} -DCMAKE_C_COMPILER=${ORVANE_CLANG}
  BUILD_ALWAYS ON
  INSTALL_COMMAND "")

include(${CMAKE_SOURCE_DIR}/tests/register.cmake)
