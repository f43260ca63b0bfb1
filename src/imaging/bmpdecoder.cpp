#include "imaging/bmpdecoder.h"

#include "imaging/bmpheader.h"
#include "imaging/dibdecoder.h"
#include "imaging/icodecoder.h"

namespace mv {

namespace {

bool IsBitmapArray(const QByteArray &data)
{
    return data.startsWith("BA") && data.mid(14, 2) == "BM";
}

DibContainer ContainerOf(const QByteArray &data)
{
    return data.startsWith("BM") || IsBitmapArray(data) ? DibContainer::File : DibContainer::Packed;
}

} // namespace

ImageFormat SniffBmpFamily(const QByteArray &data)
{
    if (data.startsWith("BM") || IsBitmapArray(data))
        return ImageFormat::Bmp;
    if (LooksLikeIconFile(data))
        return ImageFormat::Icon;
    if (LooksLikePackedDib(data))
        return ImageFormat::Bmp;
    return ImageFormat::Unknown;
}

BmpFamilyInfo ReadBmpFamilyInfo(const QByteArray &data, ImageFormat format)
{
    BmpFamilyInfo info;
    if (format == ImageFormat::Icon) {
        const IconChoice choice = ChooseIconEntry(data);
        info.size = choice.size;
        info.entry = choice.entry;
        info.error = choice.error;
        return info;
    }
    const BmpHeader header = ReadBmpHeader(data, ContainerOf(data));
    info.error = header.error;
    if (header.ok()) {
        info.size = DibPictureSize(data, header);
        if (info.size.isEmpty())
            info.error = QStringLiteral("damaged picture inside the BMP");
    }
    return info;
}

BmpFamilyFrame DecodeBmpFamily(const QByteArray &data, ImageFormat format, int entry, QSize target)
{
    DibPicture picture;
    if (format == ImageFormat::Icon) {
        picture = DecodeIconEntry(data, entry, target);
    } else {
        const DibContainer container = ContainerOf(data);
        picture = DecodeDib(data, ReadBmpHeader(data, container), target, container);
    }
    return {std::move(picture.image), picture.status, picture.error};
}

} // namespace mv
