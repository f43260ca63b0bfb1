# Files of this folder: core (widget-free). The metafile player: byte reading and the two
# file formats, the device context and player, and the record handlers grouped by kind.
list(APPEND MIROVALE_CORE_SOURCES
    imaging/metafile/metafile.cpp imaging/metafile/metafile.h
    imaging/metafile/bytereader.h imaging/metafile/gdi.h
    imaging/metafile/emfparser.cpp imaging/metafile/emfparser.h
    imaging/metafile/emfplus.cpp imaging/metafile/emfplus.h
    imaging/metafile/emfplusformat.h imaging/metafile/emfplusobjects.cpp imaging/metafile/emfplusobjects.h
    imaging/metafile/emfplusplayer.cpp imaging/metafile/emfplusplayer.h imaging/metafile/emfplushandlers.h
    imaging/metafile/emfplusstate.cpp imaging/metafile/emfplusclip.cpp imaging/metafile/emfplusdrawing.cpp
    imaging/metafile/emfpluspaint.cpp imaging/metafile/emfplusbrushes.cpp imaging/metafile/emfplustext.cpp
    imaging/metafile/emfplusimages.cpp
    imaging/metafile/wmfparser.cpp imaging/metafile/wmfparser.h
    imaging/metafile/dib.cpp imaging/metafile/dib.h
    imaging/metafile/region.cpp imaging/metafile/region.h
    imaging/metafile/textcodec.cpp imaging/metafile/textcodec.h
    imaging/metafile/fontmapper.cpp imaging/metafile/fontmapper.h
    imaging/metafile/symbolfonts.cpp imaging/metafile/symbolfonts.h
    imaging/metafile/devicecontext.cpp imaging/metafile/devicecontext.h
    imaging/metafile/playerbudget.cpp imaging/metafile/playerbudget.h
    imaging/metafile/player.cpp imaging/metafile/player.h
    imaging/metafile/playershapes.cpp imaging/metafile/playerpaths.cpp imaging/metafile/playertext.cpp
    imaging/metafile/playerbitmaps.cpp imaging/metafile/playerspending.cpp
    imaging/metafile/emfplayer.cpp imaging/metafile/emfplayer.h imaging/metafile/emfhandlers.h
    imaging/metafile/emfstate.cpp imaging/metafile/emfobjects.cpp imaging/metafile/emfdrawing.cpp
    imaging/metafile/emfpaths.cpp imaging/metafile/emfclipping.cpp imaging/metafile/emftext.cpp
    imaging/metafile/emfbitmaps.cpp
    imaging/metafile/wmfplayer.cpp imaging/metafile/wmfplayer.h imaging/metafile/wmfhandlers.h
    imaging/metafile/wmfbounds.cpp
    imaging/metafile/wmfstate.cpp imaging/metafile/wmfobjects.cpp imaging/metafile/wmfdrawing.cpp
    imaging/metafile/wmftext.cpp imaging/metafile/wmfbitmaps.cpp
)
