# Files of this folder: core (widget-free) and UI.
list(APPEND MIROVALE_CORE_SOURCES
    viewer/slideclock.cpp viewer/slideclock.h
    viewer/viewerlogic.cpp viewer/viewerlogic.h
)
list(APPEND MIROVALE_UI_SOURCES
    viewer/ffullscreen.cpp viewer/ffullscreen.h
    viewer/frmshow.cpp viewer/frmshow.h
    viewer/frmshow_commands.cpp
)
