// A decoded image ready to be drawn: RGBA pixels kept in memory and uploaded
// to the current GL context on first use (again after the context changed).
// Main thread.
#pragma once

#include "base/CCRef.h"
#include "math/CCGeometry.h"

#include <cstdint>
#include <string>
#include <vector>

namespace cocos2d {

class Texture2D : public Ref {
public:
    Texture2D();
    ~Texture2D() override;

    // rgba: width × height × 4 bytes, rows from the top, straight (not premultiplied) alpha.
    bool initWithRGBA(std::vector<std::uint8_t> rgba, int width, int height);

    int getPixelsWide() const { return _width; }
    int getPixelsHigh() const { return _height; }
    Size getContentSize() const { return Size(static_cast<float>(_width), static_cast<float>(_height)); }
    const std::vector<std::uint8_t>& getPixels() const { return _pixels; }
    // The key it is cached under ("" when not cached).
    const std::string& getPath() const { return _path; }

    // Renderer side: binds the texture in the current context, uploading it
    // when needed. False when there is nothing to bind.
    bool bind(unsigned int contextSerial);

private:
    friend class TextureCache;

    std::vector<std::uint8_t> _pixels;
    int _width = 0;
    int _height = 0;
    std::string _path;
    unsigned int _glName = 0;
    unsigned int _uploadedSerial = 0;
};

} // namespace cocos2d
