#include "app/layout.h"

namespace app {
namespace {

// Where a row's control lives in Controls: a single control or a member of a pair.
struct Slot {
    Control Controls::*single = nullptr;
    ControlPair Controls::*pair = nullptr;
};

constexpr Slot one(Control Controls::*member) {
    return {member, nullptr};
}

constexpr Slot pair(ControlPair Controls::*member) {
    return {nullptr, member};
}

enum class FontChoice { Window, PlaySign, PlaylistButton };

struct Details {
    int32_t back = kSystemColour;
    int32_t fore = kSystemColour;
    bool transparent = false;
    Alignment align = Alignment::Left;
    FontChoice font = FontChoice::Window;
    bool visible = true;
    bool acceptsDrops = false;
    float scaleWidth = 0.0f;  // 0: the inner width in twips
    float scaleHeight = 0.0f;
    bool enabled = true;
    int32_t interval = 0;
};

struct LayoutRow {
    const char* name;
    Slot slot;
    int16_t index;
    ControlKind kind;
    Slot container;  // empty: the window's client area
    int32_t left, top, width, height;
    const char* text;
    Details details;
};

using K = ControlKind;
constexpr Slot kWindow{};
constexpr Details kKnob{.back = kHighlightColour};
constexpr Details kCaption{.fore = kYellow, .transparent = true, .align = Alignment::Centre};
constexpr Details kTitle{.transparent = true, .align = Alignment::Centre};
constexpr Details kPlaylist{.acceptsDrops = true};
constexpr Details kPathList{.visible = false};
constexpr Details kPlaylistButton{.font = FontChoice::PlaylistButton};
constexpr Details kPlayButton{.font = FontChoice::PlaySign};
constexpr Details kVolumeTrack{.scaleHeight = 110.0f};
constexpr Details kSpeedTrack{.scaleHeight = 200.0f};
constexpr Details kSeekTrack{.scaleWidth = 200.0f};

// clang-format off
const LayoutRow kLayout[] = {
    {"Decks", one(&Controls::Decks), -1, K::Window, kWindow, 0, 0, 8415, 6855, "Rotavox",
        {.back = kDarkBlue, .fore = kYellow}},
    {"picSpeed", pair(&Controls::picSpeed), 0, K::PictureBox, kWindow, 120, 120, 375, 2055, "", kSpeedTrack},
    {"lblSpeed", pair(&Controls::lblSpeed), 0, K::Label, pair(&Controls::picSpeed), 0, 960, 495, 135, "", kKnob},
    {"Shape1", one(&Controls::Shape1), -1, K::Circle, kWindow, 600, 360, 1695, 1575, "", {.back = kLightBlue, .fore = kYellow}},
    {"lblTrack", pair(&Controls::lblTrack), 0, K::Label, kWindow, 840, 840, 1215, 615, "READY", kTitle},
    {"picVolume", pair(&Controls::picVolume), 0, K::PictureBox, kWindow, 2400, 120, 375, 2055, "", kVolumeTrack},
    {"lblVolume", pair(&Controls::lblVolume), 0, K::Label, pair(&Controls::picVolume), 0, 0, 495, 135, "", kKnob},
    {"picProgress", pair(&Controls::picProgress), 0, K::PictureBox, kWindow, 120, 2280, 2655, 255, "", kSeekTrack},
    {"lblProgress", pair(&Controls::lblProgress), 0, K::Label, pair(&Controls::picProgress), 0, 0, 135, 255, "", kKnob},
    {"lblTime", pair(&Controls::lblTime), 0, K::Label, kWindow, 0, 2520, 2775, 255, "0:00 / 0:00", kCaption},
    {"picPlay", pair(&Controls::picPlay), 0, K::PushButton, kWindow, 720, 2760, 615, 495, "u", kPlayButton},
    {"picPause", pair(&Controls::picPause), 0, K::PushButton, kWindow, 1440, 2760, 615, 495, "ll", {}},
    {"chkLeft", one(&Controls::chkLeft), -1, K::CheckBox, kWindow, 120, 3480, 2655, 255, "Just left speaker",
        {.back = kDarkBlue, .fore = kYellow}},
    {"lstPlaylist", pair(&Controls::lstPlaylist), 0, K::ListBox, kWindow, 120, 3840, 2655, 2595, "", kPlaylist},
    {"lstPlayListPath", pair(&Controls::lstPlayListPath), 0, K::ListBox, kWindow, 480, 4200, 1815, 1425, "", kPathList},
    {"picVideo", one(&Controls::picVideo), -1, K::PictureBox, kWindow, 2880, 120, 2655, 2055, "", {}},
    {"Label1", one(&Controls::Label1), -1, K::Label, kWindow, 2880, 2400, 2655, 255, "Crossfade", kCaption},
    {"picCrossfade", one(&Controls::picCrossfade), -1, K::PictureBox, kWindow, 2880, 2640, 2655, 255, "",
        {.scaleWidth = 107.0f}},
    {"lblCrossfade", one(&Controls::lblCrossfade), -1, K::Label, one(&Controls::picCrossfade), 0, 0, 135, 255, "", kKnob},
    {"Label2", one(&Controls::Label2), -1, K::Label, kWindow, 2880, 3120, 2655, 255, "Samples", kCaption},
    {"file1", one(&Controls::file1), -1, K::FileListBox, kWindow, 2880, 3360, 2295, 1845, "", {}},
    {"picSampleVolume", one(&Controls::picSampleVolume), -1, K::PictureBox, kWindow, 5280, 3360, 255, 1815, "", kVolumeTrack},
    {"lblSampleVolume", one(&Controls::lblSampleVolume), -1, K::Label, one(&Controls::picSampleVolume), 0, 0, 495, 135, "", kKnob},
    {"cmdAddPlaylist", pair(&Controls::cmdAddPlaylist), 0, K::PushButton, kWindow, 2880, 5400, 495, 495, "+", kPlaylistButton},
    {"cmdRemovePlaylist", pair(&Controls::cmdRemovePlaylist), 0, K::PushButton, kWindow, 2880, 6000, 495, 495, "-", kPlaylistButton},
    {"cmdAddPlaylist", pair(&Controls::cmdAddPlaylist), 1, K::PushButton, kWindow, 5040, 5400, 495, 495, "+", kPlaylistButton},
    {"cmdRemovePlaylist", pair(&Controls::cmdRemovePlaylist), 1, K::PushButton, kWindow, 5040, 6000, 495, 495, "-", kPlaylistButton},
    {"picSpeed", pair(&Controls::picSpeed), 1, K::PictureBox, kWindow, 5640, 120, 375, 2055, "", kSpeedTrack},
    {"lblSpeed", pair(&Controls::lblSpeed), 1, K::Label, pair(&Controls::picSpeed), 0, 960, 495, 135, "", kKnob},
    {"Shape2", one(&Controls::Shape2), -1, K::Circle, kWindow, 6120, 360, 1695, 1575, "", {.back = kLightBlue, .fore = kYellow}},
    {"lblTrack", pair(&Controls::lblTrack), 1, K::Label, kWindow, 6360, 840, 1215, 615, "READY", kTitle},
    {"picVolume", pair(&Controls::picVolume), 1, K::PictureBox, kWindow, 7920, 120, 375, 2055, "", kVolumeTrack},
    {"lblVolume", pair(&Controls::lblVolume), 1, K::Label, pair(&Controls::picVolume), 0, 0, 495, 135, "", kKnob},
    {"picProgress", pair(&Controls::picProgress), 1, K::PictureBox, kWindow, 5640, 2280, 2655, 255, "", kSeekTrack},
    {"lblProgress", pair(&Controls::lblProgress), 1, K::Label, pair(&Controls::picProgress), 0, 0, 135, 255, "", kKnob},
    {"lblTime", pair(&Controls::lblTime), 1, K::Label, kWindow, 5640, 2520, 2775, 255, "0:00 / 0:00", kCaption},
    {"picPlay", pair(&Controls::picPlay), 1, K::PushButton, kWindow, 6360, 2760, 615, 495, "u", kPlayButton},
    {"picPause", pair(&Controls::picPause), 1, K::PushButton, kWindow, 7080, 2760, 615, 495, "ll", {}},
    {"chkRight", one(&Controls::chkRight), -1, K::CheckBox, kWindow, 5640, 3480, 2655, 255, "Just right speaker",
        {.back = kDarkBlue, .fore = kYellow, .align = Alignment::Right}},
    {"lstPlaylist", pair(&Controls::lstPlaylist), 1, K::ListBox, kWindow, 5640, 3840, 2655, 2595, "", kPlaylist},
    {"lstPlayListPath", pair(&Controls::lstPlayListPath), 1, K::ListBox, kWindow, 6000, 4200, 1215, 1425, "", kPathList},
    {"lblCopyright", one(&Controls::lblCopyright), -1, K::Label, kWindow, 120, 6600, 8175, 255, "By Quillfen", kCaption},
    {"tmrPlay", one(&Controls::tmrPlay), -1, K::Timer, kWindow, 0, 0, 0, 0, "",
        {.visible = false, .enabled = false, .interval = 100}},
    {"comDialog", one(&Controls::comDialog), -1, K::FileDialog, kWindow, 0, 0, 0, 0, "", {.visible = false}},
};
// clang-format on

Control& at(Controls& controls, const Slot& slot, int16_t index) {
    return slot.single != nullptr ? controls.*(slot.single) : (controls.*(slot.pair))[index];
}

Font fontOf(FontChoice choice) {
    switch (choice) {
        case FontChoice::PlaySign:
            return {"Wingdings 3", 8.25f, true, true};
        case FontChoice::PlaylistButton:
            return {"MS Sans Serif", 12.0f, true, false};
        case FontChoice::Window:
            break;
    }
    return {"MS Sans Serif", 8.25f, true, false};
}

Control fromRow(const LayoutRow& row) {
    const Details& details = row.details;
    Control control;
    control.Name = row.name;
    control.Index = row.index;
    control.Kind = row.kind;
    control.TextFont = fontOf(details.font);
    control.ForeColor = details.fore;
    control.BackTransparent = details.transparent;
    control.TextAlignment = details.align;
    control.Visible = details.visible;
    control.AcceptsDrops = details.acceptsDrops;
    control.Left = static_cast<float>(row.left);
    control.Top = static_cast<float>(row.top);
    control.Width = static_cast<float>(row.width);
    control.Height = static_cast<float>(row.height);
    control.Caption = row.text;
    control.BackColor = details.back;
    control.Enabled = details.enabled;
    control.Interval = details.interval;
    if (row.kind == K::PictureBox || row.kind == K::Window) {
        const float border = row.kind == K::PictureBox ? kPictureBorderTwips : 0.0f;
        control.ScaleWidth =
            details.scaleWidth != 0.0f ? details.scaleWidth : control.Width - border;
        control.ScaleHeight =
            details.scaleHeight != 0.0f ? details.scaleHeight : control.Height - border;
    }
    return control;
}

// A knob's geometry is given in twips; inside its track it is held in track units.
void placeInTrack(Control& knob, const Control& track) {
    const float perTwipAcross = track.ScaleWidth / (track.Width - kPictureBorderTwips);
    const float perTwipDown = track.ScaleHeight / (track.Height - kPictureBorderTwips);
    knob.Container = track.Name;
    knob.Left *= perTwipAcross;
    knob.Width *= perTwipAcross;
    knob.Top *= perTwipDown;
    knob.Height *= perTwipDown;
}

bool onWindow(const LayoutRow& row) {
    return row.container.single == nullptr && row.container.pair == nullptr;
}

}  // namespace

Controls BuildControls() {
    Controls controls;
    for (const LayoutRow& row : kLayout) {
        Control& control = at(controls, row.slot, row.index);
        control = fromRow(row);
        if (!onWindow(row)) {
            placeInTrack(control, at(controls, row.container, row.index));
        }
    }
    return controls;
}

void ForEachControl(Controls& controls, const std::function<void(Control&)>& visit) {
    for (const LayoutRow& row : kLayout) {
        visit(at(controls, row.slot, row.index));
    }
}

}  // namespace app
