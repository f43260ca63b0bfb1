#pragma once

#include "imaging/imgblt.h"

#include <QBrush>

class QPainter;

namespace mv {

// One pattern brush made from a small bitmap, filling rectangles.
class cTile
{
public:
    // False for a picture that holds no bitmap; any previous pattern then stays.
    [[nodiscard]] bool CreatePatternFromStdPicture(const StdPicture &Image);
    // With ResetBrushOrigin the pattern starts at (x, y), otherwise at the target's (0, 0).
    // The target keeps the brush origin set here.
    void Tile(QPainter &hDC, int x, int y, int Width, int Height, bool ResetBrushOrigin) const;
    void DestroyPattern();
    bool hBrush() const { return mHasBrush; }

private:
    QBrush mBrush;
    bool mHasBrush = false;
};

} // namespace mv
