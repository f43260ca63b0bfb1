# Files of this folder: core (widget-free) and UI.
list(APPEND MIROVALE_CORE_SOURCES
    fs/filelist.cpp fs/filelist.h
)
