#pragma once
// A fader is a knob (label) inside a track (picture box) with a user scale along
// one axis. Knob positions and sizes along the axis are in the track's units.

#include "app/controls.h"

namespace app {

enum class Axis { Vertical, Horizontal };

// Every knob is this long along its axis, whatever the track's scale.
inline constexpr float kKnobLengthTwips = 135.0f;

float ScaleExtent(const Control& track, Axis axis);
float& KnobPosition(Control& knob, Axis axis);
float KnobSize(const Control& knob, Axis axis);

// Gives the track `units` along its axis. The knob keeps its physical place and
// size, so both are re-expressed in the new units. Fails for 0 or a non-finite
// scale, which the toolkit refuses as a property value.
void SetTrackScale(Control& track, Control& knob, Axis axis, float units);

// Where a dragged knob may stand: not before the track's start, and not so far
// that it overhangs the end. Compared in single precision.
float KeptOnTrack(float position, float knobSize, float scaleExtent);

}  // namespace app
