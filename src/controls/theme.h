#pragma once

// Colours and sizes of the custom controls, kept in one place so that every control (and
// the gallery that reviews them) paints from the same table.

#include <QColor>
#include <QSize>

namespace mv::theme {

// The program's light blue and its family.
inline const QColor WindowBlue{202, 225, 243};
inline const QColor CanvasBlue{238, 242, 251};

// Skin strips mark the pixels that let the container show through with pure magenta.
inline const QColor KeyColour{255, 0, 255};

// Flat and picture buttons.
inline constexpr int HoverInterval = 10;        // ms between pointer checks while hovering
inline constexpr int FlatInnerMargin = 3;       // inner area = client area less this on each side
inline constexpr int PictureCaptionGap = 4;     // between picture and caption
inline constexpr QSize ToolbarButton{28, 28};
inline const QColor EmbossHighlight{255, 255, 255};
inline const QColor EmbossShadow{128, 128, 128};
inline const QColor ButtonFace{240, 240, 240};
inline const QColor Highlight{51, 153, 255};
inline const QColor ButtonText{0, 0, 0};

// Path box, search box and their pieces.
inline constexpr int BoxHeight = 27;
inline constexpr int BoxMinWidth = 27;          // 400 twips
inline constexpr int ComboTextRightReserve = 8 + 26; // 120 and 390 twips
inline constexpr int SearchTextRightReserve = 19;    // 290 twips
inline constexpr int SearchTextLeft = 3;
inline constexpr int CrumbGap = 2;              // 30 twips between a label and an arrow
inline constexpr int CrumbPadding = 3;          // inside each folder label
inline const QColor CrumbCurrent{235, 243, 247};
inline const QColor TextBoxBack{255, 255, 255};
inline const QColor HintGrey{128, 128, 128};
inline const QColor WindowText{0, 0, 0};
inline constexpr int ComboDropHeight = 300;     // the drop-down list
inline constexpr int ComboItemHeight = 16;

// Owner-drawn favourites rows.
inline constexpr int FavRowHeight = 23;
inline constexpr int FavTextOffset = 5;
inline const QColor FavFocus{117, 192, 232};
inline const QColor FavFocusText{0, 0, 0};
inline const QColor FavEven{209, 232, 250};
inline const QColor FavOdd{225, 242, 250};
inline const QColor FavText{50, 85, 107};

// Plain progress bar and framed box.
inline const QColor ProgressBack{240, 240, 240};  // the button face
inline const QColor ProgressBlue{29, 155, 214};   // the recursive listing's bar
inline const QColor FlatEdge{160, 160, 160};
inline const QColor SunkenOuterDark{160, 160, 160};
inline const QColor SunkenInnerDark{105, 105, 105};
inline const QColor SunkenOuterLight{255, 255, 255};
inline const QColor SunkenInnerLight{227, 227, 227};
inline const QColor BoxBack{255, 255, 255};
inline const QColor BoxLine{84, 165, 213};

// Updater progress bar.
inline const QColor ProgBarUpdater{10, 36, 106};
inline const QColor ProgBarOuter{190, 190, 190};
inline const QColor ProgBarInner{239, 239, 239};
inline const QColor ProgBarCorner{172, 171, 167};
inline const QColor Silver{192, 192, 192};
// The four greys of the etched, bump and sunken edges.
inline const QColor EdgeShadow{160, 160, 160};
inline const QColor EdgeDarkShadow{105, 105, 105};
inline const QColor EdgeLight{227, 227, 227};
inline const QColor EdgeHighlight{255, 255, 255};
inline constexpr int AutoScrollInterval = 10;

// Thumbnail list: background, name text; highlight and highlight text as in the buttons.
inline const QColor ThumbListBack{247, 247, 247};
inline const QColor ThumbNameText{51, 51, 51};
inline const QColor HighlightText{255, 255, 255};

// Mouse-wheel capture.
inline constexpr int WheelControlSize = 32;

} // namespace mv::theme
