#pragma once
// A widget registered as a window host: it answers its outer rectangle and parents the
// video pictures, which live in its client area on top of its controls (or, fitted, in
// another widget's: see VideoPicture).

#include <QWidget>

#include "gui/video_picture.h"
#include "windowing/window_host.h"

namespace gui {

class WidgetWindowHost final : public windowing::WindowHost {
  public:
    // `outer` is the widget whose rectangle is reported; `client` parents the pictures.
    WidgetWindowHost(QWidget& outer, QWidget& client,
                     VideoPicture::Placing placing = VideoPicture::Placing::AsPlaced);
    ~WidgetWindowHost() override;
    WidgetWindowHost(const WidgetWindowHost&) = delete;
    WidgetWindowHost& operator=(const WidgetWindowHost&) = delete;

    int32_t handle() const { return handle_; }
    windowing::Rect outerRect() const override;
    std::unique_ptr<windowing::Picture> createPicture() override;

  private:
    QWidget& outer_;
    QWidget& client_;
    VideoPicture::Placing placing_;
    int32_t handle_;
};

}  // namespace gui
