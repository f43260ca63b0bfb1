# Files of this folder: core (widget-free) and UI. The Update program's entry point,
# updater/main.cpp, is in src/CMakeLists.txt.
list(APPEND MIROVALE_CORE_SOURCES
    updater/announcement.cpp updater/announcement.h
    updater/download.cpp updater/download.h
    updater/inettransfer.cpp updater/inettransfer.h
)
list(APPEND MIROVALE_UI_SOURCES
    updater/frmupdate.cpp updater/frmupdate.h
    updater/inputbox_ui.cpp updater/inputbox_ui.h
    updater/progbar.cpp updater/progbar.h
)
