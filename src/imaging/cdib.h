#pragma once

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QRect>
#include <QSize>

#include <optional>

class QPainter;

namespace mv {

// Raster operations and stretch modes of the blits.
inline constexpr quint32 SRCCOPY = 0x00CC0020;
inline constexpr quint32 SRCPAINT = 0x00EE0086;
inline constexpr quint32 SRCAND = 0x008800C6;
inline constexpr quint32 SRCINVERT = 0x00660046;
inline constexpr quint32 NOTSRCCOPY = 0x00330008;
inline constexpr int BLACKONWHITE = 1;
inline constexpr int WHITEONBLACK = 2;
inline constexpr int COLORONCOLOR = 3;
inline constexpr int HALFTONE = 4;

// 0x00BBGGRR as a colour.
QRgb ColorRefToRgb(quint32 colorRef);

// The 40-byte bitmap information header.
struct BitmapInfoHeader {
    qint32 biSize = 0;
    qint32 biWidth = 0;
    qint32 biHeight = 0;
    quint16 biPlanes = 0;
    quint16 biBitCount = 0;
    quint32 biCompression = 0;
    quint32 biSizeImage = 0;
    qint32 biXPelsPerMeter = 0;
    qint32 biYPelsPerMeter = 0;
    quint32 biClrUsed = 0;
    quint32 biClrImportant = 0;

    QByteArray ToBytes() const;                                     // little-endian, 40 bytes
    static std::optional<BitmapInfoHeader> FromBytes(const QByteArray &bytes);
};

// Bytes per row of a device-independent bitmap: rows padded to 32 bits. Empty when
// width x bits per pixel passes 2,147,483,616 (the row size would overflow).
[[nodiscard]] std::optional<qint32> ScanlineBytes(qint64 width, int bitsPerPixel);

// The fitting rule of the program: a source of SrcW x SrcH in a box of DstW x DstH.
// A larger source (or any, with StretchFit) is scaled by the smaller single-precision
// ratio, the other side rounded half to even; a smaller one keeps its size; sides are at
// least 1 and the result is centred (rounded toward zero).
void GetBestFitInfo(int SrcW, int SrcH, int DstW, int DstH, int &X, int &Y, int &W, int &H, bool StretchFit = false);
QRect BestFitRect(QSize source, QSize box, bool stretchFit = false);

// One device-independent bitmap over a QImage. 16 bits per pixel are 5-5-5, 24 are B,G,R
// bytes, 32 are B,G,R,X; 1 and 8 use a colour table (all black when created). 4 bits per
// pixel are held one pixel per byte; DibBits() gives them packed. The QImage is top-down;
// DibBits() and PackedDib() give rows bottom-up as the header's positive height says.
class cDIB
{
public:
    cDIB() = default;
    ~cDIB() = default;
    cDIB(const cDIB &) = delete;
    cDIB &operator=(const cDIB &) = delete;

    // A bitmap beyond the pixel budget (pixelbudget.h) is refused before any allocation.
    [[nodiscard]] bool Create(int NewWidth, int NewHeight, int NewBPP);
    // The same, in the pixels of a picture no longer needed when it has the bitmap's size
    // and format and nothing else shares it: cleared all the same, but fresh memory of many
    // megabytes is not touched. Recycled is left empty when taken.
    [[nodiscard]] bool Create(int NewWidth, int NewHeight, int NewBPP, QImage &&Recycled);
    // A 32-bit bitmap of pixels drawn elsewhere (a picture read ahead), taken as they are.
    // False, and the bitmap empty, for pixels of another format or beyond the pixel budget.
    [[nodiscard]] bool Adopt(QImage &&Pixels);
    void Destroy();
    void Cls(quint32 ColorRef);
    // A source width or height of 0 stands for the whole bitmap. Returns 0 on failure.
    int Stretch(QPainter &hDC, int x, int y, int nWidth, int nHeight, int xSrc, int ySrc, int nSrcWidth,
                int nSrcHeight, quint32 ROP = SRCCOPY, int StretchBltMode = COLORONCOLOR) const;
    int Paint(QPainter &hDC, int x = 0, int y = 0, quint32 ROP = SRCCOPY, int StretchBltMode = COLORONCOLOR) const;
    static void GetBestFitInfo(int SrcW, int SrcH, int DstW, int DstH, int &X, int &Y, int &W, int &H,
                               bool StretchFit = false)
    {
        mv::GetBestFitInfo(SrcW, SrcH, DstW, DstH, X, Y, W, H, StretchFit);
    }
    // Puts the bitmap on the clipboard; false when empty.
    bool CopyToClipboard() const;

    // The drawing surface (null when empty): paint on it with a QPainter.
    QImage *hdc() { return hDIB() ? &mImage : nullptr; }
    const QImage &Image() const { return mImage; }
    bool hDIB() const { return !mImage.isNull(); }
    uchar *lpBits() { return hDIB() ? mImage.bits() : nullptr; }
    int Width() const { return mHeader.biWidth; }
    int Height() const { return mHeader.biHeight; }
    int BPP() const { return mHeader.biBitCount; }
    int BytesPerScanline() const { return mScanline; }
    int Size() const { return int(mHeader.biSizeImage); }
    const BitmapInfoHeader &Header() const { return mHeader; }

    // Pixel bytes in the bitmap's own form, bottom-up, biSizeImage bytes.
    QByteArray DibBits() const;
    // Header, colour table (1, 4, 8 bits) and pixel bytes: the clipboard's packed form.
    QByteArray PackedDib() const;
    // The reverse of PackedDib; false (and empty) when the bytes are not a plain RGB DIB.
    [[nodiscard]] bool CreateFromPackedDib(const QByteArray &packed);

private:
    void SetHeader(int NewWidth, int NewHeight, int NewBPP, qint32 Scanline);

    BitmapInfoHeader mHeader;
    int mScanline = 0;
    QImage mImage;
};

} // namespace mv
