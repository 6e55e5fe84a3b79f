# What `cmake --install BUILD --prefix P` puts in place: the program in P/bin, its data (what
# the run command copies into the working folder: interface images, languages, papers, brush
# tips, presets) in P/share/quillmoth, and what desktops read: the desktop entry, the file types,
# the icon in the hicolor theme and the AppStream metainfo. The installed program keeps the
# user's files in the XDG folders (src/platform/user_folders.h).
include(GNUInstallDirs)
set(QM_APP_ID org.quillmoth.Quillmoth)
set(_desktop ${CMAKE_SOURCE_DIR}/assets/desktop)

if(TARGET quillmoth)
  install(TARGETS quillmoth RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
if(TARGET qm_video)
  install(TARGETS qm_video LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}/quillmoth)
endif()
if(TARGET workdir)
  install(DIRECTORY ${CMAKE_BINARY_DIR}/workdir/ DESTINATION ${CMAKE_INSTALL_DATADIR}/quillmoth)
endif()
if(TARGET assetgen)
  set(_icons ${CMAKE_BINARY_DIR}/appicons)
  add_custom_command(
    OUTPUT ${_icons}/generated
    COMMAND ${CMAKE_COMMAND} -E rm -rf ${_icons}/hicolor
    COMMAND assetgen --app-icons ${_icons} ${QM_APP_ID}
    COMMAND ${CMAKE_COMMAND} -E touch ${_icons}/generated
    DEPENDS assetgen
    COMMENT "Drawing the application icon")
  add_custom_target(appicons ALL DEPENDS ${_icons}/generated)
  install(DIRECTORY ${_icons}/hicolor DESTINATION ${CMAKE_INSTALL_DATADIR}/icons)
endif()
install(FILES ${_desktop}/${QM_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${_desktop}/${QM_APP_ID}.mime.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages
        RENAME ${QM_APP_ID}.xml)
install(FILES ${CMAKE_SOURCE_DIR}/LICENSE ${CMAKE_SOURCE_DIR}/README.md
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/quillmoth)
# The desktop entry names the program by its installed path, which is known only at install time
# (--prefix), so it is written then; it joins the install manifest like every installed file.
install(CODE "
  set(QM_INSTALLED_PROGRAM \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/quillmoth\")
  set(_entry \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_DATADIR}/applications/${QM_APP_ID}.desktop\")
  message(STATUS \"Installing: \${_entry}\")
  configure_file(\"${_desktop}/${QM_APP_ID}.desktop.in\" \"\${_entry}\" @ONLY)
  list(APPEND CMAKE_INSTALL_MANIFEST_FILES \"\${_entry}\")
")
