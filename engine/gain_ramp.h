#pragma once
// The two per-frame gains a device's sound goes out with, each moving by steps so that no
// change clicks: the levels (one gain per channel, the deck's volume) and the fade
// envelope (play, pause, new start positions, close).
//
// Threads: constructed on the UI thread; everything else on the audio callback, so
// nothing here locks, allocates, logs or does I/O. Steps are inline: they run per frame.

#include <algorithm>
#include <cstddef>

namespace engine {

// The levels: a change ramps linearly over exactly one period and lands exactly on the
// new level.
class LevelRamp {
  public:
    explicit LevelRamp(size_t periodFrames) : periodFrames_(periodFrames) {}

    // Ramps from the gains as they are to `left` and `right` (0..1) over one period.
    void rampTo(float left, float right);
    // Lands on the target at once (a device that is not sounding has nothing to ramp).
    void jump() {
        left_ = targetLeft_;
        right_ = targetRight_;
        framesLeft_ = 0;
    }
    // Moves one frame along the ramp.
    void step() {
        if (framesLeft_ == 0) {
            return;
        }
        left_ += stepLeft_;
        right_ += stepRight_;
        if (--framesLeft_ == 0) {
            jump();  // exactly on target, whatever the rounding on the way
        }
    }
    float left() const { return left_; }
    float right() const { return right_; }
    // At 0 on both channels and staying there.
    bool silent() const { return framesLeft_ == 0 && left_ == 0 && right_ == 0; }
    // On the way to a new level.
    bool ramping() const { return framesLeft_ > 0; }

  private:
    const size_t periodFrames_;
    float left_ = 1, right_ = 1;
    float targetLeft_ = 1, targetRight_ = 1;
    float stepLeft_ = 0, stepRight_ = 0;
    size_t framesLeft_ = 0;  // of the ramp
};

// The fade envelope, from 0 (silent) to 1 (full): it moves toward its target by one
// period's share a frame, so a whole fade takes one period and a fade reversed midway
// turns back from where it is.
class FadeEnvelope {
  public:
    explicit FadeEnvelope(size_t periodFrames);

    void fadeIn() { target_ = 1; }
    void fadeOut() { target_ = 0; }
    // Moves at once, keeping the target: a fade under way carries on from `value`.
    void jumpTo(float value) { value_ = value; }
    // Silent at once and staying so.
    void silence() {
        jumpTo(0);
        fadeOut();
    }
    // Moves one frame toward the target.
    void step() {
        if (value_ < target_) {
            value_ = std::min(target_, value_ + step_);
        } else if (value_ > target_) {
            value_ = std::max(target_, value_ - step_);
        }
    }

    float value() const { return value_; }
    // Heading for silence, or there already.
    bool fadingOut() const { return target_ == 0; }
    // A fade-out is over: nothing more sounds until a fade-in.
    bool fadedOut() const { return value_ == 0 && target_ == 0; }
    // Of the next `frames`, those up to just past the end of a fade-out under way (all of
    // them otherwise), so that a chunk can stop where the fade-out ends.
    size_t clipToFadeOut(size_t frames) const;

  private:
    const float step_;
    float value_ = 0;
    float target_ = 0;
};

}  // namespace engine
