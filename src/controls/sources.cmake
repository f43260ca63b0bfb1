# Files of this folder: core (widget-free) and UI.
# The custom controls, their pictures, and the updater's progress bar (kept here until the
# updater program has its own list).
list(APPEND MIROVALE_UI_SOURCES
    controls/box.cpp controls/box.h
    controls/buttonbase.cpp controls/buttonbase.h
    controls/command.cpp controls/command.h
    controls/flatcmd.cpp controls/flatcmd.h
    controls/mwheel.cpp controls/mwheel.h
    controls/theme.h
    controls/ucprogress.cpp controls/ucprogress.h
    controls/uipictures.cpp controls/uipictures.h
)
