#pragma once
// Keeps the mix within full scale without touching a mix that already is. A period whose
// every sample is within full scale, while no earlier over is still being recovered from,
// passes bit for bit. Over full scale, one gain for both channels (so the stereo image
// stays put) brings the loudest sample of each frame to full scale: the callback holds
// the whole period before it writes, so the gain starts falling ahead of an over within
// the period, adding no latency; afterwards it recovers slowly enough not to pump.
//
// Threads: constructed on the UI thread; process runs on the audio callback and never
// locks, allocates, logs or does I/O (its scratch is a fixed array for that reason).

#include <cstddef>

namespace engine {

class Limiter {
  public:
    explicit Limiter(int sampleRate);
    // Limits `frames` interleaved stereo frames in place.
    void process(float* stereo, size_t frames) noexcept;

  private:
    static constexpr size_t kSpan = 1024;  // frames looked ahead over at most
    void limit(float* stereo, size_t frames);

    const float attackStep_;  // the most the gain falls per frame ahead of an over
    const float keep_;        // share of the reduction still left after a frame of recovery
    // 1 - gain. Kept as the reduction, not the gain, so that recovery shrinks it towards 0
    // with float precision to spare: a gain near 1 would stop moving well short of it.
    float reduction_ = 0;
    float ceiling_[kSpan];  // per frame: the highest gain that keeps every over ahead in
};

}  // namespace engine
