#pragma once

// A PNG of any size in one colour, made without ever holding its pixels: a 16384 x 16384
// picture is under a megabyte on disk and takes a few in memory to make.

#include "fixtures.h"

#include <zlib.h>

namespace mv::test {

inline QByteArray SolidPng(quint32 width, quint32 height, QRgb colour)
{
    constexpr quint32 RowsPerGroup = 64;
    QByteArray row(1 + 3 * qsizetype(width), '\0'); // filter 0, then R, G, B per pixel
    for (quint32 x = 0; x < width; ++x) {
        row[1 + 3 * x] = char(qRed(colour));
        row[2 + 3 * x] = char(qGreen(colour));
        row[3 + 3 * x] = char(qBlue(colour));
    }
    // Each group of rows is deflated by itself and ends with a full flush, which forgets
    // everything before it: all full groups come out as the same bytes, so one is made
    // and repeated. The checksum of the whole is put together from the groups'.
    const auto deflated = [](const QByteArray &raw, int flush) {
        z_stream stream{};
        deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
        QByteArray out(qsizetype(deflateBound(&stream, uLong(raw.size()))) + 64, '\0');
        stream.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(raw.constData()));
        stream.avail_in = uInt(raw.size());
        stream.next_out = reinterpret_cast<Bytef *>(out.data());
        stream.avail_out = uInt(out.size());
        deflate(&stream, flush);
        out.truncate(qsizetype(stream.total_out));
        deflateEnd(&stream);
        return out;
    };
    const QByteArray group = row.repeated(RowsPerGroup);
    const QByteArray groupBytes = deflated(group, Z_FULL_FLUSH);
    const uLong groupSum = adler32(adler32(0, nullptr, 0), reinterpret_cast<const Bytef *>(group.constData()),
                                   uInt(group.size()));
    const QByteArray rest = row.repeated(height % RowsPerGroup);

    QByteArray data("\x78\x01", 2); // zlib header: deflate, 32 KiB window
    uLong sum = adler32(0, nullptr, 0);
    for (quint32 g = 0; g < height / RowsPerGroup; ++g) {
        data.append(groupBytes);
        sum = adler32_combine(sum, groupSum, z_off_t(group.size()));
    }
    data.append(deflated(rest, Z_FINISH));
    sum = adler32_combine(sum, adler32(adler32(0, nullptr, 0), reinterpret_cast<const Bytef *>(rest.constData()),
                                       uInt(rest.size())),
                          z_off_t(rest.size()));
    for (int shift = 24; shift >= 0; shift -= 8)
        data.append(char((sum >> shift) & 0xFF));

    QByteArray png = PngHeaderOnly(width, height);
    AppendPngChunk(png, "IDAT", data);
    AppendPngChunk(png, "IEND", QByteArray());
    return png;
}

} // namespace mv::test
