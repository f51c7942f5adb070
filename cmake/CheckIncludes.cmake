cmake_policy(SET CMP0057 NEW)  # IN_LIST
# Fails when a file of one layer folder includes from a folder of src/ that
# the layer does not reach through its links (see cmake/Layers.cmake).
#   cmake -DLAYER=package -DALLOWED=package,vars,util -DSOURCE_ROOT=src
#         -DSTAMP=file -P CheckIncludes.cmake

string(REPLACE "," ";" allowed "${ALLOWED}")
file(GLOB folders LIST_DIRECTORIES true RELATIVE ${SOURCE_ROOT} ${SOURCE_ROOT}/*)
set(layers)
foreach(folder IN LISTS folders)
  if(IS_DIRECTORY ${SOURCE_ROOT}/${folder})
    list(APPEND layers ${folder})
  endif()
endforeach()

file(GLOB files ${SOURCE_ROOT}/${LAYER}/*.h ${SOURCE_ROOT}/${LAYER}/*.cpp)
set(faults)
foreach(file IN LISTS files)
  file(STRINGS ${file} lines REGEX "^[ \t]*#[ \t]*include[ \t]*[\"<]")
  foreach(line IN LISTS lines)
    string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*[\"<]([^\">]*)[\">].*" "\\1" header "${line}")
    # A relative path out of the folder is as much an upward include as any.
    if(header MATCHES "\\.\\./")
      list(APPEND faults "${file}: #include \"${header}\": no relative paths out of ${LAYER}/")
      continue()
    endif()
    if(NOT header MATCHES "^([^/]+)/")
      continue()
    endif()
    set(folder ${CMAKE_MATCH_1})
    if(folder IN_LIST layers AND NOT folder IN_LIST allowed)
      list(APPEND faults
           "${file}: #include \"${header}\": ${LAYER}/ may include only from ${ALLOWED}")
    endif()
  endforeach()
endforeach()

if(faults)
  list(JOIN faults "\n" text)
  message(FATAL_ERROR "Include from a layer above:\n${text}")
endif()
file(TOUCH ${STAMP})
