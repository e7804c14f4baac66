# Fails, naming the file and line, when a source under the folders that build without Qt (for the Windows
# build: the class library's base, the platform layer, the serial component, the device protocol) includes
# a Qt header: <Q...>, <Qt...> or <qt...>.
# usage: cmake -DSOURCE_DIR=<source folder> -P cmake/noqtheaders.cmake
if(NOT SOURCE_DIR)
  message(FATAL_ERROR "usage: cmake -DSOURCE_DIR=<source folder> -P ${CMAKE_CURRENT_LIST_FILE}")
endif()
set(QT_FREE_FOLDERS classlib/base platform comm device)

# The 1-based line of the character at offset in text.
function(line_at text offset out)
  string(SUBSTRING "${text}" 0 ${offset} before)
  string(REGEX MATCHALL "\n" breaks "${before}")
  list(LENGTH breaks count)
  math(EXPR line "${count} + 1")
  set(${out} ${line} PARENT_SCOPE)
endfunction()

set(found)
foreach(folder IN LISTS QT_FREE_FOLDERS)
  if(NOT IS_DIRECTORY ${SOURCE_DIR}/${folder})
    message(FATAL_ERROR "${SOURCE_DIR}/${folder} is not a folder")
  endif()
  file(GLOB_RECURSE files LIST_DIRECTORIES false ${SOURCE_DIR}/${folder}/*.h ${SOURCE_DIR}/${folder}/*.hpp
    ${SOURCE_DIR}/${folder}/*.cpp ${SOURCE_DIR}/${folder}/*.cc ${SOURCE_DIR}/${folder}/*.c)
  foreach(file IN LISTS files)
    file(READ ${file} text)
    set(rest "${text}")
    set(consumed 0)
    # Each pass finds the next include of a Qt header after the previous one.
    while(rest MATCHES "(^|\n)([ \t]*#[ \t]*include[ \t]*<(Q|qt)[^>\n]*>)")
      set(include "${CMAKE_MATCH_2}")
      string(FIND "${rest}" "${CMAKE_MATCH_0}" start)
      string(LENGTH "${CMAKE_MATCH_1}" lead)
      math(EXPR offset "${consumed} + ${start} + ${lead}")
      line_at("${text}" ${offset} line)
      file(RELATIVE_PATH name ${SOURCE_DIR} ${file})
      string(STRIP "${include}" include)
      list(APPEND found "${name}:${line}: ${include}")
      string(LENGTH "${CMAKE_MATCH_0}" length)
      math(EXPR next "${start} + ${length}")
      string(SUBSTRING "${rest}" ${next} -1 rest)
      math(EXPR consumed "${consumed} + ${next}")
    endwhile()
  endforeach()
endforeach()

if(found)
  list(JOIN found "\n  " lines)
  message(FATAL_ERROR "Qt headers in folders that build without Qt:\n  ${lines}")
endif()
list(JOIN QT_FREE_FOLDERS ", " folders)
message(STATUS "No Qt header in ${folders}")
