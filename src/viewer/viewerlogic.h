#pragma once

#include "imaging/codec.h"

#include <QRect>
#include <QSize>
#include <QString>

namespace mv {

// The viewer window's rules, free of widgets so that they can be tested alone.

inline constexpr QSize ViewerDefaultSize{750, 550};

struct ViewerPlacement {
    QRect rect;              // the window's outer rectangle (the restore rectangle when maximised)
    bool maximized = false;
};

// Placement from Max2 and PlayerWnd2 ("left,top,width,height") on a screen of the given
// size: sizes outside 750 x 550 .. the screen become 750 x 550, edges off the screen centre
// the window.
ViewerPlacement PlaceViewer(const QString &max2, const QString &playerWnd2, QSize screen);
QString PlacementText(const QRect &rect);

// The zoom the zoom buttons step from: 0.1 steps between 0.1 and 5.0.
class ViewZoomSteps
{
public:
    double value() const { return mValue; }
    void reset(double value = 1.0) { mValue = value; }
    // False when the limit was reached and nothing changed.
    bool zoomIn();
    bool zoomOut();

private:
    double mValue = 1.0;
};

// How far the shown image has been turned clockwise since it was loaded.
class RotationState
{
public:
    int angle() const { return mAngle; }
    int code() const { return mAngle / 90; } // quarter turns for the turned copy
    bool canSave() const { return mAngle != 0; }
    void turnClockwise() { mAngle = (mAngle + 90) % 360; }
    void turnCounterClockwise() { mAngle = (mAngle + 270) % 360; }
    void reset() { mAngle = 0; }

private:
    int mAngle = 0;
};

// "/pics/a.jpg" -> "/pics/a_旋转.jpg": every occurrence of the extension is taken out of
// the name, not only the last one. The copy is written in the format written, and its name
// says so: an extension that does not name that format (a GIF's copy is a PNG) becomes the
// format's own.
QString TurnedCopyPath(const QString &path, ImageFormat written);

// A file at the turned copy's path may be the user's own: it is replaced only when they say
// so. True when the copy may be written.
bool MayWriteTurnedCopy(const QString &target);

} // namespace mv
