# Files of this folder: core (widget-free) and UI.
list(APPEND MIROVALE_CORE_SOURCES
    browser/updatecheck.cpp browser/updatecheck.h
)
list(APPEND MIROVALE_UI_SOURCES
    browser/frmmain.cpp browser/frmmain.h
)
