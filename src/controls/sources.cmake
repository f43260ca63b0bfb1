# Files of this folder: core (widget-free) and UI.
# The custom controls and their pictures.
list(APPEND MIROVALE_UI_SOURCES
    controls/box.cpp controls/box.h
    controls/buttonbase.cpp controls/buttonbase.h
    controls/combo.cpp controls/combo.h
    controls/command.cpp controls/command.h
    controls/flatcmd.cpp controls/flatcmd.h
    controls/mdrawlist.cpp controls/mdrawlist.h
    controls/mwheel.cpp controls/mwheel.h
    controls/plaintext.cpp controls/plaintext.h
    controls/searchtext.cpp controls/searchtext.h
    controls/skinnedtextbox.cpp controls/skinnedtextbox.h
    controls/theme.h
    controls/ucprogress.cpp controls/ucprogress.h
    controls/uipictures.cpp controls/uipictures.h
)
# Our own artwork, drawn by tools/art/make_art.py.
list(APPEND MIROVALE_UI_RESOURCES
    ui/box/combo_end.svg
    ui/box/combo_left.svg
    ui/box/combo_middle.svg
    ui/box/crumb_arrow.svg
    ui/box/drop_disabled.svg
    ui/box/drop_hover.svg
    ui/box/drop_normal.svg
    ui/box/drop_pressed.svg
    ui/box/search_end.svg
    ui/box/search_middle.svg
    ui/browser/association.svg
    ui/browser/caption_button.svg
    ui/browser/fav_header.svg
    ui/browser/fav_star.svg
    ui/browser/history.svg
    ui/browser/history_back.svg
    ui/browser/recursive.svg
    ui/browser/search.svg
    ui/icons/computer.svg
    ui/icons/folder.svg
    ui/icons/folder_small.svg
    ui/icons/mirovale.svg
    ui/icons/small_icon.svg
    ui/pictures/cannot_display.svg
    ui/slideshow/close.svg
    ui/slideshow/interval_down.svg
    ui/slideshow/interval_up.svg
    ui/slideshow/pause.svg
    ui/slideshow/play.svg
    ui/toolbar/actual_size.svg
    ui/toolbar/best_fit.svg
    ui/toolbar/delete.svg
    ui/toolbar/next.svg
    ui/toolbar/previous.svg
    ui/toolbar/print.svg
    ui/toolbar/save.svg
    ui/toolbar/skin.svg
    ui/toolbar/slide_show.svg
    ui/toolbar/turn_left.svg
    ui/toolbar/turn_right.svg
    ui/toolbar/zoom_in.svg
    ui/toolbar/zoom_out.svg
    ui/types/bitmap.svg
    ui/types/jpeg.svg
    ui/types/tiff.svg
)
