# Files of this folder: core (widget-free) and UI.
list(APPEND MIROVALE_CORE_SOURCES
    browser/updatecheck.cpp browser/updatecheck.h
    browser/browserrules.cpp browser/browserrules.h
)
list(APPEND MIROVALE_UI_SOURCES
    browser/frmmain.cpp browser/frmmain.h
    browser/frmmain_commands.cpp
    browser/frmmain_favourites.cpp
    browser/frmmain_layout.cpp
    browser/frmmain_menus.cpp
    browser/frmmain_navigation.cpp
    browser/frmmain_update.cpp
    browser/frmmain_search.cpp
)
