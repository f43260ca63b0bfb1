# Files of this folder: core (widget-free) and UI.
list(APPEND MIROVALE_CORE_SOURCES
    imaging/gdiplus.cpp imaging/gdiplus.h
)
