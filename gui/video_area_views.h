#pragma once
// What the video area shows: its video pictures (the decks' as placed, a sample's fitted
// on top), or, while the projector is open, the preview of the projector's mix in their
// place. The pictures live in a layer of their own, so that new pictures made while the
// preview shows stay beneath it. Neither takes mouse input: the area itself gets it.

#include <QImage>
#include <QWidget>

class QStackedLayout;

namespace gui {

class MixPreview;

class VideoAreaViews {
  public:
    explicit VideoAreaViews(QWidget& area);

    QWidget& pictureLayer() { return *layer_; }
    // Shows the preview instead of the pictures, or the pictures again.
    void showPreview(bool preview);
    bool previewShown() const;
    QSize previewSize() const;
    void setPreview(QImage image);

  private:
    QStackedLayout* stack_;  // owned by the area
    QWidget* layer_;
    MixPreview* preview_;
};

}  // namespace gui
