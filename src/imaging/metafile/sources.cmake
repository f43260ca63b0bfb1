# Files of this folder: core (widget-free).
list(APPEND MIROVALE_CORE_SOURCES
    imaging/metafile/metafile.cpp imaging/metafile/metafile.h
)
