#pragma once

#include <QSize>
#include <QtGlobal>

namespace mv {

// One budget for every picture held whole in memory: a decoded frame and a bitmap (the
// canvas's render bitmap at actual size above all) alike, so that a picture is either
// decoded and shown or refused before anything is allocated, never half of it.
inline constexpr qint64 MaxPixelBytes = qint64(512) << 20;

[[nodiscard]] constexpr bool FitsPixelBudget(qint64 bytes)
{
    return bytes > 0 && bytes <= MaxPixelBytes;
}

// At 32 bits per pixel unless told otherwise.
[[nodiscard]] constexpr bool FitsPixelBudget(QSize size, int bytesPerPixel = 4)
{
    return size.width() > 0 && size.height() > 0
           && FitsPixelBudget(qint64(size.width()) * size.height() * bytesPerPixel);
}

} // namespace mv
