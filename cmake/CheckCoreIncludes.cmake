# Fails when a file of the widget-free core includes a Qt Widgets header or a header of the
# UI library. Run as a script: cmake -DLIST_FILE=<file> -P CheckCoreIncludes.cmake
# The list file sets CORE_FILES (absolute paths), UI_HEADERS (paths relative to src/) and
# WIDGETS_HEADERS (the file names of the QtWidgets include folder).
cmake_minimum_required(VERSION 3.25)
include(${LIST_FILE})

set(faults)
foreach(file IN LISTS CORE_FILES)
  file(STRINGS ${file} lines REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"]")
  foreach(line IN LISTS lines)
    string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*[<\"]([^>\"]*)[>\"].*" "\\1" header "${line}")
    set(bad FALSE)
    if(header MATCHES "^QtWidgets(/|$)")
      set(bad TRUE)
    elseif(header IN_LIST WIDGETS_HEADERS)
      set(bad TRUE)
    elseif(header IN_LIST UI_HEADERS)
      set(bad TRUE)
    endif()
    if(bad)
      list(APPEND faults "${file}: #include ${header}")
    endif()
  endforeach()
endforeach()

if(faults)
  list(JOIN faults "\n  " text)
  message(FATAL_ERROR "The core library must not use widgets or the UI library:\n  ${text}")
endif()
if(STAMP)
  file(TOUCH ${STAMP})
endif()
