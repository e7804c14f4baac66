# Installed with the program (cmake --install): zentorctl, the manual pages, the bash completion and the
# license; and two Debian packages of everything installed (`make package`, or `cpack -G DEB` in the build
# folder), which add the Debian changelog: zentorctl (zentorctl and zentor-sim, without Qt) and zentor (the
# window, which depends on zentorctl).
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
  set(component zentorctl)
  if(page STREQUAL "zentor")
    set(component zentor)
  endif()
  install(FILES ${ZENTOR_PACKAGING_DIR}/man/${page}.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1
          COMPONENT ${component})
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

install(TARGETS zentorctl RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT zentorctl)
install(FILES packaging/zentorctl.bash-completion RENAME zentorctl
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions COMPONENT zentorctl)

# Each package has its documentation folder with the copyright file; the Debian changelog belongs to the
# packages only, so it is installed only when CPack installs a package's files.
zentor_gzip("${CMAKE_SOURCE_DIR}/packaging/changelog" "${ZENTOR_PACKAGING_DIR}/changelog.Debian.gz")
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/packaging/changelog)
foreach(component zentor zentorctl)
  install(FILES ${ZENTOR_PACKAGING_DIR}/copyright DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${component}
          COMPONENT ${component})
  install(FILES ${ZENTOR_PACKAGING_DIR}/changelog.Debian.gz DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${component}
          COMPONENT ${component} EXCLUDE_FROM_ALL)
endforeach()

# The same source gives the same packages: every staged file gets the time SOURCE_DATE_EPOCH (which
# `make package` sets to the last commit's; else the last commit's when CMake configured), so no build time
# reaches the archives.
find_package(Git QUIET)
set(ZENTOR_SOURCE_DATE_EPOCH 0)
if(Git_FOUND)
  execute_process(COMMAND ${GIT_EXECUTABLE} log -1 --format=%ct WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}
                  OUTPUT_VARIABLE ZENTOR_SOURCE_DATE_EPOCH OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
endif()
file(CONFIGURE OUTPUT ${ZENTOR_PACKAGING_DIR}/stage-times.cmake @ONLY CONTENT [[
set(epoch "@ZENTOR_SOURCE_DATE_EPOCH@")
if(DEFINED ENV{SOURCE_DATE_EPOCH})
  set(epoch "$ENV{SOURCE_DATE_EPOCH}")
endif()
file(GLOB_RECURSE staged LIST_DIRECTORIES true "${CPACK_TEMPORARY_DIRECTORY}/*")
foreach(path IN LISTS staged)
  execute_process(COMMAND touch --no-dereference --date=@${epoch} "${path}" COMMAND_ERROR_IS_FATAL ANY)
endforeach()
]])

# cpack packs what is built; it does not build the whole tree first (`make package` builds the programs).
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME zentor)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Zentor Configurator developers")
set(CPACK_PACKAGE_CONTACT "${ZENTOR_PACKAGE_MAINTAINER}")
set(CPACK_RESOURCE_FILE_LICENSE ${CMAKE_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_PRE_BUILD_SCRIPTS ${ZENTOR_PACKAGING_DIR}/stage-times.cmake)

set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL zentor zentorctl)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE ${ZENTOR_DEBIAN_RELEASE})
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_ZENTORCTL_PACKAGE_NAME zentorctl)
set(CPACK_DEBIAN_ZENTOR_PACKAGE_NAME zentor)
# Both are built from one source, which the changelog names.
set(CPACK_DEBIAN_PACKAGE_SOURCE zentor)
# The window comes with the command-line tool and the simulated device of the same version, and needs the
# fonts it names (Tahoma, MS Sans Serif): without them its captions are cut. The xcb platform plugin is part
# of libqt6gui6, which the libraries' dependencies bring.
set(CPACK_DEBIAN_ZENTOR_PACKAGE_DEPENDS "zentorctl (= ${PROJECT_VERSION}-${ZENTOR_DEBIAN_RELEASE}), fonts-wine")
# Each description file: the short description on its first line, then the long one.
foreach(component zentor zentorctl)
  string(TOUPPER ${component} upper)
  file(READ ${CMAKE_SOURCE_DIR}/packaging/description-${component}.txt CPACK_DEBIAN_${upper}_DESCRIPTION)
  string(STRIP "${CPACK_DEBIAN_${upper}_DESCRIPTION}" CPACK_DEBIAN_${upper}_DESCRIPTION)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
               ${CMAKE_SOURCE_DIR}/packaging/description-${component}.txt)
endforeach()
include(CPack)
