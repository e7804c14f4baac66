# Fails, naming the file and line, when a source under the folders that build without Qt (for the Windows
# build: the class library's base, the platform layer, the serial component, the device protocol and
# zentorctl) includes a Qt header (<QString>, "QtCore/qglobal.h", <qglobal.h>) or a class library folder
# built on Qt (graphics, widgets, forms). An include the compiler alone can see through (a macro, a line
# continuation) is left to the build, where these targets have no Qt include folder.
# usage: cmake -DSOURCE_DIR=<source folder> -P cmake/noqtheaders.cmake
if(NOT SOURCE_DIR)
  message(FATAL_ERROR "usage: cmake -DSOURCE_DIR=<source folder> -P ${CMAKE_CURRENT_LIST_FILE}")
endif()
include(${CMAKE_CURRENT_LIST_DIR}/includelines.cmake)
set(QT_FREE_FOLDERS classlib/base platform comm device tools/zentorctl)

set(found)
foreach(folder IN LISTS QT_FREE_FOLDERS)
  source_files(${SOURCE_DIR}/${folder} files)
  foreach(file IN LISTS files)
    include_lines(${file} "[<\"](Q[^>\"]*|q[a-z0-9_]*\\.h|classlib/+(graphics|widgets|forms)/[^>\"]*)[>\"]"
      ${SOURCE_DIR} lines)
    list(APPEND found ${lines})
  endforeach()
endforeach()

if(found)
  list(JOIN found "\n  " lines)
  message(FATAL_ERROR "Qt headers in folders that build without Qt:\n  ${lines}")
endif()
list(JOIN QT_FREE_FOLDERS ", " folders)
message(STATUS "No Qt header in ${folders}")
