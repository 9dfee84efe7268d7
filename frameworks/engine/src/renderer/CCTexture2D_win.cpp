// Texture pixels in memory, uploaded lazily to the current GL context.
#include "renderer/CCTexture2D.h"

#include "platform/Windows_win.h"
#include "renderer/FrameRenderer.h"

#include <GL/gl.h>

#ifndef GL_CLAMP_TO_EDGE
#define GL_CLAMP_TO_EDGE 0x812F
#endif

namespace cocos2d {

Texture2D::Texture2D() = default;

Texture2D::~Texture2D() {
    // A name from a context that is gone died with it; only a live one is freed.
    if (_glName != 0 && _uploadedSerial == renderer::currentContextSerial() && ::wglGetCurrentContext()) {
        GLuint name = _glName;
        glDeleteTextures(1, &name);
    }
}

bool Texture2D::initWithRGBA(std::vector<std::uint8_t> rgba, int width, int height) {
    if (width <= 0 || height <= 0) return false;
    if (rgba.size() != static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4u) return false;
    _pixels = std::move(rgba);
    _width = width;
    _height = height;
    // New pixels: upload again on the next bind.
    _uploadedSerial = 0;
    return true;
}

bool Texture2D::bind(unsigned int contextSerial) {
    if (_pixels.empty()) return false;
    if (_glName != 0 && _uploadedSerial == contextSerial) {
        glBindTexture(GL_TEXTURE_2D, _glName);
        return true;
    }
    if (_glName == 0 || _uploadedSerial != contextSerial) {
        // The old name (if any) belonged to a context that is gone.
        GLuint name = 0;
        glGenTextures(1, &name);
        if (name == 0) return false;
        _glName = name;
    }
    glBindTexture(GL_TEXTURE_2D, _glName);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, _width, _height, 0, GL_RGBA, GL_UNSIGNED_BYTE, _pixels.data());
    _uploadedSerial = contextSerial;
    return true;
}

} // namespace cocos2d
