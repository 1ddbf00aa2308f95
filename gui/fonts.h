#pragma once
// The model's fonts on this machine, and the text a control shows in them.

#include <QFont>
#include <QString>

#include "app/controls.h"

namespace gui {

// The named font when the machine has it; else a bold sans-serif of the same point
// size. A symbol font becomes a font that has the symbols it stands for.
QFont ControlFont(const app::Font& font);

// The caption as shown: in a symbol font, "u" is the play sign (U+25B6).
QString DisplayText(const app::Control& control);

}  // namespace gui
