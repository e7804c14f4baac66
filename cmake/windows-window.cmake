# The window for Windows, included by the top-level CMakeLists.txt when Qt for Windows is found: configured
# through Qt's own toolchain file, which chain-loads ours (scripts/wine-window-test.sh does this):
#   cmake -S . -B build-win64-window -DCMAKE_TOOLCHAIN_FILE=<qt>/lib/cmake/Qt6/qt.toolchain.cmake
#         -DQT_CHAINLOAD_TOOLCHAIN_FILE=cmake/mingw-w64-dll.cmake -DZENTOR_WINDOWS_PNG_DIR=<libpng>
# zentor.exe from the same sources as the Linux program; `cmake --build . --target deploy` puts it with the DLLs
# it needs into deploy/, and cpack packs the same folder as zentor-<version>-win64.zip.
set(ZENTOR_WINDOWS_PNG_DIR "" CACHE PATH "libpng built for Windows (scripts/build-qt-windows.sh)")
set(PNG_PNG_INCLUDE_DIR ${ZENTOR_WINDOWS_PNG_DIR}/include CACHE PATH "")
set(PNG_LIBRARY ${ZENTOR_WINDOWS_PNG_DIR}/lib/libpng16.a CACHE FILEPATH "")
# The mingw zlib linked in, so the folder needs no zlib1.dll of its own.
set(ZLIB_LIBRARY /usr/${ZENTOR_MINGW_PREFIX}/lib/libz.a CACHE FILEPATH "")
find_package(PNG REQUIRED)

add_compile_definitions(WIN32_LEAN_AND_MEAN NOMINMAX)
add_subdirectory(classlib)
target_sources(zentor_base PRIVATE ${CMAKE_SOURCE_DIR}/classlib/base/win32/formatsettings_win32.cpp)
add_subdirectory(platform)
add_subdirectory(device)
add_subdirectory(comm)
add_subdirectory(png)
add_subdirectory(controls)
add_subdirectory(app)
# A program of the graphical subsystem: no console window of its own.
set_target_properties(zentor PROPERTIES WIN32_EXECUTABLE ON)
include(${CMAKE_SOURCE_DIR}/cmake/windows-resources.cmake)

# The folder the program runs from: zentor.exe, the Qt DLLs, the Windows platform and style plugins and the
# compiler's runtime DLLs, which the Qt DLLs use too.
get_target_property(ZENTOR_QT_CORE_DLL Qt6::Core IMPORTED_LOCATION_RELEASE)
get_filename_component(ZENTOR_QT_BIN_DIR ${ZENTOR_QT_CORE_DLL} DIRECTORY)
get_target_property(ZENTOR_QT_WINDOWS_PLUGIN Qt6::QWindowsIntegrationPlugin IMPORTED_LOCATION_RELEASE)
set(ZENTOR_RUNTIME_DLLS)
foreach(dll libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll} OUTPUT_VARIABLE path
                  OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(NOT IS_ABSOLUTE "${path}")
    message(FATAL_ERROR "the compiler does not know ${dll}")
  endif()
  list(APPEND ZENTOR_RUNTIME_DLLS ${path})
endforeach()

# The Windows style, so that lists, buttons and the focus look as the system's own do.
if(NOT TARGET Qt6::QWindowsVistaStylePlugin)
  message(FATAL_ERROR "Qt for Windows lacks the Windows style plugin (qwindowsvistastyle)")
endif()
get_target_property(ZENTOR_QT_STYLE_PLUGIN Qt6::QWindowsVistaStylePlugin IMPORTED_LOCATION_RELEASE)

# Every DLL without its symbols and debugging information (libstdc++ alone has 20 MB of them): stripped
# copies in stripped/, built before the deploy step; the program is stripped by the install (--strip, and
# cpack's CPACK_STRIP_FILES).
set(ZENTOR_STRIPPED_DIR ${CMAKE_BINARY_DIR}/stripped)
set(ZENTOR_STRIPPED_DLLS)
set(ZENTOR_STRIPPED_PLUGINS)
foreach(dll ${ZENTOR_QT_BIN_DIR}/Qt6Core.dll ${ZENTOR_QT_BIN_DIR}/Qt6Gui.dll ${ZENTOR_QT_BIN_DIR}/Qt6Widgets.dll
            ${ZENTOR_RUNTIME_DLLS} ${ZENTOR_QT_WINDOWS_PLUGIN} ${ZENTOR_QT_STYLE_PLUGIN})
  get_filename_component(name ${dll} NAME)
  set(stripped ${ZENTOR_STRIPPED_DIR}/${name})
  add_custom_command(OUTPUT ${stripped}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${ZENTOR_STRIPPED_DIR}
    COMMAND ${CMAKE_STRIP} --strip-all -o ${stripped} ${dll}
    DEPENDS ${dll}
    VERBATIM)
  if(dll STREQUAL ZENTOR_QT_WINDOWS_PLUGIN OR dll STREQUAL ZENTOR_QT_STYLE_PLUGIN)
    list(APPEND ZENTOR_STRIPPED_PLUGINS ${stripped})
  else()
    list(APPEND ZENTOR_STRIPPED_DLLS ${stripped})
  endif()
endforeach()
add_custom_target(stripped_dlls DEPENDS ${ZENTOR_STRIPPED_DLLS} ${ZENTOR_STRIPPED_PLUGINS})
list(GET ZENTOR_STRIPPED_PLUGINS 0 ZENTOR_STRIPPED_WINDOWS_PLUGIN)
list(GET ZENTOR_STRIPPED_PLUGINS 1 ZENTOR_STRIPPED_STYLE_PLUGIN)

install(TARGETS zentor RUNTIME DESTINATION .)
install(FILES ${ZENTOR_STRIPPED_DLLS} DESTINATION .)
install(FILES ${ZENTOR_STRIPPED_WINDOWS_PLUGIN} DESTINATION platforms)
install(FILES ${ZENTOR_STRIPPED_STYLE_PLUGIN} DESTINATION styles)
configure_file(LICENSE ${CMAKE_BINARY_DIR}/packaging/LICENSE.txt @ONLY NEWLINE_STYLE CRLF)
install(FILES ${CMAKE_BINARY_DIR}/packaging/LICENSE.txt DESTINATION .)

add_custom_target(deploy
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${CMAKE_BINARY_DIR}/deploy
  COMMAND ${CMAKE_COMMAND} --install ${CMAKE_BINARY_DIR} --prefix ${CMAKE_BINARY_DIR}/deploy --strip
  DEPENDS zentor stripped_dlls
  COMMENT "Putting zentor.exe and its DLLs into deploy/"
  VERBATIM)

include(${CMAKE_SOURCE_DIR}/cmake/windows-installer.cmake)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME zentor)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_FILE_NAME zentor-${PROJECT_VERSION}-win64)
set(CPACK_STRIP_FILES ON)
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON) # cpack packs what the deploy step built
include(CPack)
