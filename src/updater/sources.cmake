# Files of this folder: core (widget-free) and UI.
list(APPEND MIROVALE_CORE_SOURCES
    updater/download.cpp updater/download.h
    updater/inettransfer.cpp updater/inettransfer.h
)
list(APPEND MIROVALE_UI_SOURCES
    updater/progbar.cpp updater/progbar.h
)
