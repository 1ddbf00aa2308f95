#include "gui/mix_renderer.h"

#include <QGenericMatrix>

namespace gui {
namespace {

constexpr const char* kVertexShader = R"(
attribute vec2 position;
attribute vec2 texCoord;
varying vec2 uv;
void main() {
    uv = texCoord;
    gl_Position = vec4(position, 0.0, 1.0);
})";

constexpr const char* kFragmentShader = R"(
uniform sampler2D planeY;
uniform sampler2D planeU;
uniform sampler2D planeV;
uniform mat3 toRgb;
uniform vec3 offset;
uniform float weight;
varying vec2 uv;
void main() {
    vec3 yuv = vec3(texture2D(planeY, uv).r, texture2D(planeU, uv).r, texture2D(planeV, uv).r);
    vec3 rgb = clamp(toRgb * (yuv - offset), 0.0, 1.0);
    gl_FragColor = vec4(rgb * weight, 1.0);
})";

// Y'CbCr to R'G'B', with the range's scale folded in (studio range spans 219 and 224 of 255).
QMatrix3x3 ToRgb(const windowing::DecodedPicture& picture) {
    const bool bt709 = picture.matrix == windowing::DecodedPicture::Matrix::Bt709;
    const float kr = bt709 ? 1.5748f : 1.402f;
    const float kgb = bt709 ? -0.187324f : -0.344136f;
    const float kgr = bt709 ? -0.468124f : -0.714136f;
    const float kb = bt709 ? 1.8556f : 1.772f;
    const float y = picture.fullRange ? 1.0f : 255.0f / 219.0f;
    const float c = picture.fullRange ? 1.0f : 255.0f / 224.0f;
    const float values[] = {y, 0.0f, kr * c, y, kgb * c, kgr * c, y, kb * c, 0.0f};
    return QMatrix3x3(values);
}

}  // namespace

MixRenderer::~MixRenderer() {
    if (initialized_) {
        for (Layer& layer : layers_) {
            glDeleteTextures(3, layer.textures.data());
        }
    }
}

bool MixRenderer::initialize() {
    initializeOpenGLFunctions();
    if (!program_.addShaderFromSourceCode(QOpenGLShader::Vertex, kVertexShader) ||
        !program_.addShaderFromSourceCode(QOpenGLShader::Fragment, kFragmentShader)) {
        return false;
    }
    program_.bindAttributeLocation("position", 0);
    program_.bindAttributeLocation("texCoord", 1);
    if (!program_.link()) {
        return false;
    }
    for (Layer& layer : layers_) {
        glGenTextures(3, layer.textures.data());
        for (GLuint texture : layer.textures) {
            glBindTexture(GL_TEXTURE_2D, texture);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
        }
    }
    initialized_ = true;
    return true;
}

void MixRenderer::draw(const MixPictures& mix, int width, int height) {
    glViewport(0, 0, width, height);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    if (!initialized_) {
        return;
    }
    program_.bind();
    program_.setUniformValue("planeY", 0);
    program_.setUniformValue("planeU", 1);
    program_.setUniformValue("planeV", 2);
    // The decks add up over black, each at its weight.
    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ONE);
    const std::array<float, 2> weights = {mix.weights.deck0, mix.weights.deck1};
    for (size_t deck = 0; deck < 2; ++deck) {
        upload(layers_[deck], mix.decks[deck]);
        if (mix.decks[deck] && weights[deck] > 0.0f) {
            drawLayer(layers_[deck], weights[deck], width, height);
        }
    }
    glDisable(GL_BLEND);
    upload(layers_[2], mix.sample);
    if (mix.sample) {
        drawLayer(layers_[2], 1.0f, width, height);
    }
    program_.release();
}

void MixRenderer::upload(Layer& layer,
                         const std::shared_ptr<const windowing::DecodedPicture>& picture) {
    if (!picture || picture == layer.uploaded) {
        layer.uploaded = picture;
        return;
    }
    layer.uploaded = picture;
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    for (size_t i = 0; i < 3; ++i) {
        const QSize size = i == 0 ? QSize(picture->width, picture->height)
                                  : QSize(picture->chromaWidth, picture->chromaHeight);
        glActiveTexture(GL_TEXTURE0 + static_cast<GLenum>(i));
        glBindTexture(GL_TEXTURE_2D, layer.textures[i]);
        glPixelStorei(GL_UNPACK_ROW_LENGTH, picture->strides[i]);
        if (size != layer.sizes[i]) {
            glTexImage2D(GL_TEXTURE_2D, 0, GL_LUMINANCE, size.width(), size.height(), 0,
                         GL_LUMINANCE, GL_UNSIGNED_BYTE, picture->planes[i]);
            layer.sizes[i] = size;
        } else {
            glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, size.width(), size.height(), GL_LUMINANCE,
                            GL_UNSIGNED_BYTE, picture->planes[i]);
        }
    }
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
}

void MixRenderer::drawLayer(const Layer& layer, float weight, int width, int height) {
    const windowing::DecodedPicture& picture = *layer.uploaded;
    const FitRect fit = Letterbox(picture.displayWidth, picture.displayHeight, width, height);
    // The fitted rectangle in clip space; y grows upwards there.
    const float left = 2.0f * static_cast<float>(fit.x) / static_cast<float>(width) - 1.0f;
    const float right = left + 2.0f * static_cast<float>(fit.width) / static_cast<float>(width);
    const float top = 1.0f - 2.0f * static_cast<float>(fit.y) / static_cast<float>(height);
    const float bottom = top - 2.0f * static_cast<float>(fit.height) / static_cast<float>(height);
    const GLfloat positions[] = {left, top, right, top, left, bottom, right, bottom};
    const GLfloat texCoords[] = {0.0f, 0.0f, 1.0f, 0.0f, 0.0f, 1.0f, 1.0f, 1.0f};
    for (size_t i = 0; i < 3; ++i) {
        glActiveTexture(GL_TEXTURE0 + static_cast<GLenum>(i));
        glBindTexture(GL_TEXTURE_2D, layer.textures[i]);
    }
    program_.setUniformValue("toRgb", ToRgb(picture));
    const float luma = picture.fullRange ? 0.0f : 16.0f / 255.0f;
    program_.setUniformValue("offset", luma, 128.0f / 255.0f, 128.0f / 255.0f);
    program_.setUniformValue("weight", weight);
    program_.enableAttributeArray(0);
    program_.enableAttributeArray(1);
    program_.setAttributeArray(0, GL_FLOAT, positions, 2);
    program_.setAttributeArray(1, GL_FLOAT, texCoords, 2);
    glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
    program_.disableAttributeArray(0);
    program_.disableAttributeArray(1);
}

}  // namespace gui
