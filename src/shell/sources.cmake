# Files of this folder: core (widget-free) and UI.
list(APPEND MIROVALE_CORE_SOURCES
    shell/association.cpp shell/association.h
    shell/desktopwallpaper.cpp shell/desktopwallpaper.h
    shell/mimeapps.cpp shell/mimeapps.h
    shell/mimetypes.cpp shell/mimetypes.h
    shell/shelltool.cpp shell/shelltool.h
    shell/wallpaper.cpp shell/wallpaper.h
)
# The commands read our pictures from the UI library's resources.
list(APPEND MIROVALE_UI_SOURCES
    shell/shellcommands.cpp shell/shellcommands.h
)
