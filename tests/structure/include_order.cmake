# Fails when a file includes a header of a layer above its own.
#
# The layers, bottom up; a file may include headers of its own layer and of any layer before it:
#   raster     our raster-image library
#   platform   files, paths, the Ui port; knows images (raster) but no image formats
#   codecs     image formats; reads and writes its files through platform's one file writer,
#              so codecs comes after platform and platform never includes a codecs header
#   document, brush, filters, io   the painting program, in this order
#   shell      start-up, dispatch, interaction
#   gui        Qt widgets
# tools/ may include anything below gui; src/main.cpp anything.
#
# Usage: cmake -DSRC=<source tree> -P include_order.cmake
set(_order raster platform codecs document brush filters io shell gui)
list(JOIN _order "|" _names)

set(_files "")
foreach(_layer ${_order})
  file(GLOB_RECURSE _in ${SRC}/src/${_layer}/*.h ${SRC}/src/${_layer}/*.cpp)
  list(APPEND _files ${_in})
endforeach()
file(GLOB_RECURSE _tools ${SRC}/tools/*.h ${SRC}/tools/*.cpp)
list(APPEND _files ${_tools})

set(_bad "")
foreach(_f ${_files})
  file(RELATIVE_PATH _rel ${SRC} ${_f})
  if(_rel MATCHES "^tools/")
    set(_own tools)
    list(FIND _order shell _own_rank)  # everything below gui
  else()
    string(REGEX REPLACE "^src/([^/]+)/.*" "\\1" _own "${_rel}")
    list(FIND _order ${_own} _own_rank)
  endif()

  file(STRINGS ${_f} _lines REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"](${_names})/")
  foreach(_line ${_lines})
    string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*[<\"]([^/]+)/.*" "\\1" _used "${_line}")
    list(FIND _order ${_used} _used_rank)
    if(_used_rank GREATER _own_rank)
      string(STRIP "${_line}" _line)
      string(APPEND _bad "  ${_rel} (${_own}): ${_line}\n")
    endif()
  endforeach()
endforeach()

if(_bad)
  message(FATAL_ERROR "Headers of a higher layer included (order: ${_order}):\n${_bad}")
endif()
message(STATUS "every include points down the layers: ${_order}")
