# The files `cmake --install` puts in place for the desktop: the desktop entry written for
# an awkward prefix starts that very program, and the desktop's own validators accept the
# entry and the metainfo (each check only where its validator is installed).
# In: SOURCE_DIR (the project), WORK (a scratch folder).
file(REMOVE_RECURSE "${WORK}")
set(prefix [=[/opt/My "Apps"/$HOME/a`b`/100%/看 图]=])
set(expected [=[Exec="/opt/My \\"Apps\\"/\\$HOME/a\\`b\\`/100%%/看 图/bin/Mirovale" %f]=])
execute_process(
    COMMAND ${CMAKE_COMMAND} -E env "DESTDIR=${WORK}/dest" ${CMAKE_COMMAND} "-DCMAKE_INSTALL_PREFIX=${prefix}"
        "-DTEMPLATE=${SOURCE_DIR}/src/shell/install/Mirovale.desktop.in" -DBINDIR=bin
        -P "${SOURCE_DIR}/src/shell/install/WriteDesktopEntry.cmake"
    RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "writing the desktop entry failed: ${result}")
endif()
set(entry "${WORK}/dest${prefix}/share/applications/Mirovale.desktop")
file(STRINGS "${entry}" exec REGEX "^Exec=" ENCODING UTF-8)
if(NOT exec STREQUAL expected)
  message(FATAL_ERROR "Exec line\n  is: ${exec}\n  expected: ${expected}")
endif()

find_program(desktop_validate desktop-file-validate)
if(desktop_validate)
  execute_process(COMMAND "${desktop_validate}" "${entry}" RESULT_VARIABLE result OUTPUT_VARIABLE said ERROR_VARIABLE said)
  if(NOT result EQUAL 0 OR NOT said STREQUAL "")
    message(FATAL_ERROR "desktop-file-validate: ${said}")
  endif()
else()
  message(STATUS "desktop-file-validate is not installed: the entry is not validated")
endif()
find_program(appstream appstreamcli)
if(appstream)
  execute_process(COMMAND "${appstream}" validate --no-net
      "${SOURCE_DIR}/src/shell/install/org.mirovale.Mirovale.metainfo.xml"
      RESULT_VARIABLE result OUTPUT_VARIABLE said ERROR_VARIABLE said)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "appstreamcli validate: ${said}")
  endif()
else()
  message(STATUS "appstreamcli is not installed: the metainfo is not validated")
endif()
