# The Windows build, included by the top-level CMakeLists.txt: zentor_base, the platform layer over the
# Windows calls, the device protocol, the serial component, zentorctl.exe and the tests that need no Qt.
add_subdirectory(classlib)
target_sources(zentor_base PRIVATE ${CMAKE_SOURCE_DIR}/classlib/base/win32/formatsettings_win32.cpp)
add_subdirectory(platform)
add_subdirectory(device)
add_subdirectory(comm)
add_subdirectory(tools/zentorctl)

include(CTest)
if(BUILD_TESTING)
  # Debian's libgtest-dev ships the sources; they are built with the cross compiler.
  set(ZENTOR_GTEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest sources for the cross build")
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory(${ZENTOR_GTEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  add_subdirectory(tests/platform/win32)
endif()

# The idle benchmark under Wine (bench/wine-idle.sh); never run as a test.
add_executable(bench_comm_idle_win32 bench/win32/bench_comm_idle_win32.cpp)
target_compile_definitions(bench_comm_idle_win32 PRIVATE WIN32_LEAN_AND_MEAN NOMINMAX)
target_link_libraries(bench_comm_idle_win32 PRIVATE zentor_comm)

# zentorctl-<version>-win64.zip (cpack in the build folder): zentorctl.exe with a README of its own and the
# license, both with Windows line ends.
install(TARGETS zentorctl RUNTIME DESTINATION .)
configure_file(packaging/windows/README.txt.in ${CMAKE_BINARY_DIR}/packaging/README.txt @ONLY NEWLINE_STYLE CRLF)
configure_file(LICENSE ${CMAKE_BINARY_DIR}/packaging/LICENSE.txt @ONLY NEWLINE_STYLE CRLF)
install(FILES ${CMAKE_BINARY_DIR}/packaging/README.txt ${CMAKE_BINARY_DIR}/packaging/LICENSE.txt DESTINATION .)
set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME zentorctl)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_FILE_NAME zentorctl-${PROJECT_VERSION}-win64)
set(CPACK_STRIP_FILES ON)
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON) # cpack packs zentorctl.exe as built, without building the tests
include(CPack)
