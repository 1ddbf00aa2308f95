#include "gui/picture_mix.h"

#include <algorithm>

namespace gui {

DeckWeights PictureWeights(float crossfadeLeft) {
    const float share = std::clamp(crossfadeLeft, 0.0f, 100.0f) / 100.0f;
    return {1.0f - share, share};
}

FitRect Letterbox(int32_t width, int32_t height, int32_t areaWidth, int32_t areaHeight) {
    if (width <= 0 || height <= 0 || areaWidth <= 0 || areaHeight <= 0) {
        return {};
    }
    const int64_t w = width, h = height, aw = areaWidth, ah = areaHeight;
    FitRect fit;
    if (w * ah >= h * aw) {  // wider than the area: full width, bars above and below
        fit.width = areaWidth;
        fit.height = static_cast<int32_t>(std::max<int64_t>(1, (aw * h + w / 2) / w));
    } else {
        fit.height = areaHeight;
        fit.width = static_cast<int32_t>(std::max<int64_t>(1, (ah * w + h / 2) / h));
    }
    fit.x = (areaWidth - fit.width) / 2;
    fit.y = (areaHeight - fit.height) / 2;
    return fit;
}

}  // namespace gui
