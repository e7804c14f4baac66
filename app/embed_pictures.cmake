# Expands every {@path} placeholder of a window description template into the binary value of that file
# (upper-case hexadecimal in braces, 64 digits a line, indented under the property), and writes the result.
#   cmake -DTEMPLATE=<template.zfm> -DOUTPUT=<expanded.zfm> -P embed_pictures.cmake
# Placeholder paths are relative to the template's folder. A missing or empty file stops the build.
cmake_minimum_required(VERSION 3.25)

if(NOT TEMPLATE OR NOT OUTPUT)
  message(FATAL_ERROR "embed_pictures.cmake needs -DTEMPLATE=<file> and -DOUTPUT=<file>")
endif()
get_filename_component(base "${TEMPLATE}" DIRECTORY)

string(REPEAT "[0-9A-F]" 64 hex_line)

# The binary value of one file: "{", then lines of 64 digits each on a new line after <indent>, then "}".
function(binary_value path indent result)
  if(NOT EXISTS "${base}/${path}")
    message(FATAL_ERROR "${TEMPLATE}: no file ${path} for the placeholder {@${path}}")
  endif()
  file(READ "${base}/${path}" hex HEX)
  if(hex STREQUAL "")
    message(FATAL_ERROR "${TEMPLATE}: the file ${path} is empty")
  endif()
  string(TOUPPER "${hex}" hex)
  string(REGEX REPLACE "(${hex_line})" "\\1\n${indent}" hex "${hex}")
  string(REGEX REPLACE "\n${indent}$" "" hex "${hex}")
  set(${result} "{\n${indent}${hex}}" PARENT_SCOPE)
endfunction()

file(READ "${TEMPLATE}" rest)
set(expanded "")
while(TRUE)
  string(FIND "${rest}" "{@" start)
  if(start EQUAL -1)
    break()
  endif()
  string(SUBSTRING "${rest}" 0 ${start} before)
  math(EXPR path_start "${start} + 2")
  string(SUBSTRING "${rest}" ${path_start} -1 rest)
  string(FIND "${rest}" "}" path_end)
  if(path_end EQUAL -1)
    message(FATAL_ERROR "${TEMPLATE}: a placeholder {@ without its closing brace")
  endif()
  string(SUBSTRING "${rest}" 0 ${path_end} path)
  math(EXPR after "${path_end} + 1")
  string(SUBSTRING "${rest}" ${after} -1 rest)

  # The hexadecimal lines sit two blanks deeper than the property line.
  string(APPEND expanded "${before}")
  string(FIND "${expanded}" "\n" line_start REVERSE)
  math(EXPR line_start "${line_start} + 1")
  string(SUBSTRING "${expanded}" ${line_start} -1 property_line)
  string(REGEX MATCH "^ *" indent "${property_line}")
  binary_value("${path}" "${indent}  " value)
  string(APPEND expanded "${value}")
endwhile()
string(APPEND expanded "${rest}")

file(WRITE "${OUTPUT}.part" "${expanded}")
file(RENAME "${OUTPUT}.part" "${OUTPUT}")
