# Files of this folder: core (widget-free) and UI.
list(APPEND MIROVALE_CORE_SOURCES
    thumbs/mthumbnail.cpp thumbs/mthumbnail.h
    thumbs/renderahead.cpp thumbs/renderahead.h
    thumbs/renderthumbnail.cpp thumbs/renderthumbnail.h
    thumbs/sqlitedb.cpp thumbs/sqlitedb.h
    thumbs/thumbcache.cpp thumbs/thumbcache.h
    thumbs/thumbcachefile.cpp thumbs/thumbcachefile.h
    thumbs/thumbformat.cpp thumbs/thumbformat.h
    thumbs/thumbgeometry.cpp thumbs/thumbgeometry.h
    thumbs/thumblisting.cpp
    thumbs/thumbtargets.h
)
list(APPEND MIROVALE_UI_SOURCES
    thumbs/thumbitemdelegate.cpp thumbs/thumbitemdelegate.h
    thumbs/thumbitemmodel.cpp thumbs/thumbitemmodel.h
    thumbs/thumbpanelwidgets.cpp thumbs/thumbpanelwidgets.h
    thumbs/thumbviews.h
    thumbs/ucthumbnailview.cpp thumbs/ucthumbnailview.h
    thumbs/ucthumbnailview_input.cpp
)
# The placeholder of images that do not load: the rendering in the core draws it.
list(APPEND MIROVALE_CORE_RESOURCES
    ui/pictures/placeholder.bmp
)
