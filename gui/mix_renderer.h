#pragma once
// Draws the pictures' mix with OpenGL: each deck's decoded picture converted from YUV and
// scaled on the GPU, letterboxed, weighted and added over black; the sample's picture on
// top at full opacity. Planes are uploaded once per new picture, at their decoded size.
//
// Threads: the thread whose OpenGL context is current (the UI thread); initialize() once
// with the context current, draw() after it into the bound framebuffer.

#include <QOpenGLFunctions>
#include <QOpenGLShaderProgram>
#include <array>
#include <memory>

#include "gui/picture_mix.h"
#include "windowing/frame_tap.h"

namespace gui {

// What the room sees at one moment.
struct MixPictures {
    std::array<std::shared_ptr<const windowing::DecodedPicture>, 2> decks;
    std::shared_ptr<const windowing::DecodedPicture> sample;
    DeckWeights weights;

    bool operator==(const MixPictures& other) const = default;
};

class MixRenderer : private QOpenGLFunctions {
  public:
    MixRenderer() = default;
    ~MixRenderer();  // the context must be current
    MixRenderer(const MixRenderer&) = delete;
    MixRenderer& operator=(const MixRenderer&) = delete;

    // false when the shaders do not build.
    bool initialize();
    // Fills the `width` x `height` pixels of the bound framebuffer.
    void draw(const MixPictures& mix, int width, int height);

  private:
    // One picture's planes as textures, kept while the picture stays the same.
    struct Layer {
        std::shared_ptr<const windowing::DecodedPicture> uploaded;
        std::array<GLuint, 3> textures{};
        std::array<QSize, 3> sizes;
    };

    void upload(Layer& layer, const std::shared_ptr<const windowing::DecodedPicture>& picture);
    void drawLayer(const Layer& layer, float weight, int width, int height);

    QOpenGLShaderProgram program_;
    std::array<Layer, 3> layers_;  // deck 0, deck 1, sample
    bool initialized_ = false;
};

}  // namespace gui
