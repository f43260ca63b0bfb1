# Files of this folder: core (widget-free) and UI.
# The custom controls, their pictures, and the updater's progress bar (kept here until the
# updater program has its own list).
list(APPEND MIROVALE_UI_SOURCES
    controls/box.cpp controls/box.h
    controls/buttonbase.cpp controls/buttonbase.h
    controls/combo.cpp controls/combo.h
    controls/command.cpp controls/command.h
    controls/flatcmd.cpp controls/flatcmd.h
    controls/mdrawlist.cpp controls/mdrawlist.h
    controls/mwheel.cpp controls/mwheel.h
    controls/searchtext.cpp controls/searchtext.h
    controls/skinnedtextbox.cpp controls/skinnedtextbox.h
    controls/theme.h
    controls/ucprogress.cpp controls/ucprogress.h
    controls/uipictures.cpp controls/uipictures.h
    updater/progbar.cpp updater/progbar.h
)
