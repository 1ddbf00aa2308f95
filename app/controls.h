#pragma once
// One control of the window `Decks` as plain data: the view draws it, writes what
// the user changed into it, and the handlers read and write the same fields.
//
// Geometry is in the container's units: twips for controls on the window, the
// track's user scale for a fader knob inside its picture box.

#include <cstdint>
#include <string>
#include <vector>

namespace app {

enum class ControlKind {
    Window,
    PictureBox,
    Label,
    PushButton,
    CheckBox,
    ListBox,
    FileListBox,
    Circle,
    Timer,
    FileDialog
};

inline constexpr float kTwipsPerPixel = 15.0f;  // twips in one logical pixel

// Text alignment; for a check box, the side its box stands on.
enum class Alignment { Left, Centre, Right };

// Colours are 0xRRGGBB, or one of the toolkit's system colours below.
inline constexpr int32_t kSystemColour = -1;
inline constexpr int32_t kHighlightColour = -2;
inline constexpr int32_t kBlack = 0x000000;
inline constexpr int32_t kDarkBlue = 0x000040;
inline constexpr int32_t kYellow = 0xFFFF00;
inline constexpr int32_t kLightBlue = 0xC0C0FF;

struct Font {
    std::string Name;
    float Size = 0.0f;  // points
    bool Bold = false;
    bool SymbolCharset = false;
};

struct Control {
    // Identity and look, fixed by the layout.
    std::string Name;
    int16_t Index = -1;  // -1 outside a control array
    ControlKind Kind = ControlKind::Label;
    std::string Container;  // "" for the window's client area
    Font TextFont;
    int32_t ForeColor = kSystemColour;
    bool BackTransparent = false;
    Alignment TextAlignment = Alignment::Left;
    bool Visible = true;
    bool AcceptsDrops = false;

    // State the handlers and the view share.
    float Left = 0.0f;
    float Top = 0.0f;
    float Width = 0.0f;
    float Height = 0.0f;
    std::string Caption;
    int32_t BackColor = kSystemColour;
    float ScaleWidth = 0.0f;   // picture boxes: units across the inner width
    float ScaleHeight = 0.0f;  // picture boxes: units down the inner height
    int32_t hWnd = 0;          // written by the view from the window registry
    int16_t Value = 0;         // check boxes: 1 when ticked
    bool Enabled = true;
    int32_t Interval = 0;  // timers, milliseconds

    // List boxes and the file list box.
    std::vector<std::string> List;
    int32_t ListIndex = -1;  // -1 when nothing is selected
    std::string Path;        // file list box: the folder shown
    std::string FileName;    // file list box: the selected name, "" when none

    // True when ListIndex names an entry.
    bool HasSelection() const;
    // The selected entry's text, "" when nothing is selected.
    std::string Text() const;
    void AddItem(const std::string& text);
    // Both fail (std::out_of_range) for a position that holds no entry.
    void RemoveItem(int32_t position);
    void Select(int32_t position);
};

}  // namespace app
