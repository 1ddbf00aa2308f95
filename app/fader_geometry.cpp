#include "app/fader_geometry.h"

#include <cmath>
#include <stdexcept>

#include "app/layout.h"

namespace app {
namespace {

float innerExtentTwips(const Control& track, Axis axis) {
    return (axis == Axis::Vertical ? track.Height : track.Width) - kPictureBorderTwips;
}

float& scaleAlong(Control& track, Axis axis) {
    return axis == Axis::Vertical ? track.ScaleHeight : track.ScaleWidth;
}

}  // namespace

float ScaleExtent(const Control& track, Axis axis) {
    return axis == Axis::Vertical ? track.ScaleHeight : track.ScaleWidth;
}

float& KnobPosition(Control& knob, Axis axis) {
    return axis == Axis::Vertical ? knob.Top : knob.Left;
}

float KnobSize(const Control& knob, Axis axis) {
    return axis == Axis::Vertical ? knob.Height : knob.Width;
}

void SetTrackScale(Control& track, Control& knob, Axis axis, float units) {
    if (units == 0.0f || !std::isfinite(units)) {
        throw std::invalid_argument("Invalid property value");
    }
    float& scale = scaleAlong(track, axis);
    KnobPosition(knob, axis) *= units / scale;
    (axis == Axis::Vertical ? knob.Height : knob.Width) =
        kKnobLengthTwips * units / innerExtentTwips(track, axis);
    scale = units;
}

float KeptOnTrack(float position, float knobSize, float scaleExtent) {
    if (position <= 0.0f) {
        return 0.0f;
    }
    const float end = knobSize + position;
    return end >= scaleExtent ? scaleExtent - knobSize : position;
}

}  // namespace app
