# Files of this folder: core (widget-free) and UI.
list(APPEND MIROVALE_CORE_SOURCES
    fs/cscanpath.cpp fs/cscanpath.h
    fs/filelist.cpp fs/filelist.h
    fs/fileops.cpp fs/fileops.h
    fs/scanpattern.cpp fs/scanpattern.h
)
list(APPEND MIROVALE_UI_SOURCES
    fs/shellcopy.cpp fs/shellcopy.h
    fs/showinfolder.cpp fs/showinfolder.h
    fs/ucfolderview.cpp fs/ucfolderview.h
)
