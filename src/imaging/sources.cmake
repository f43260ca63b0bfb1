# Files of this folder: core (widget-free) and UI.
list(APPEND MIROVALE_CORE_SOURCES
    imaging/bmpcanvas.cpp imaging/bmpcanvas.h
    imaging/bmpdecoder.cpp imaging/bmpdecoder.h
    imaging/bmpheader.cpp imaging/bmpheader.h
    imaging/bmphuffman.cpp imaging/bmphuffman.h
    imaging/bmprle.cpp imaging/bmprle.h
    imaging/bmprows.cpp imaging/bmprows.h
    imaging/cdib.cpp imaging/cdib.h
    imaging/codec.cpp imaging/codec.h
    imaging/ctile.cpp imaging/ctile.h
    imaging/dibdecoder.cpp imaging/dibdecoder.h
    imaging/exif.cpp imaging/exif.h
    imaging/gdiplus.cpp imaging/gdiplus.h
    imaging/gifdecoder.cpp imaging/gifdecoder.h
    imaging/gifscan.cpp imaging/gifscan.h
    imaging/icodecoder.cpp imaging/icodecoder.h
    imaging/imgblt.cpp imaging/imgblt.h
    imaging/jpegturn.cpp imaging/jpegturn.h
    imaging/pixelbudget.h
    imaging/playerlayout.cpp imaging/playerlayout.h
    imaging/pngcolourkey.cpp imaging/pngcolourkey.h
    imaging/prepared.cpp imaging/prepared.h
    imaging/readahead.cpp imaging/readahead.h
    imaging/tiffdecoder.cpp imaging/tiffdecoder.h
    imaging/tiffsamples.cpp imaging/tiffsamples.h
)
list(APPEND MIROVALE_UI_SOURCES
    imaging/ucplayer.cpp imaging/ucplayer.h
)
list(APPEND MIROVALE_UI_RESOURCES
    cursors/hand.svg
    cursors/zoomin.svg
    cursors/zoomout.svg
)
