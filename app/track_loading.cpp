// PlaySong: the one way a track reaches a deck. Each step that fails is skipped
// and the load goes on; there is no rollback.

#include "app/Decks.h"
#include "app/device_names.h"
#include "app/failure_kinds.h"
#include "app/track_texts.h"
#include "media/Media.h"
#include "util/checked_arithmetic.h"
#include "util/useful.h"

namespace app {
namespace {

constexpr float kSeekScaleAtCreation = 200.0f;

}  // namespace

void Decks::PlaySong(const std::string& fileName, int16_t deck) {
    controls.tmrPlay.Enabled = true;
    if (!useful::IsPlayableFile(fileName)) {
        return;
    }
    // A file that does not answer at once (a slow network mount) loads once it has; the
    // deck plays on meanwhile, and a later load on it comes instead.
    const uint64_t load = ++loads_[DeckIndex(deck)];
    const bool answered = files_.Answered(fileName, [this, fileName, deck, load] {
        if (loads_[DeckIndex(deck)] == load) {
            PlaySong(fileName, deck);
        }
    });
    if (!answered) {
        return;
    }
    const bool video = useful::IsVideoFile(fileName);
    const int16_t side = DeckOf(deck);
    const std::string alias = AliasOf(deck);
    Control& picVideo = controls.picVideo;
    bool opened = false;
    SkipFailingSteps({
        [&] {
            if (video) {
                picVideo.BackColor = kBlack;
            }
        },
        [&] { Media::CloseMedia(alias); },
        [&] {
            opened =
                Media::OpenMedia(picVideo.hWnd, alias, fileName, kDeviceType) == Media::kSuccess;
        },
        [&] { Media::PlayMedia(alias, "", ""); },
    });
    // A file that did not open would otherwise read as a one-second track.
    if (opened) {
        showTrackLength(side);
    } else {
        showEmptyDeck(side);
    }
    SkipFailingSteps({
        [&] {
            if (video) {
                Media::PlaceVideoWindow(picVideo.hWnd, alias, 0, 0,
                                        useful::RoundToInt32(picVideo.Width / kTwipsPerPixel),
                                        useful::RoundToInt32(picVideo.Height / kTwipsPerPixel));
            }
        },
        [&] { controls.lblTrack[side].Caption = TrackCaption(fileName); },
        [&] { Media::SetSpeed(alias, SpeedAt(controls.lblSpeed[side].Top)); },
        [&] { runVolumeRoutineInPlace(); },
    });
}

// Frame rate, seek-bar scale and total time of the track just opened.
void Decks::showTrackLength(int16_t deck) {
    const std::string alias = AliasOf(deck);
    int16_t& frameRate = state.frameRate(deck);
    int32_t totalSeconds = 0;
    SkipFailingSteps({
        [&] { frameRate = useful::RoundToInt16(Media::GetFrameRate(alias)); },
        [&] {
            const double seconds = useful::CheckedDivide(Media::GetLengthFrames(alias), frameRate);
            SetTrackScale(controls.picProgress[deck], controls.lblProgress[deck], Axis::Horizontal,
                          static_cast<float>(seconds));
        },
        [&] {
            totalSeconds = useful::RoundToInt32(
                useful::CheckedDivide(Media::GetLengthFrames(alias), frameRate));
        },
        [&] { state.totalTime(deck) = MinutesAndSeconds(totalSeconds); },
        [&] { controls.lblTime[deck].Caption = state.totalTime(deck); },
    });
}

// A deck whose file did not open shows no track: no rate, no length, knob at the start.
void Decks::showEmptyDeck(int16_t deck) {
    state.frameRate(deck) = 0;
    state.totalTime(deck) = MinutesAndSeconds(0);
    SetTrackScale(controls.picProgress[deck], controls.lblProgress[deck], Axis::Horizontal,
                  kSeekScaleAtCreation);
    controls.lblProgress[deck].Left = 0.0f;
    controls.lblTime[deck].Caption = state.totalTime(deck) + " / " + state.totalTime(deck);
}

}  // namespace app
