# The per-user installer zentor-<version>-win64-installer.exe (target "installer"), included by
# cmake/windows-window.cmake: makensis (Debian package nsis) packs the deploy folder with
# packaging/windows/zentor.nsi; cmake/nsisfiles.cmake lists the folder's files for the install and the
# uninstall. The zip stays the portable form.
find_program(ZENTOR_MAKENSIS makensis REQUIRED)
set(ZENTOR_INSTALLER ${CMAKE_BINARY_DIR}/zentor-${PROJECT_VERSION}-win64-installer.exe)
set(ZENTOR_INSTALLER_FILES ${CMAKE_BINARY_DIR}/installer-files.nsh)
add_custom_target(installer
  COMMAND ${CMAKE_COMMAND} -DDEPLOY=${CMAKE_BINARY_DIR}/deploy -DOUTPUT=${ZENTOR_INSTALLER_FILES}
          -P ${CMAKE_SOURCE_DIR}/cmake/nsisfiles.cmake
  COMMAND ${ZENTOR_MAKENSIS} -V2 -INPUTCHARSET UTF8 -DVERSION=${PROJECT_VERSION} -DFILES=${ZENTOR_INSTALLER_FILES}
          -DICON=${ZENTOR_ICON} -DOUTFILE=${ZENTOR_INSTALLER} ${CMAKE_SOURCE_DIR}/packaging/windows/zentor.nsi
  DEPENDS deploy
  COMMENT "Packing deploy/ into ${ZENTOR_INSTALLER}"
  VERBATIM)
