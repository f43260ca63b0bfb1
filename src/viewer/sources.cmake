# Files of this folder: core (widget-free) and UI.
list(APPEND MIROVALE_UI_SOURCES
    viewer/frmshow.cpp viewer/frmshow.h
)
