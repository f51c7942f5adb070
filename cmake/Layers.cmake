# The launcher's code in layers: one folder of src/ is one library, which
# links the layer right below it and nothing else. Every file of a folder may
# include from its own folder and from the folders its library reaches
# through its links; an include from any other folder of src/ fails the build
# (cmake/CheckIncludes.cmake runs before the library is compiled).
#
#   orvane_layer(NAME [BELOW lower] [PORTABLE sources...] [WINDOWS sources...])
#
# PORTABLE sources build in every tree, WINDOWS sources only for Windows.
# The library is `orvane_NAME`.

set(ORVANE_LAYER_CHECK ${CMAKE_CURRENT_LIST_DIR}/CheckIncludes.cmake)

# Compile options of the launcher's code in every tree: no exceptions, no
# run-time type information, no unwind tables (so that the linker can drop
# every function nothing calls), one section per function and object.
# Function-local statics need no locks: the launcher's work runs on one
# thread, and the locks would bring the thread library's once-code in.
function(orvane_launcher_code target)
  target_compile_options(${target} PRIVATE
    -fno-exceptions -fno-rtti -fno-asynchronous-unwind-tables -fno-unwind-tables
    -ffunction-sections -fdata-sections -fno-threadsafe-statics)
  # GCC's interprocedural scalar replacement makes a private copy of the
  # string helpers it specialises in every object file, which the linker
  # cannot merge: about 9 KB of the 32-bit launcher were such copies.
  target_compile_options(${target} PRIVATE $<$<CXX_COMPILER_ID:GNU>:-fno-ipa-sra>)
  if(ORVANE_SANITIZE)
    # The vptr check needs run-time type information.
    target_compile_options(${target} PRIVATE -fno-sanitize=vptr)
  endif()
  orvane_warnings(${target})
endfunction()

function(orvane_layer name)
  cmake_parse_arguments(A "" "BELOW" "PORTABLE;WINDOWS" ${ARGN})
  set(sources)
  foreach(src IN LISTS A_PORTABLE)
    list(APPEND sources ${name}/${src})
  endforeach()
  if(WIN32)
    foreach(src IN LISTS A_WINDOWS)
      list(APPEND sources ${name}/${src})
    endforeach()
  endif()

  # The folders this layer may include from: its own and every one below.
  set(allowed ${name})
  if(A_BELOW)
    get_property(below GLOBAL PROPERTY ORVANE_LAYER_REACH_${A_BELOW})
    list(APPEND allowed ${below})
  endif()
  set_property(GLOBAL PROPERTY ORVANE_LAYER_REACH_${name} ${allowed})

  set(target orvane_${name})
  if(sources)
    add_library(${target} STATIC ${sources})
    target_include_directories(${target} PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
    if(A_BELOW)
      target_link_libraries(${target} PUBLIC orvane_${A_BELOW})
    endif()
    orvane_launcher_code(${target})
  else()
    add_library(${target} INTERFACE)
    target_include_directories(${target} INTERFACE ${CMAKE_CURRENT_SOURCE_DIR})
    if(A_BELOW)
      target_link_libraries(${target} INTERFACE orvane_${A_BELOW})
    endif()
  endif()

  # Every file of the folder, headers included, is checked, also those no
  # tree compiles.
  file(GLOB files CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${name}/*.h
       ${CMAKE_CURRENT_SOURCE_DIR}/${name}/*.cpp)
  set(stamp ${CMAKE_CURRENT_BINARY_DIR}/${target}.includes-checked)
  string(REPLACE ";" "," allowed_arg "${allowed}")
  add_custom_command(
    OUTPUT ${stamp}
    COMMAND ${CMAKE_COMMAND} -DLAYER=${name} -DALLOWED=${allowed_arg}
            -DSOURCE_ROOT=${CMAKE_CURRENT_SOURCE_DIR} -DSTAMP=${stamp}
            -P ${ORVANE_LAYER_CHECK}
    DEPENDS ${files} ${ORVANE_LAYER_CHECK}
    COMMENT "Checking the includes of ${name}/"
    VERBATIM)
  add_custom_target(${target}_includes DEPENDS ${stamp})
  add_dependencies(${target} ${target}_includes)
endfunction()

# The launcher's link: the C++ library's error helpers go to the launcher's
# own fatal path (src/util/Runtime.cpp) instead of raising exceptions.
function(orvane_runtime_wraps target)
  foreach(symbol
      _ZSt17__throw_bad_allocv _ZSt28__throw_bad_array_new_lengthv
      _ZSt20__throw_length_errorPKc _ZSt19__throw_logic_errorPKc
      _ZSt20__throw_out_of_rangePKc _ZSt24__throw_out_of_range_fmtPKcz
      _ZSt24__throw_invalid_argumentPKc _ZSt25__throw_bad_function_callv)
    target_link_options(${target} PRIVATE -Wl,--wrap=${symbol})
  endforeach()
endfunction()
