#pragma once
// The control model's units on screen: twips on the window (15 to a logical pixel),
// a track's user scale inside a fader track, and the model's colours.

#include <QColor>
#include <QPointF>
#include <QRect>
#include <QString>

#include "app/controls.h"

namespace gui {

inline constexpr int kBorderPixels = 2;  // the sunken border of every picture box

// Where a control on the window stands, in logical pixels.
QRect WindowRect(const app::Control& control);
// A picture box's client area (inside its border), in logical pixels.
QSize ClientSize(const app::Control& pictureBox);
// Where a knob stands in its track's client area, in logical pixels.
QRect KnobRect(const app::Control& knob, const app::Control& track);
// A point of the track's client area (logical pixels) in the track's units.
QPointF TrackUnits(QPointF clientPixels, const app::Control& track);
// The twips of a point on the window, for events that report window coordinates.
QPointF Twips(QPointF windowPixels);

// A widget's object name: the control's name, with "(i)" for a member of a pair.
QString WidgetName(const app::Control& control);

// The model's colour; the system colours come from the toolkit's palette.
QColor ModelColour(int32_t colour, QColor systemColour, QColor highlight);

}  // namespace gui
