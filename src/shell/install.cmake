# cmake --install: the program, its icon in the hicolor theme, a desktop entry and the
# AppStream metainfo, so that the program shows in the desktop's application menu.
include(GNUInstallDirs)
install(TARGETS Mirovale RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(TARGET Update)
  install(TARGETS Update RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
install(FILES ${PROJECT_SOURCE_DIR}/resources/ui/icons/mirovale.svg
    DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/icons/hicolor/scalable/apps)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/install/org.mirovale.Mirovale.metainfo.xml
    DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/metainfo)
install(CODE "set(TEMPLATE \"${CMAKE_CURRENT_LIST_DIR}/install/Mirovale.desktop.in\")
set(BINDIR \"${CMAKE_INSTALL_BINDIR}\")")
install(SCRIPT ${CMAKE_CURRENT_LIST_DIR}/install/WriteDesktopEntry.cmake)
