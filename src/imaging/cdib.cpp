#include "imaging/cdib.h"

#include "imaging/pixelbudget.h"

#include <QClipboard>
#include <QColorSpace>
#include <QGuiApplication>
#include <QPainter>

#include <climits>
#include <cmath>
#include <cstring>
#include <utility>

namespace mv {

namespace {

void PutLE(QByteArray &out, quint32 value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.append(char((value >> (8 * i)) & 0xFF));
}

quint32 GetLE(const QByteArray &in, int offset, int bytes)
{
    quint32 value = 0;
    for (int i = 0; i < bytes; ++i)
        value |= quint32(quint8(in.at(offset + i))) << (8 * i);
    return value;
}

int RoundHalfEven(double value)
{
    return int(std::nearbyint(value));
}

int TableEntries(int bpp)
{
    return bpp <= 8 ? 1 << bpp : 0;
}

std::optional<QPainter::CompositionMode> CompositionFor(quint32 rop)
{
    switch (rop) {
    case SRCCOPY: return QPainter::CompositionMode_Source;
    case SRCPAINT: return QPainter::RasterOp_SourceOrDestination;
    case SRCAND: return QPainter::RasterOp_SourceAndDestination;
    case SRCINVERT: return QPainter::RasterOp_SourceXorDestination;
    case NOTSRCCOPY: return QPainter::RasterOp_NotSource;
    default: return std::nullopt;
    }
}

} // namespace

QRgb ColorRefToRgb(quint32 colorRef)
{
    return qRgb(int(colorRef & 0xFF), int((colorRef >> 8) & 0xFF), int((colorRef >> 16) & 0xFF));
}

QByteArray BitmapInfoHeader::ToBytes() const
{
    QByteArray out;
    out.reserve(40);
    PutLE(out, quint32(biSize), 4);
    PutLE(out, quint32(biWidth), 4);
    PutLE(out, quint32(biHeight), 4);
    PutLE(out, biPlanes, 2);
    PutLE(out, biBitCount, 2);
    PutLE(out, biCompression, 4);
    PutLE(out, biSizeImage, 4);
    PutLE(out, quint32(biXPelsPerMeter), 4);
    PutLE(out, quint32(biYPelsPerMeter), 4);
    PutLE(out, biClrUsed, 4);
    PutLE(out, biClrImportant, 4);
    return out;
}

std::optional<BitmapInfoHeader> BitmapInfoHeader::FromBytes(const QByteArray &bytes)
{
    if (bytes.size() < 40)
        return std::nullopt;
    BitmapInfoHeader h;
    h.biSize = qint32(GetLE(bytes, 0, 4));
    h.biWidth = qint32(GetLE(bytes, 4, 4));
    h.biHeight = qint32(GetLE(bytes, 8, 4));
    h.biPlanes = quint16(GetLE(bytes, 12, 2));
    h.biBitCount = quint16(GetLE(bytes, 14, 2));
    h.biCompression = GetLE(bytes, 16, 4);
    h.biSizeImage = GetLE(bytes, 20, 4);
    h.biXPelsPerMeter = qint32(GetLE(bytes, 24, 4));
    h.biYPelsPerMeter = qint32(GetLE(bytes, 28, 4));
    h.biClrUsed = GetLE(bytes, 32, 4);
    h.biClrImportant = GetLE(bytes, 36, 4);
    return h;
}

std::optional<qint32> ScanlineBytes(qint64 width, int bitsPerPixel)
{
    const qint64 bits = width * bitsPerPixel;
    if (width < 0 || bitsPerPixel < 0 || bits > 2147483616LL)
        return std::nullopt;
    return qint32((bits + 31) / 32 * 4);
}

void GetBestFitInfo(int SrcW, int SrcH, int DstW, int DstH, int &X, int &Y, int &W, int &H, bool StretchFit)
{
    if (SrcW <= 0 || SrcH <= 0) {
        // Nothing to scale; a ratio would divide by zero.
        W = 1;
        H = 1;
    } else if (DstW < SrcW || DstH < SrcH || StretchFit) {
        const float rx = float(DstW) / float(SrcW);
        const float ry = float(DstH) / float(SrcH);
        if (rx >= ry) {
            H = DstH;
            W = RoundHalfEven(double(SrcW) * double(ry));
        } else {
            W = DstW;
            H = RoundHalfEven(double(SrcH) * double(rx));
        }
    } else {
        W = SrcW;
        H = SrcH;
    }
    W = qMax(W, 1);
    H = qMax(H, 1);
    X = (DstW - W) / 2;
    Y = (DstH - H) / 2;
}

QRect BestFitRect(QSize source, QSize box, bool stretchFit)
{
    int x = 0, y = 0, w = 0, h = 0;
    GetBestFitInfo(source.width(), source.height(), box.width(), box.height(), x, y, w, h, stretchFit);
    return QRect(x, y, w, h);
}

bool cDIB::Create(int NewWidth, int NewHeight, int NewBPP)
{
    return Create(NewWidth, NewHeight, NewBPP, QImage());
}

bool cDIB::Create(int NewWidth, int NewHeight, int NewBPP, QImage &&Recycled)
{
    Destroy();
    QImage::Format format = QImage::Format_Invalid;
    switch (NewBPP) {
    case 1: format = QImage::Format_Mono; break;
    case 4:
    case 8: format = QImage::Format_Indexed8; break;
    case 16: format = QImage::Format_RGB555; break;
    case 24: format = QImage::Format_BGR888; break;
    case 32: format = QImage::Format_RGB32; break;
    default: return false;
    }
    if (NewWidth <= 0 || NewHeight <= 0)
        return false;
    const std::optional<qint32> scanline = ScanlineBytes(NewWidth, NewBPP);
    // Beyond the budget nothing is attempted: no memory is cleared for a bitmap that could
    // never be drawn into.
    if (!scanline || !FitsPixelBudget(qint64(*scanline) * NewHeight))
        return false;

    QImage image;
    if (Recycled.size() == QSize(NewWidth, NewHeight) && Recycled.format() == format && Recycled.isDetached()) {
        image = std::exchange(Recycled, QImage());
        image.setColorSpace(QColorSpace());
    } else {
        image = QImage(NewWidth, NewHeight, format);
    }
    if (image.isNull())
        return false;
    if (NewBPP <= 8)
        image.setColorTable(QList<QRgb>(TableEntries(NewBPP), qRgb(0, 0, 0)));
    image.fill(0);

    mImage = image;
    SetHeader(NewWidth, NewHeight, NewBPP, *scanline);
    return true;
}

bool cDIB::Adopt(QImage &&Pixels)
{
    Destroy();
    if (Pixels.isNull() || Pixels.format() != QImage::Format_RGB32)
        return false;
    const std::optional<qint32> scanline = ScanlineBytes(Pixels.width(), 32);
    if (!scanline || !FitsPixelBudget(qint64(*scanline) * Pixels.height()))
        return false;
    const QSize size = Pixels.size();
    mImage = std::exchange(Pixels, QImage());
    SetHeader(size.width(), size.height(), 32, *scanline);
    return true;
}

void cDIB::SetHeader(int NewWidth, int NewHeight, int NewBPP, qint32 Scanline)
{
    mScanline = Scanline;
    mHeader = BitmapInfoHeader{};
    mHeader.biSize = 40;
    mHeader.biWidth = NewWidth;
    mHeader.biHeight = NewHeight;
    mHeader.biPlanes = 1;
    mHeader.biBitCount = quint16(NewBPP);
    mHeader.biCompression = 0;
    mHeader.biSizeImage = quint32(qint64(Scanline) * NewHeight);
}

void cDIB::Destroy()
{
    mImage = QImage();
    mHeader = BitmapInfoHeader{};
    mScanline = 0;
}

void cDIB::Cls(quint32 ColorRef)
{
    if (!hDIB())
        return;
    mImage.fill(QColor(ColorRefToRgb(ColorRef)));
}

int cDIB::Stretch(QPainter &hDC, int x, int y, int nWidth, int nHeight, int xSrc, int ySrc, int nSrcWidth,
                  int nSrcHeight, quint32 ROP, int StretchBltMode) const
{
    if (!hDIB() || !hDC.isActive())
        return 0;
    const std::optional<QPainter::CompositionMode> mode = CompositionFor(ROP);
    if (!mode)
        return 0;
    if (nSrcWidth == 0)
        nSrcWidth = Width();
    if (nSrcHeight == 0)
        nSrcHeight = Height();
    if (nWidth <= 0 || nHeight <= 0 || nSrcWidth <= 0 || nSrcHeight <= 0)
        return 0;
    hDC.save();
    hDC.setCompositionMode(*mode);
    hDC.setRenderHint(QPainter::SmoothPixmapTransform, StretchBltMode == HALFTONE);
    hDC.drawImage(QRect(x, y, nWidth, nHeight), mImage, QRect(xSrc, ySrc, nSrcWidth, nSrcHeight));
    hDC.restore();
    return 1;
}

int cDIB::Paint(QPainter &hDC, int x, int y, quint32 ROP, int StretchBltMode) const
{
    return Stretch(hDC, x, y, Width(), Height(), 0, 0, 0, 0, ROP, StretchBltMode);
}

bool cDIB::CopyToClipboard() const
{
    if (!hDIB())
        return false;
    QClipboard *clipboard = QGuiApplication::clipboard();
    if (!clipboard)
        return false;
    clipboard->setImage(mImage.convertToFormat(QImage::Format_RGB32));
    return true;
}

QByteArray cDIB::DibBits() const
{
    if (!hDIB())
        return {};
    QByteArray out(qsizetype(mHeader.biSizeImage), '\0');
    const int height = Height();
    for (int row = 0; row < height; ++row) {
        const uchar *src = mImage.constScanLine(height - 1 - row);
        char *dst = out.data() + qsizetype(row) * mScanline;
        if (BPP() == 4) {
            for (int x = 0; x < Width(); ++x) {
                const uchar nibble = src[x] & 0x0F;
                dst[x / 2] = char(quint8(dst[x / 2]) | (x % 2 ? nibble : nibble << 4));
            }
        } else {
            memcpy(dst, src, size_t(qMin<qsizetype>(mScanline, mImage.bytesPerLine())));
        }
    }
    return out;
}

QByteArray cDIB::PackedDib() const
{
    if (!hDIB())
        return {};
    QByteArray out = mHeader.ToBytes();
    const QList<QRgb> table = mImage.colorTable();
    for (int i = 0; i < TableEntries(BPP()); ++i) {
        const QRgb c = i < table.size() ? table.at(i) : qRgb(0, 0, 0);
        out.append(char(qBlue(c))).append(char(qGreen(c))).append(char(qRed(c))).append('\0');
    }
    out.append(DibBits());
    return out;
}

bool cDIB::CreateFromPackedDib(const QByteArray &packed)
{
    Destroy();
    const std::optional<BitmapInfoHeader> h = BitmapInfoHeader::FromBytes(packed);
    if (!h || h->biSize != 40 || h->biPlanes != 1 || h->biCompression != 0 || h->biHeight == 0
        || h->biHeight == INT_MIN)
        return false;
    const int bpp = h->biBitCount;
    const bool bottomUp = h->biHeight > 0;
    const int height = bottomUp ? h->biHeight : -h->biHeight;
    const std::optional<qint32> scanline = ScanlineBytes(h->biWidth, bpp);
    if (!scanline)
        return false;
    const qint64 tableBytes = qint64(TableEntries(bpp)) * 4;
    const qint64 pixelBytes = qint64(*scanline) * height;
    if (40 + tableBytes + pixelBytes > packed.size())
        return false;
    if (!Create(h->biWidth, height, bpp))
        return false;
    if (bpp <= 8) {
        QList<QRgb> table;
        for (int i = 0; i < TableEntries(bpp); ++i) {
            const int at = 40 + i * 4;
            table.append(qRgb(quint8(packed.at(at + 2)), quint8(packed.at(at + 1)), quint8(packed.at(at))));
        }
        mImage.setColorTable(table);
    }
    const char *pixels = packed.constData() + 40 + tableBytes;
    for (int row = 0; row < height; ++row) {
        const char *src = pixels + qint64(bottomUp ? height - 1 - row : row) * *scanline;
        uchar *dst = mImage.scanLine(row);
        if (bpp == 4) {
            for (int x = 0; x < Width(); ++x)
                dst[x] = x % 2 ? quint8(src[x / 2]) & 0x0F : quint8(src[x / 2]) >> 4;
        } else {
            memcpy(dst, src, size_t(qMin<qsizetype>(*scanline, mImage.bytesPerLine())));
        }
        if (bpp == 32) {
            // The fourth byte is unused in a DIB; QImage wants it opaque.
            auto *line = reinterpret_cast<QRgb *>(dst);
            for (int x = 0; x < Width(); ++x)
                line[x] |= 0xFF000000u;
        }
    }
    return true;
}

} // namespace mv
