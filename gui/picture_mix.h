#pragma once
// The arithmetic of the projector's mix, apart from its drawing: how much of each deck's
// picture shows, and where a picture goes in an area without losing its shape.

#include <cstdint>

namespace gui {

// Each deck's picture weighted by the crossfader's share of its sound: at knob position L
// (0..100, the crossfader's Left; beyond is taken as the nearer end) deck 0 has
// (100 - L) / 100 and deck 1 L / 100.
struct DeckWeights {
    float deck0 = 1.0f;
    float deck1 = 0.0f;

    bool operator==(const DeckWeights& other) const = default;
};
DeckWeights PictureWeights(float crossfadeLeft);

struct FitRect {
    int32_t x = 0, y = 0, width = 0, height = 0;
};
// The largest rectangle of the shape `width` x `height` centred in the area, the rest of
// which stays bare (bars above and below, or left and right). Empty for an empty shape.
FitRect Letterbox(int32_t width, int32_t height, int32_t areaWidth, int32_t areaHeight);

}  // namespace gui
