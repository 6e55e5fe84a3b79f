# Installs the build BUILD into PREFIX (emptied first) and checks what a desktop needs of it.
# Each validator runs when it is installed (scripts/install-deps.sh installs them) and is said
# to be skipped otherwise. Usage: cmake -DBUILD=... -DPREFIX=... -DAPP_ID=... -P install_check.cmake
function(fail what)
  message(FATAL_ERROR "install check: ${what}")
endfunction()

file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD}" --prefix "${PREFIX}"
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT rc EQUAL 0)
  fail("cmake --install failed:\n${out}\n${err}")
endif()

set(share "${PREFIX}/share")
set(desktop "${share}/applications/${APP_ID}.desktop")
set(metainfo "${share}/metainfo/${APP_ID}.metainfo.xml")
foreach(f bin/quillmoth
          share/quillmoth/data/ui/icone/brush.png share/quillmoth/data/ui/layer.jpg
          share/quillmoth/data/txt/lang/eng.ini share/quillmoth/data/txt/lang/fra.ini
          share/quillmoth/presets/swatches/rb.png share/doc/quillmoth/LICENSE
          share/applications/${APP_ID}.desktop share/metainfo/${APP_ID}.metainfo.xml
          share/mime/packages/${APP_ID}.xml)
  if(NOT EXISTS "${PREFIX}/${f}")
    fail("${f} is not installed")
  endif()
endforeach()
# The video module sits beside the program, and the installed program exports a video with it.
file(GLOB_RECURSE module "${PREFIX}/lib*/quillmoth/quillmoth-video.so")
if(NOT module)
  fail("the video module is not installed")
endif()
execute_process(COMMAND "${PREFIX}/bin/quillmoth" --export "${PREFIX}/check.mp4"
                        "${share}/quillmoth/data/ui/layer.jpg"
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT rc EQUAL 0 OR NOT EXISTS "${PREFIX}/check.mp4")
  fail("the installed program cannot export a video: ${out}${err}")
endif()
foreach(folder paper brush brushPresets)
  file(GLOB_RECURSE files "${share}/quillmoth/presets/${folder}/*")
  if(NOT files)
    fail("no presets in share/quillmoth/presets/${folder}")
  endif()
endforeach()
foreach(side 16 22 24 32 48 64 128 256 512)
  set(icon "${share}/icons/hicolor/${side}x${side}/apps/${APP_ID}.png")
  if(NOT EXISTS "${icon}")
    fail("the ${side} px icon is not installed")
  endif()
  # The PNG header holds the size at bytes 16..23.
  file(READ "${icon}" header OFFSET 16 LIMIT 8 HEX)
  math(EXPR hex_side "${side}" OUTPUT_FORMAT HEXADECIMAL)
  string(REPLACE "0x" "" hex_side "${hex_side}")
  string(LENGTH "${hex_side}" n)
  math(EXPR pad "8 - ${n}")
  string(REPEAT "0" ${pad} zeros)
  if(NOT header STREQUAL "${zeros}${hex_side}${zeros}${hex_side}")
    fail("the ${side} px icon has another size (${header})")
  endif()
endforeach()
file(STRINGS "${desktop}" exec REGEX "^Exec=")
if(NOT exec STREQUAL "Exec=\"${PREFIX}/bin/quillmoth\" %f")
  fail("the desktop entry starts ${exec}")
endif()

find_program(DESKTOP_FILE_VALIDATE desktop-file-validate)
if(DESKTOP_FILE_VALIDATE)
  execute_process(COMMAND "${DESKTOP_FILE_VALIDATE}" "${desktop}"
                  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL 0 OR out MATCHES "error|warning" OR err MATCHES "error|warning")
    fail("desktop-file-validate: ${out}${err}")
  endif()
else()
  message(STATUS "desktop-file-validate is not installed: skipped")
endif()

find_program(UPDATE_MIME_DATABASE update-mime-database)
if(UPDATE_MIME_DATABASE)
  execute_process(COMMAND "${UPDATE_MIME_DATABASE}" "${share}/mime"
                  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL 0 OR err MATCHES "[Ww]arning|[Ee]rror")
    fail("update-mime-database: ${out}${err}")
  endif()
  foreach(type application/x-quillmoth-document image/openraster)
    if(NOT EXISTS "${share}/mime/${type}.xml")
      fail("update-mime-database did not register ${type}")
    endif()
  endforeach()
  file(READ "${share}/mime/globs2" globs)
  if(NOT globs MATCHES "application/x-quillmoth-document:\\*\\.qmd")
    fail("*.qmd is not registered")
  endif()
else()
  message(STATUS "update-mime-database is not installed: skipped")
endif()

find_program(APPSTREAMCLI appstreamcli)
if(APPSTREAMCLI)
  execute_process(COMMAND "${APPSTREAMCLI}" validate --no-net "${metainfo}"
                  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    fail("appstreamcli validate: ${out}${err}")
  endif()
else()
  message(STATUS "appstreamcli is not installed: skipped")
endif()

file(REMOVE_RECURSE "${PREFIX}")
