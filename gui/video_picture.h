#pragma once
// A video picture: a child widget of its host that shows the latest frame handed to it.
// Frames may come from any thread; only the newest waiting frame is drawn, so a frame
// that a newer one overtook is dropped. The widget never takes mouse or keyboard input.
//
// A fitted picture (a video sample's) ignores where it is placed: it takes the largest
// rectangle of its placed shape centred in its parent, and stays above the other pictures.
//
// Lifetime: the picture must be destroyed (UI thread) after the last show() has returned
// and before its host widget goes away; it deletes its widget.

#include <QWidget>
#include <memory>
#include <mutex>

#include "windowing/picture.h"

namespace gui {

class FrameWidget;

class VideoPicture final : public windowing::Picture {
  public:
    enum class Placing { AsPlaced, Fitted };
    VideoPicture(QWidget& parent, Placing placing);
    ~VideoPicture() override;
    VideoPicture(const VideoPicture&) = delete;
    VideoPicture& operator=(const VideoPicture&) = delete;

    void place(int32_t x, int32_t y, int32_t cx, int32_t cy) override;
    void show(std::shared_ptr<const windowing::VideoFrame> frame) override;
    bool seen() const override;

    QWidget& widget();

  private:
    // Shared with the queued deliveries, which may outlive a show() call.
    struct Mailbox {
        std::mutex mutex;
        std::shared_ptr<const windowing::VideoFrame> newest;
        bool deliveryQueued = false;
    };

    FrameWidget* widget_;  // owned: deleted by the destructor
    Placing placing_;
    std::shared_ptr<Mailbox> mailbox_ = std::make_shared<Mailbox>();
};

}  // namespace gui
