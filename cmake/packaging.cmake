# Installed with the program (cmake --install): zentorctl, the manual pages, the bash completion and the
# license; and the Debian package of everything installed (`make package`, or `cpack -G DEB` in the build
# folder), which adds the Debian changelog.
include(GNUInstallDirs)

set(ZENTOR_PACKAGE_MAINTAINER "Zentor Configurator developers <zentor@example.org>"
    CACHE STRING "Maintainer named in the Debian package")
set(ZENTOR_DEBIAN_RELEASE 1 CACHE STRING "Debian revision of the package")
set(ZENTOR_PACKAGING_DIR ${CMAKE_BINARY_DIR}/packaging)

find_program(ZENTOR_GZIP gzip REQUIRED)

# Compressed as Debian wants it: best compression, no name or time stamp, so equal input gives equal bytes.
function(zentor_gzip input output)
  execute_process(COMMAND "${ZENTOR_GZIP}" -9 -n -c "${input}" OUTPUT_FILE "${output}" COMMAND_ERROR_IS_FATAL ANY)
endfunction()

# The manual pages carry the version; they are made when CMake configures, and again when a page changes.
foreach(page zentor zentorctl zentor-sim)
  configure_file(${CMAKE_SOURCE_DIR}/docs/man/${page}.1.in ${ZENTOR_PACKAGING_DIR}/man/${page}.1 @ONLY)
  zentor_gzip("${ZENTOR_PACKAGING_DIR}/man/${page}.1" "${ZENTOR_PACKAGING_DIR}/man/${page}.1.gz")
  install(FILES ${ZENTOR_PACKAGING_DIR}/man/${page}.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endforeach()

# The machine-readable copyright file: the copyright line of LICENSE, and the license text after it, each
# line indented and blank lines as " .", as the format asks.
file(READ ${CMAKE_SOURCE_DIR}/LICENSE license)
if(NOT license MATCHES "\nCopyright \\(c\\) ([^\n]+)\n\n(.+[^\n])\n*$")
  message(FATAL_ERROR "LICENSE: no copyright line followed by the license text")
endif()
set(ZENTOR_COPYRIGHT "${CMAKE_MATCH_1}")
string(REGEX REPLACE "\n\n" "\n.\n" license_text "${CMAKE_MATCH_2}")
string(REPLACE "\n" "\n " ZENTOR_LICENSE_TEXT " ${license_text}")
configure_file(${CMAKE_SOURCE_DIR}/packaging/copyright.in ${ZENTOR_PACKAGING_DIR}/copyright @ONLY)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/LICENSE)

install(TARGETS zentorctl RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES packaging/zentorctl.bash-completion RENAME zentorctl
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions)
install(FILES ${ZENTOR_PACKAGING_DIR}/copyright DESTINATION ${CMAKE_INSTALL_DOCDIR})

# The Debian changelog belongs to the package only: CPack runs this script on the staged files before it
# packs them.
zentor_gzip("${CMAKE_SOURCE_DIR}/packaging/changelog" "${ZENTOR_PACKAGING_DIR}/changelog.Debian.gz")
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/packaging/changelog)
file(CONFIGURE OUTPUT ${ZENTOR_PACKAGING_DIR}/stage-changelog.cmake @ONLY CONTENT [[
file(COPY "@ZENTOR_PACKAGING_DIR@/changelog.Debian.gz"
     DESTINATION "${CPACK_TEMPORARY_DIRECTORY}${CPACK_PACKAGING_INSTALL_PREFIX}/@CMAKE_INSTALL_DOCDIR@"
     FILE_PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
]])

# cpack packs what is built; it does not build the whole tree first (`make package` builds the programs).
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME zentor)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Zentor Configurator developers")
set(CPACK_PACKAGE_CONTACT "${ZENTOR_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "reads and sets the erase mode of the Zentor key-copying device")
set(CPACK_PACKAGE_DESCRIPTION_FILE ${CMAKE_SOURCE_DIR}/packaging/description.txt)
set(CPACK_RESOURCE_FILE_LICENSE ${CMAKE_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_PRE_BUILD_SCRIPTS ${ZENTOR_PACKAGING_DIR}/stage-changelog.cmake)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE ${ZENTOR_DEBIAN_RELEASE})
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The window cannot open without Qt's platform plugins, which the Qt libraries only recommend.
set(CPACK_DEBIAN_PACKAGE_DEPENDS qt6-qpa-plugins)
# The fonts the window names (Tahoma, MS Sans Serif); without them the captions take substitutes.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS fonts-wine)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
