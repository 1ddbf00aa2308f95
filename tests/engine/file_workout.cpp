#include "file_workout.h"

#include <cmath>
#include <memory>
#include <vector>

#include "engine/mixer_engine.h"
#include "engine/offline_output.h"

namespace enginetest {
namespace {

constexpr int kRate = 48000;

class Workout {
  public:
    Workout() {
        auto offline = std::make_unique<engine::OfflineOutput>(kRate, 256);
        output_ = offline.get();
        engine_ = std::make_unique<engine::MixerEngine>(std::move(offline));
    }

    std::string run(const std::string& path, uint8_t knob) {
        const engine::OpenResult opened = engine_->open(path, 0);
        if (opened.error == engine::OpenError::FileNotFound) {
            return "an existing file reported missing";
        }
        if (opened.error != engine::OpenError::None) {
            return "";
        }
        device_ = opened.device;
        length_ = engine_->lengthMs(device_);
        if (length_ <= 0 || engine_->positionMs(device_) != 0 ||
            engine_->mode(device_) != engine::Mode::Stopped) {
            return "opened in a bad state, length " + std::to_string(length_);
        }
        engine_->play(device_, 0, length_);
        render(kRate);

        engine_->seek(device_, 0);
        engine_->setSpeed(device_, 500 + knob * 6);
        engine_->setLevels(device_, knob * 3, 1000 - knob * 3);
        engine_->play(device_, 0, length_);
        render(kRate / 4);

        engine_->seek(device_, length_ / 2);
        engine_->setSpeed(device_, 2000 - knob * 4);
        engine_->play(device_, length_ / 2, length_);
        render(kRate / 4);
        engine_->pause(device_);
        render(kRate / 20);
        engine_->resume(device_);
        render(kRate / 4);

        engine_->seek(device_, length_ + 1000);  // past the end: rests on the end
        check();
        engine_->play(device_, length_, length_);
        render(kRate / 10);
        if (failure_.empty() && engine_->positionMs(device_) != length_) {
            failure_ = "a play at the end left the end";
        }
        engine_->close(device_);
        render(kRate / 10);  // the fade-out
        return failure_;
    }

  private:
    void render(size_t frames) {
        buffer_.resize(2 * frames);
        output_->render(buffer_.data(), frames);
        for (const float sample : buffer_) {
            if (failure_.empty() && (!std::isfinite(sample) || std::fabs(sample) > 1.0f)) {
                failure_ = "output not finite or beyond full scale: " + std::to_string(sample);
            }
        }
        check();
    }
    void check() {
        const int64_t position = engine_->positionMs(device_);
        if (failure_.empty() && (position < 0 || position > length_)) {
            failure_ = "position " + std::to_string(position) + " outside the length " +
                       std::to_string(length_);
        }
    }

    engine::OfflineOutput* output_ = nullptr;
    std::unique_ptr<engine::MixerEngine> engine_;
    engine::DeviceId device_ = 0;
    int64_t length_ = 0;
    std::vector<float> buffer_;
    std::string failure_;
};

}  // namespace

std::string workOut(const std::string& path, uint8_t knob) {
    return Workout().run(path, knob);
}

}  // namespace enginetest
