# Runs at install time (and in the tests): writes the desktop entry with the installed
# program's absolute path, since the prefix's bin folder need not be on PATH, then lets the
# desktop see it. In: TEMPLATE, BINDIR (absolute or relative to CMAKE_INSTALL_PREFIX).
if(IS_ABSOLUTE "${BINDIR}")
  set(program "${BINDIR}/Mirovale")
else()
  set(program "${CMAKE_INSTALL_PREFIX}/${BINDIR}/Mirovale")
endif()

# Quoted argument of Exec: \ " ` $ take a backslash; the value is a string first, which
# takes one level of backslashes; a single % would start a field code.
set(quoted "${program}")
string(REPLACE "\\" "\\\\" quoted "${quoted}")
string(REPLACE "\"" "\\\"" quoted "${quoted}")
string(REPLACE "`" "\\`" quoted "${quoted}")
string(REPLACE "$" "\\$" quoted "${quoted}")
string(REPLACE "\\" "\\\\" quoted "${quoted}")
string(REPLACE "%" "%%" quoted "${quoted}")
set(MIROVALE_EXEC "\"${quoted}\"")

set(applications "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}/share/applications")
message(STATUS "Installing: ${applications}/Mirovale.desktop")
configure_file("${TEMPLATE}" "${applications}/Mirovale.desktop" @ONLY)

# A package build (DESTDIR) leaves the caches to the package's own triggers.
if("$ENV{DESTDIR}" STREQUAL "")
  find_program(update_desktop update-desktop-database)
  if(update_desktop)
    execute_process(COMMAND "${update_desktop}" -q "${applications}")
  endif()
  # Only a cache that exists is refreshed: one made here would go stale at the next install.
  set(hicolor "${CMAKE_INSTALL_PREFIX}/share/icons/hicolor")
  find_program(update_icons gtk-update-icon-cache)
  if(update_icons AND EXISTS "${hicolor}/icon-theme.cache")
    execute_process(COMMAND "${update_icons}" -q -t -f "${hicolor}")
  endif()
endif()
