#pragma once
// Bringing a widget in line with the model after a handler or a tick, touching it only
// where the model differs: most redraws change nothing, and setting an unchanged
// geometry or palette still costs the toolkit work.

#include <QColor>
#include <QRect>
#include <QWidget>

namespace gui {

void PlaceAt(QWidget& widget, const QRect& place);
// The colour the widget fills its back with.
void FillWith(QWidget& widget, const QColor& colour);

}  // namespace gui
