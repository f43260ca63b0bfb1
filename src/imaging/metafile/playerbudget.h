#pragma once

#include <QtGlobal>

#include <memory>

namespace mv::metafile {

// Prices of work, in budget units, measured on the two-core machines this runs on.
namespace cost {
constexpr double PaintCall = 16;       // one painting call, besides its area
constexpr double PathElement = 16;     // building or copying one path element
constexpr double PaintedElement = 8;   // painting one path element, per band of rows
constexpr double Cell = 25;            // one pixel an edge touches
constexpr double CrowdedCell = 3;      // the same, per cell in the same row
constexpr double SlantedRow = 40;      // a slanted edge's rows, squared, per band over the height
constexpr double HairlinePixel = 15;   // one pixel of a hairline
constexpr double StrokedElement = 300; // turning one element of a wide line into an outline
constexpr double Pixel = 4;            // unpacking or converting one bitmap pixel
constexpr double TextRun = 4000;       // a run's font and metrics
constexpr double FontLookup = 200000;  // resolving a face not met before
constexpr double Character = 2000;     // laying out one character
constexpr double GlyphOutline = 30000; // one glyph's outline for the path
constexpr double LargeGlyphPixel = 6;  // drawing a glyph too large for the glyph cache, per
constexpr double LargeGlyphRow = 200;  // pixel it covers or row of its size, whichever costs more
constexpr double RegionRect = 64;      // one rectangle through region arithmetic
constexpr double GradientPiece = 256;  // one of the small triangles of a shaded triangle
} // namespace cost

// A share of the memory a drawing keeps: one piece of kept data (a decoded bitmap, a
// palette, a region, the path, the clip). Copies of whatever holds the data share the
// charge, as they share the data; the bytes go back when the last copy is gone.
class Charge {
public:
    qint64 bytes() const { return mShare ? mShare->bytes : 0; }

private:
    friend class Budget;
    struct Share {
        std::shared_ptr<qint64> kept;
        qint64 bytes = 0;
        ~Share() { *kept -= bytes; }
    };
    std::shared_ptr<Share> mShare;
};

// What one drawing may spend: work, in units of about one pixel painted (roughly a
// nanosecond here), and memory kept between records. Both are asked for before they
// are spent, so that a file asking for too much ends early instead of running away.
class Budget {
public:
    Budget(double work, qint64 memory);

    // False once the work is used up (the units are taken all the same).
    [[nodiscard]] bool spend(double units);
    // Would `bytes` more, held for a moment, stay within the memory limit?
    [[nodiscard]] bool fits(qint64 bytes) const;
    // Makes `charge` stand for `bytes`: in place when no copy shares it, otherwise as a
    // share of its own (the copies keep the old one). False, and nothing changed, when
    // that would pass the limit.
    [[nodiscard]] bool keep(Charge &charge, qint64 bytes);

    qint64 kept() const { return *mKept; }
    qint64 memoryLimit() const { return mLimit; }
    double workLeft() const { return mWork; }

private:
    double mWork;
    qint64 mLimit;
    std::shared_ptr<qint64> mKept;
};

} // namespace mv::metafile
