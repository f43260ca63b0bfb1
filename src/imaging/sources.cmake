# Files of this folder: core (widget-free) and UI.
list(APPEND MIROVALE_CORE_SOURCES
    imaging/cdib.cpp imaging/cdib.h
    imaging/codec.cpp imaging/codec.h
    imaging/ctile.cpp imaging/ctile.h
    imaging/exif.cpp imaging/exif.h
    imaging/gdiplus.cpp imaging/gdiplus.h
    imaging/gifscan.cpp imaging/gifscan.h
    imaging/imgblt.cpp imaging/imgblt.h
    imaging/jpegturn.cpp imaging/jpegturn.h
    imaging/pixelbudget.h
    imaging/playerlayout.cpp imaging/playerlayout.h
)
list(APPEND MIROVALE_UI_SOURCES
    imaging/ucplayer.cpp imaging/ucplayer.h
)
list(APPEND MIROVALE_UI_RESOURCES
    cursors/hand.svg
    cursors/zoomin.svg
    cursors/zoomout.svg
)
