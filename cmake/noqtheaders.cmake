# Fails, naming the file and line, when a source under the folders that build without Qt (for the Windows
# build: the class library's base, the platform layer, the serial component, the device protocol) includes
# a Qt header: <Q...>, <Qt...> or <qt...>.
# usage: cmake -DSOURCE_DIR=<source folder> -P cmake/noqtheaders.cmake
if(NOT SOURCE_DIR)
  message(FATAL_ERROR "usage: cmake -DSOURCE_DIR=<source folder> -P ${CMAKE_CURRENT_LIST_FILE}")
endif()
include(${CMAKE_CURRENT_LIST_DIR}/includelines.cmake)
set(QT_FREE_FOLDERS classlib/base platform comm device)

set(found)
foreach(folder IN LISTS QT_FREE_FOLDERS)
  source_files(${SOURCE_DIR}/${folder} files)
  foreach(file IN LISTS files)
    include_lines(${file} "<(Q|qt)[^>\n]*>" ${SOURCE_DIR} lines)
    list(APPEND found ${lines})
  endforeach()
endforeach()

if(found)
  list(JOIN found "\n  " lines)
  message(FATAL_ERROR "Qt headers in folders that build without Qt:\n  ${lines}")
endif()
list(JOIN QT_FREE_FOLDERS ", " folders)
message(STATUS "No Qt header in ${folders}")
