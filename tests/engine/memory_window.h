#pragma once
// A window host kept in memory for tests: registered under a handle while it lives, it
// records where its picture is placed, which frame it shows and how many times a frame was
// sent to it, and whether the picture still exists.

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <thread>

#include "windowing/window_registry.h"

namespace enginetest {

class MemoryHost final : public windowing::WindowHost {
  public:
    struct Seen {
        bool exists = false;  // a picture was created and not yet destroyed
        int created = 0;
        windowing::Rect place{};  // left, top, right, bottom
        std::shared_ptr<const windowing::VideoFrame> frame;
        int shows = 0;  // show() calls since the picture was created
    };

    MemoryHost() : handle_(windowing::RegisterWindowHost(*this)) {}
    ~MemoryHost() override { windowing::UnregisterWindowHost(handle_); }

    int32_t handle() const { return handle_; }
    Seen seen() const {
        std::lock_guard lock(state_->mutex);
        return state_->seen;
    }
    // Waits (bounded) until `done` holds for what the picture shows; returns what it shows.
    template <typename Done>
    Seen waitUntil(Done done, std::chrono::milliseconds limit = std::chrono::seconds(3)) const {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        Seen now = seen();
        while (!done(now) && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
            now = seen();
        }
        return now;
    }

    // Whether anyone sees the picture (as a host covered by another view says).
    void setPictureSeen(bool seen) { state_->pictureSeen = seen; }

    windowing::Rect outerRect() const override { return {0, 0, 640, 480}; }
    std::unique_ptr<windowing::Picture> createPicture() override {
        std::lock_guard lock(state_->mutex);
        state_->seen = Seen{true, state_->seen.created + 1, {}, nullptr, 0};
        return std::make_unique<MemoryPicture>(state_);
    }

  private:
    struct State {
        std::mutex mutex;
        Seen seen;
        std::atomic<bool> pictureSeen{true};
    };
    class MemoryPicture final : public windowing::Picture {
      public:
        explicit MemoryPicture(std::shared_ptr<State> state) : state_(std::move(state)) {}
        ~MemoryPicture() override {
            std::lock_guard lock(state_->mutex);
            state_->seen.exists = false;
        }
        void place(int32_t x, int32_t y, int32_t cx, int32_t cy) override {
            std::lock_guard lock(state_->mutex);
            state_->seen.place = {x, y, x + cx, y + cy};
        }
        void show(std::shared_ptr<const windowing::VideoFrame> frame) override {
            std::lock_guard lock(state_->mutex);
            state_->seen.frame = std::move(frame);
            ++state_->seen.shows;
        }
        bool seen() const override { return state_->pictureSeen; }

      private:
        std::shared_ptr<State> state_;
    };

    std::shared_ptr<State> state_ = std::make_shared<State>();
    int32_t handle_;
};

}  // namespace enginetest
