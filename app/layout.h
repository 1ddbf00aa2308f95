#pragma once
// Every control of the window `Decks`, typed by name for the handlers, built from
// one layout table that the view also walks to draw them.

#include <array>
#include <functional>

#include "app/controls.h"

namespace app {

using ControlPair = std::array<Control, 2>;  // index 0: left deck, 1: right deck

// Twips the sunken border of a picture box takes off each of its outer sides' sum.
inline constexpr float kPictureBorderTwips = 60.0f;

struct Controls {
    Control Decks;  // the window itself
    ControlPair picSpeed, lblSpeed;
    Control Shape1, Shape2;
    ControlPair lblTrack;
    ControlPair picVolume, lblVolume;
    ControlPair picProgress, lblProgress;
    ControlPair lblTime;
    ControlPair picPlay, picPause;
    Control chkLeft, chkRight;
    ControlPair lstPlaylist, lstPlayListPath;
    Control picVideo;
    Control Label1;
    Control picCrossfade, lblCrossfade;
    Control Label2;
    Control file1;
    Control picSampleVolume, lblSampleVolume;
    ControlPair cmdAddPlaylist, cmdRemovePlaylist;
    Control lblCopyright;
    Control tmrPlay;
    Control comDialog;
};

// The controls as the window creates them.
Controls BuildControls();

// Visits every control in layout order (containers before their knobs; later
// controls are drawn above earlier ones).
void ForEachControl(Controls& controls, const std::function<void(Control&)>& visit);

}  // namespace app
