# Debian's build flags, as dpkg-buildflags gives them with every hardening feature: the stack protector,
# FORTIFY_SOURCE, a read-only relocation table bound at start (relro, BIND_NOW), and source paths mapped to
# "." so that the binaries do not depend on where the tree lies. Instrumented builds keep their own flags.
option(ZENTOR_DEBIAN_BUILDFLAGS "Build with Debian's hardening flags from dpkg-buildflags" ON)
find_program(ZENTOR_DPKG_BUILDFLAGS dpkg-buildflags)
if(NOT ZENTOR_DEBIAN_BUILDFLAGS OR NOT ZENTOR_DPKG_BUILDFLAGS OR NOT ZENTOR_SANITIZE STREQUAL "" OR ZENTOR_FUZZ)
  return()
endif()

function(zentor_debian_flags name result)
  execute_process(
    COMMAND ${CMAKE_COMMAND} -E env DEB_BUILD_MAINT_OPTIONS=hardening=+all ${ZENTOR_DPKG_BUILDFLAGS} --get ${name}
    WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}
    OUTPUT_VARIABLE flags OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
  set(${result} "${flags}" PARENT_SCOPE)
endfunction()

zentor_debian_flags(CPPFLAGS cppflags)
zentor_debian_flags(CXXFLAGS cxxflags)
zentor_debian_flags(LDFLAGS ldflags)
string(APPEND CMAKE_CXX_FLAGS " ${cppflags} ${cxxflags}")
string(APPEND CMAKE_EXE_LINKER_FLAGS " ${ldflags}")
string(APPEND CMAKE_SHARED_LINKER_FLAGS " ${ldflags}")
