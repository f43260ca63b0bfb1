#include "imaging/metafile/devicecontext.h"

namespace mv::metafile {

void ClipArea::combine(const QRegion &region, int mode, const QRect &surface)
{
    const QRegion current = mActive ? mRegion : QRegion(surface);
    QRegion result;
    switch (mode) {
    case gdi::RgnAnd:
        result = current.intersected(region);
        break;
    case gdi::RgnOr:
        result = current.united(region);
        break;
    case gdi::RgnXor:
        result = current.xored(region);
        break;
    case gdi::RgnDiff:
        result = current.subtracted(region);
        break;
    case gdi::RgnCopy:
        result = region;
        break;
    default:
        return;
    }
    mActive = true;
    mRegion = result.intersected(surface);
}

void ClipArea::offset(QPoint delta)
{
    if (mActive)
        mRegion.translate(delta);
}

ObjectTable::ObjectTable(int initialSize)
{
    mSlots.resize(size_t(qBound(1, initialSize, MaxObjects)));
}

bool ObjectTable::put(uint32_t index, GdiObject object)
{
    if (index >= uint32_t(MaxObjects))
        return false;
    if (index >= mSlots.size())
        mSlots.resize(size_t(index) + 1);
    mSlots[index] = std::move(object);
    return true;
}

int ObjectTable::putLowestFree(GdiObject object)
{
    for (size_t i = mFirstFree; i < mSlots.size(); ++i) {
        if (std::holds_alternative<std::monostate>(mSlots[i])) {
            mSlots[i] = std::move(object);
            mFirstFree = i + 1;
            return int(i);
        }
    }
    mFirstFree = mSlots.size();
    if (mSlots.size() >= size_t(MaxObjects))
        return -1;
    mSlots.push_back(std::move(object));
    mFirstFree = mSlots.size();
    return int(mSlots.size() - 1);
}

const GdiObject *ObjectTable::get(uint32_t index) const
{
    if (index >= mSlots.size() || std::holds_alternative<std::monostate>(mSlots[index]))
        return nullptr;
    return &mSlots[index];
}

GdiObject *ObjectTable::get(uint32_t index)
{
    return const_cast<GdiObject *>(static_cast<const ObjectTable *>(this)->get(index));
}

void ObjectTable::remove(uint32_t index)
{
    if (index < mSlots.size()) {
        mSlots[index] = std::monostate();
        mFirstFree = qMin(mFirstFree, size_t(index));
    }
}

std::shared_ptr<LogPalette> DefaultPalette()
{
    static const QList<QRgb> colors = {
        qRgb(0, 0, 0),       qRgb(0x80, 0, 0),       qRgb(0, 0x80, 0),       qRgb(0x80, 0x80, 0),
        qRgb(0, 0, 0x80),    qRgb(0x80, 0, 0x80),    qRgb(0, 0x80, 0x80),    qRgb(0xC0, 0xC0, 0xC0),
        qRgb(0xC0, 0xDC, 0xC0), qRgb(0xA6, 0xCA, 0xF0), qRgb(0xFF, 0xFB, 0xF0), qRgb(0xA0, 0xA0, 0xA4),
        qRgb(0x80, 0x80, 0x80), qRgb(0xFF, 0, 0),    qRgb(0, 0xFF, 0),       qRgb(0xFF, 0xFF, 0),
        qRgb(0, 0, 0xFF),    qRgb(0xFF, 0, 0xFF),    qRgb(0, 0xFF, 0xFF),    qRgb(0xFF, 0xFF, 0xFF),
    };
    auto palette = std::make_shared<LogPalette>();
    palette->entries = colors;
    return palette;
}

GdiObject StockObject(uint32_t index)
{
    const auto brush = [](uint32_t style, uint32_t color) {
        LogBrush b;
        b.style = style;
        b.color = color;
        return GdiObject(b);
    };
    const auto pen = [](uint32_t style, uint32_t color) {
        LogPen p;
        p.style = style;
        p.color = color;
        return GdiObject(p);
    };
    const auto font = [](int height, bool fixed) {
        LogFont f;
        f.height = height;
        f.weight = 400;
        f.pitchAndFamily = fixed ? 0x31 : 0x22; // fixed modern / variable swiss
        return GdiObject(f);
    };
    switch (index & ~gdi::StockObjectBit) {
    case gdi::WhiteBrush:
    case gdi::DcBrush:
        return brush(gdi::BsSolid, 0xFFFFFF);
    case gdi::LtGrayBrush:
        return brush(gdi::BsSolid, 0xC0C0C0);
    case gdi::GrayBrush:
        return brush(gdi::BsSolid, 0x808080);
    case gdi::DkGrayBrush:
        return brush(gdi::BsSolid, 0x404040);
    case gdi::BlackBrush:
        return brush(gdi::BsSolid, 0x000000);
    case gdi::NullBrush:
        return brush(gdi::BsNull, 0);
    case gdi::WhitePen:
        return pen(gdi::PsSolid, 0xFFFFFF);
    case gdi::BlackPen:
    case gdi::DcPen:
        return pen(gdi::PsSolid, 0x000000);
    case gdi::NullPen:
        return pen(gdi::PsNull, 0);
    case gdi::OemFixedFont:
    case gdi::AnsiFixedFont:
    case gdi::SystemFixedFont:
        return font(16, true);
    case gdi::AnsiVarFont:
    case gdi::SystemFont:
    case gdi::DeviceDefaultFont:
        return font(16, false);
    case gdi::DefaultGuiFont:
        return font(-11, false);
    case gdi::DefaultPalette:
        return DefaultPalette();
    default:
        return std::monostate();
    }
}

QRgb ResolveColor(uint32_t ref, const LogPalette *palette)
{
    if ((ref >> 24) == 0x01) {
        const uint32_t index = ref & 0xFFFF;
        if (palette && index < uint32_t(palette->entries.size()))
            return palette->entries.at(index);
        return qRgb(0, 0, 0);
    }
    return qRgb(ref & 0xFF, (ref >> 8) & 0xFF, (ref >> 16) & 0xFF);
}

} // namespace mv::metafile
