# Shared part of the MinGW toolchain files. Programs link statically, so no
# MinGW DLL is needed at run time.
#
# The thread model: the shipped tree (ORVANE_TESTS off) uses the win32
# model, whose runtime needs no thread library; GoogleTest needs std::mutex,
# which only the posix model's runtime has, so the test tree uses that. The
# launcher uses no threads, exceptions or clocks of the runtime: both
# models give it the same code (the build's component table shows no
# thread library in either).
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES ORVANE_TESTS)
if(ORVANE_TESTS)
  set(_model posix)
else()
  set(_model win32)
endif()
find_program(CMAKE_C_COMPILER NAMES ${TOOLCHAIN_PREFIX}-gcc-${_model} REQUIRED)
find_program(CMAKE_CXX_COMPILER NAMES ${TOOLCHAIN_PREFIX}-g++-${_model} REQUIRED)
find_program(CMAKE_RC_COMPILER NAMES ${TOOLCHAIN_PREFIX}-windres REQUIRED)
set(CMAKE_FIND_ROOT_PATH /usr/${TOOLCHAIN_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# Tests of the cross build run through Wine.
find_program(WINE_PROGRAM wine)
set(CMAKE_CROSSCOMPILING_EMULATOR ${WINE_PROGRAM})
