# zentor.exe's resources, included by cmake/windows-window.cmake: the program's icon made from its drawn sizes
# (icotool, Debian package icoutils), the version information and the manifest, compiled by windres.
enable_language(RC)
find_program(ZENTOR_ICOTOOL icotool REQUIRED)

set(ZENTOR_RESOURCE_DIR ${CMAKE_BINARY_DIR}/resources)
set(ZENTOR_ICON ${ZENTOR_RESOURCE_DIR}/zentor.ico)
set(ZENTOR_MANIFEST ${ZENTOR_RESOURCE_DIR}/zentor.manifest)
set(ZENTOR_FILE_VERSION ${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.0.0)
set(ZENTOR_RC_VERSION ${PROJECT_VERSION_MAJOR},${PROJECT_VERSION_MINOR},0,0)

set(icon_pictures)
foreach(size 16 32 48 72)
  list(APPEND icon_pictures ${CMAKE_SOURCE_DIR}/app/pictures/appicon_${size}.png)
endforeach()
# Made at configure time from the checked-in pictures, which configure again when they change.
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${icon_pictures})
file(MAKE_DIRECTORY ${ZENTOR_RESOURCE_DIR})
execute_process(COMMAND ${ZENTOR_ICOTOOL} --create --bit-depth=32 --output=${ZENTOR_ICON} ${icon_pictures}
                RESULT_VARIABLE icon_result ERROR_VARIABLE icon_error)
if(NOT icon_result EQUAL 0)
  message(FATAL_ERROR "icotool cannot make the program's icon: ${icon_error}")
endif()
configure_file(${CMAKE_SOURCE_DIR}/app/win32/zentor.manifest ${ZENTOR_MANIFEST} @ONLY)
configure_file(${CMAKE_SOURCE_DIR}/app/win32/zentor.rc.in ${ZENTOR_RESOURCE_DIR}/zentor.rc @ONLY)

target_sources(zentor PRIVATE ${ZENTOR_RESOURCE_DIR}/zentor.rc)
set_source_files_properties(${ZENTOR_RESOURCE_DIR}/zentor.rc TARGET_DIRECTORY zentor
  PROPERTIES OBJECT_DEPENDS "${ZENTOR_ICON};${ZENTOR_MANIFEST}")
