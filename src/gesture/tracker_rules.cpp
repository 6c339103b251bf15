#include "gesture/tracker_rules.h"

namespace cc {

void BeginGestureState(GestureSession& s, Point press) {
    s.Tracking = 1;
    s.SkipNextRightUp = 0;
    s.Drawing = 0;
    s.PressPoint = press;
    s.StrokeCount = 0;
    s.TimedOut = 0;
}

uint32_t PackPointLParam(Point p) {
    return (static_cast<uint32_t>(p.x) & 0xFFFFu) | ((static_cast<uint32_t>(p.y) & 0xFFFFu) << 16);
}

}  // namespace cc
