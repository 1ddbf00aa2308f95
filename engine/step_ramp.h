#pragma once
// The step a resampler moves its output time by (input frames per output frame), brought
// to a new ratio linearly over a given number of output frames, so that a change of speed
// has no corner.
//
// Threads: the audio callback's, like the resampler that holds it: nothing here locks,
// allocates, logs or does I/O. Inline: it runs once an output frame.

#include <cstddef>

namespace engine {

class StepRamp {
  public:
    // Moves to `ratio` (output frames per input frame) over `rampFrames` output frames.
    void setRatio(double ratio, size_t rampFrames) {
        target_ = 1 / ratio;
        framesLeft_ = rampFrames;
        if (rampFrames == 0) {
            step_ = target_;
        } else {
            delta_ = (target_ - step_) / static_cast<double>(rampFrames);
        }
    }
    // Ends a ramp under way at once, on its target.
    void land() {
        step_ = target_;
        framesLeft_ = 0;
    }
    // One output frame further along the ramp: the step to the next output frame.
    double next() {
        if (framesLeft_ > 0) {
            step_ += delta_;
            if (--framesLeft_ == 0) {
                step_ = target_;  // exactly on target, whatever the rounding on the way
            }
        }
        return step_;
    }
    double step() const { return step_; }

    // Whether the next `frames` output frames keep one change of step per frame: the ramp
    // is over, or lasts through them.
    bool steadyFor(size_t frames) const { return framesLeft_ == 0 || framesLeft_ >= frames; }
    // The change of step per output frame: 0 once the ramp is over.
    double change() const { return framesLeft_ > 0 ? delta_ : 0; }
    // Moves `frames` output frames along at once, as next() would one by one
    // (steadyFor(frames)).
    void skip(size_t frames) {
        if (framesLeft_ > 0) {
            step_ += static_cast<double>(frames) * delta_;
            framesLeft_ -= frames;
            if (framesLeft_ == 0) {
                step_ = target_;
            }
        }
    }

  private:
    double step_ = 1;
    double target_ = 1;
    double delta_ = 0;
    size_t framesLeft_ = 0;  // of the ramp
};

}  // namespace engine
