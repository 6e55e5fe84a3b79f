# Fails when a source file under src/ starts, waits for or signals processes (fork, waitpid,
# kill): the program does its background work on threads.
file(GLOB_RECURSE _files ${SRC}/src/*.h ${SRC}/src/*.cpp)
set(_bad "")
foreach(_f ${_files})
  file(STRINGS ${_f} _lines REGEX "(^|[^A-Za-z0-9_])(v?fork|waitpid|kill)[ \t]*\\(")
  if(_lines)
    list(APPEND _bad "${_f}: ${_lines}")
  endif()
endforeach()
if(_bad)
  message(FATAL_ERROR "process control under src/:\n${_bad}")
endif()
message(STATUS "no fork, waitpid or kill under src/")
