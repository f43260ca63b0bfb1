#pragma once

#include <cstdint>

// Values of the drawing model that both metafile formats record: mapping modes, object
// styles, raster operations, text flags. Named after their meaning in the files.

namespace mv::metafile::gdi {

enum MapMode : int {
    MmText = 1, MmLoMetric = 2, MmHiMetric = 3, MmLoEnglish = 4, MmHiEnglish = 5, MmTwips = 6,
    MmIsotropic = 7, MmAnisotropic = 8,
};

enum BkMode : int { Transparent = 1, Opaque = 2 };
enum PolyFill : int { Alternate = 1, Winding = 2 };
enum GraphicsMode : int { GmCompatible = 1, GmAdvanced = 2 };
enum ArcDirection : int { CounterClockwise = 1, Clockwise = 2 };

enum Rop2 : int {
    R2Black = 1, R2NotMergePen, R2MaskNotPen, R2NotCopyPen, R2MaskPenNot, R2Not, R2XorPen,
    R2NotMaskPen, R2MaskPen, R2NotXorPen, R2Nop, R2MergeNotPen, R2CopyPen, R2MergePenNot,
    R2MergePen, R2White,
};

// Pen style bits.
enum : uint32_t {
    PsSolid = 0, PsDash = 1, PsDot = 2, PsDashDot = 3, PsDashDotDot = 4, PsNull = 5,
    PsInsideFrame = 6, PsUserStyle = 7, PsAlternate = 8, PsStyleMask = 0xF,
    PsEndCapRound = 0x000, PsEndCapSquare = 0x100, PsEndCapFlat = 0x200, PsEndCapMask = 0xF00,
    PsJoinRound = 0x0000, PsJoinBevel = 0x1000, PsJoinMiter = 0x2000, PsJoinMask = 0xF000,
    PsGeometric = 0x10000,
};

enum BrushStyle : uint32_t {
    BsSolid = 0, BsNull = 1, BsHatched = 2, BsPattern = 3, BsIndexed = 4, BsDibPattern = 5,
    BsDibPatternPt = 6,
};

enum Hatch : uint32_t {
    HsHorizontal = 0, HsVertical = 1, HsFDiagonal = 2, HsBDiagonal = 3, HsCross = 4, HsDiagCross = 5,
};

// Region combination modes.
enum RegionMode : int { RgnAnd = 1, RgnOr = 2, RgnXor = 3, RgnDiff = 4, RgnCopy = 5 };

enum DibUsage : uint32_t { DibRgbColors = 0, DibPalColors = 1 };

// Ternary raster operations seen in bitmap records.
enum : uint32_t {
    RopBlackness = 0x00000042, RopNotSrcErase = 0x001100A6, RopNotSrcCopy = 0x00330008,
    RopSrcErase = 0x00440328, RopDstInvert = 0x00550009, RopPatInvert = 0x005A0049,
    RopSrcInvert = 0x00660046, RopSrcAnd = 0x008800C6, RopMergePaint = 0x00BB0226,
    RopMergeCopy = 0x00C000CA, RopSrcCopy = 0x00CC0020, RopSrcPaint = 0x00EE0086,
    RopPatCopy = 0x00F00021, RopPatPaint = 0x00FB0A09, RopWhiteness = 0x00FF0062,
    RopNoOp = 0x00AA0029,
};

// Text alignment bits.
enum : uint32_t {
    TaUpdateCp = 1, TaRight = 2, TaCenter = 6, TaHorizontalMask = 6,
    TaTop = 0, TaBottom = 8, TaBaseline = 24, TaVerticalMask = 24, TaRtlReading = 256,
};

// ExtTextOut options.
enum : uint32_t {
    EtoOpaque = 0x2, EtoClipped = 0x4, EtoGlyphIndex = 0x10, EtoRtlReading = 0x80,
    EtoNoRect = 0x100, EtoSmallChars = 0x200, EtoPdy = 0x2000,
};

// Font charsets that name a code page for 8-bit text.
enum Charset : uint8_t {
    AnsiCharset = 0, DefaultCharset = 1, SymbolCharset = 2, MacCharset = 77, ShiftJisCharset = 128,
    HangulCharset = 129, JohabCharset = 130, Gb2312Charset = 134, ChineseBig5Charset = 136,
    GreekCharset = 161, TurkishCharset = 162, VietnameseCharset = 163, HebrewCharset = 177,
    ArabicCharset = 178, BalticCharset = 186, RussianCharset = 204, ThaiCharset = 222,
    EastEuropeCharset = 238, OemCharset = 255,
};

// Stock objects: the index with this bit set names one.
constexpr uint32_t StockObjectBit = 0x80000000u;
enum StockObject : uint32_t {
    WhiteBrush = 0, LtGrayBrush = 1, GrayBrush = 2, DkGrayBrush = 3, BlackBrush = 4, NullBrush = 5,
    WhitePen = 6, BlackPen = 7, NullPen = 8, OemFixedFont = 10, AnsiFixedFont = 11, AnsiVarFont = 12,
    SystemFont = 13, DeviceDefaultFont = 14, DefaultPalette = 15, SystemFixedFont = 16,
    DefaultGuiFont = 17, DcBrush = 18, DcPen = 19,
};

// PolyDraw point types.
enum : uint8_t { PtCloseFigure = 1, PtLineTo = 2, PtBezierTo = 4, PtMoveTo = 6 };

} // namespace mv::metafile::gdi
