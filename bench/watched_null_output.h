#pragma once
// The clocked null output with a hook around every callback, for benchmarks that time the
// engine's callback in real time. Subclasses implement renderPeriod and call engineCallback() in
// it.

#include "engine/null_output.h"

namespace bench {

class WatchedNullOutput : public engine::Output, protected engine::RenderCallback {
  public:
    WatchedNullOutput(int sampleRate, size_t periodFrames) : inner_(sampleRate, periodFrames) {}
    bool start(engine::RenderCallback& callback) override {
        engine_ = &callback;
        return inner_.start(*this);
    }
    void stop() override { inner_.stop(); }
    int sampleRate() const override { return inner_.sampleRate(); }
    size_t periodFrames() const override { return inner_.periodFrames(); }

  protected:
    engine::RenderCallback& engineCallback() { return *engine_; }

  private:
    engine::NullOutput inner_;
    engine::RenderCallback* engine_ = nullptr;
};

}  // namespace bench
