#include "engine/offline_output.h"

#include <algorithm>

namespace engine {

void OfflineOutput::render(float* interleavedStereo, size_t frames) {
    while (frames > 0) {
        const size_t n = std::min(frames, periodFrames_);
        if (callback_ != nullptr) {
            callback_->renderPeriod(interleavedStereo, n, true);
        } else {
            std::fill(interleavedStereo, interleavedStereo + 2 * n, 0.0f);
        }
        rendered_ += static_cast<int64_t>(n);
        interleavedStereo += 2 * n;
        frames -= n;
    }
}

}  // namespace engine
