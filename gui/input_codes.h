#pragma once
// The toolkit's mouse buttons, modifier keys and key codes in the handlers' numbers.

#include <Qt>
#include <cstdint>

namespace gui {

int16_t ButtonCode(Qt::MouseButton button);          // left 1, right 2, middle 4, other 0
int16_t ButtonCodes(Qt::MouseButtons buttons);       // the sum over held buttons
int16_t ShiftCode(Qt::KeyboardModifiers modifiers);  // Shift 1, Ctrl 2, Alt 4, summed
// Key codes of the classic virtual-key table: both Enter keys 13, letters and digits
// their upper-case ASCII codes; 0 for a key without one.
int16_t KeyCode(int qtKey);

}  // namespace gui
