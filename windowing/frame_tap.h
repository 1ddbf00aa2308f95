#pragma once
// The picture a device shows now, at the size it was decoded, for views beside its own
// picture (the projector and the mix preview): they read it, convert and scale it
// themselves. The planes are the decoder's, shared by reference, never copied.
//
// Threads: the presenter publishes from its thread; views read from any.

#include <array>
#include <cstdint>
#include <memory>
#include <mutex>

namespace windowing {

// Three 8-bit planes: luma, then blue and red difference, the two chroma planes of equal
// size (subsampled or not). Immutable once published.
struct DecodedPicture {
    enum class Matrix { Bt601, Bt709 };

    int32_t width = 0, height = 0;                // of the luma plane
    int32_t chromaWidth = 0, chromaHeight = 0;    // of each chroma plane
    int32_t displayWidth = 0, displayHeight = 0;  // its shape on screen (pixel aspect applied)
    std::array<const uint8_t*, 3> planes{};
    std::array<int32_t, 3> strides{};  // bytes from one row to the next
    Matrix matrix = Matrix::Bt601;
    bool fullRange = false;       // 0..255 rather than 16..235 (luma)
    std::shared_ptr<void> owner;  // keeps the planes alive
};

class FrameTap {
  public:
    // An empty pointer: the device shows no picture now.
    void publish(std::shared_ptr<const DecodedPicture> picture) {
        std::lock_guard lock(mutex_);
        latest_ = std::move(picture);
    }
    std::shared_ptr<const DecodedPicture> latest() const {
        std::lock_guard lock(mutex_);
        return latest_;
    }

  private:
    mutable std::mutex mutex_;
    std::shared_ptr<const DecodedPicture> latest_;
};

}  // namespace windowing
