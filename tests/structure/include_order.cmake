# Fails when a file includes a header of a layer above its own.
#
# The layers, bottom up; a file may include headers of its own layer and of any layer before it:
#   raster     our raster-image library
#   platform   files, paths, the Ui port; knows images (raster) but no image formats
#   codecs     image formats; reads and writes its files through platform's one file writer,
#              so codecs comes after platform and platform never includes a codecs header
#   document, brush, filters, io   the painting program, in this order
#   the shell, floor by floor:
#     shell            the App record (shell/app.h, shell/state/), ids.h, the menu and gadget
#                      tables
#     shell/settings   pref.ini and the dictionary
#     shell/view       the canvas frame, the status bar and title, the paper, the layer preview
#     shell/panels     what the panels show
#     shell/edits      the program's side of the edit path (shell/edits.h)
#     shell/commands   what commands do
#     shell/windows    the dialogs and the window list
#     shell/input      start-up, dispatch, quitting, the panels' pointer input, and
#                      shell/events.h, the interface the GUI calls
#   gui        Qt widgets; it reaches the shell through shell/events.h, never shell/app.h or
#              shell/state/
# tools/ may include anything below gui; src/main.cpp anything.
#
# Usage: cmake -DSRC=<source tree> -P include_order.cmake
set(_order raster platform codecs document brush filters io
    shell shell/settings shell/view shell/panels shell/edits shell/commands shell/windows
    shell/input gui)
set(_layers raster platform codecs document brush filters io shell gui)
list(JOIN _layers "|" _names)

# The floor of a path below src/ ("shell/view/view.h" -> shell/view).
function(_floor_of _rel _out)
  if(_rel MATCHES "^shell/(settings|view|panels|commands|windows|input)/")
    set(_f shell/${CMAKE_MATCH_1})
  elseif(_rel MATCHES "^shell/edits\\.(h|cpp)$")
    set(_f shell/edits)
  elseif(_rel MATCHES "^shell/events\\.h$")
    set(_f shell/input)
  else()                                   # shell/app.h, state/, ids.h, the tables
    string(REGEX REPLACE "^([^/]+)/.*" "\\1" _f "${_rel}")
  endif()
  set(${_out} ${_f} PARENT_SCOPE)
endfunction()

set(_files "")
foreach(_layer ${_layers})
  file(GLOB_RECURSE _in ${SRC}/src/${_layer}/*.h ${SRC}/src/${_layer}/*.cpp)
  list(APPEND _files ${_in})
endforeach()
file(GLOB_RECURSE _tools ${SRC}/tools/*.h ${SRC}/tools/*.cpp)
list(APPEND _files ${_tools})

set(_bad "")
foreach(_f ${_files})
  file(RELATIVE_PATH _rel ${SRC} ${_f})
  if(_rel MATCHES "^tools/")
    set(_own shell/input)  # everything below gui
  else()
    string(REGEX REPLACE "^src/" "" _src_rel "${_rel}")
    _floor_of("${_src_rel}" _own)
  endif()
  list(FIND _order ${_own} _own_rank)

  file(STRINGS ${_f} _lines REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"](${_names})/")
  foreach(_line ${_lines})
    string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*[<\"]([^\">]+)[\">].*" "\\1" _path "${_line}")
    _floor_of("${_path}" _used)
    list(FIND _order ${_used} _used_rank)
    string(STRIP "${_line}" _shown)
    if(_used_rank GREATER _own_rank)
      string(APPEND _bad "  ${_rel} (${_own}): ${_shown}\n")
    elseif(_own STREQUAL "gui" AND _path MATCHES "^shell/(app\\.h$|state/)")
      string(APPEND _bad
             "  ${_rel}: ${_shown} (the GUI reaches the shell through shell/events.h)\n")
    endif()
  endforeach()
endforeach()

if(_bad)
  message(FATAL_ERROR "Headers of a higher layer included (order: ${_order}):\n${_bad}")
endif()
message(STATUS "every include points down the layers: ${_order}")
