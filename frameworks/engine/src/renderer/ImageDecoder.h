// PNG and JPEG files to RGBA pixels. Main thread (GDI+ is started on first use).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace cocos2d {
namespace renderer {

struct DecodedImage {
    int width = 0;
    int height = 0;
    // width × height × 4, rows from the top, straight alpha.
    std::vector<std::uint8_t> rgba;
};

// Only PNG and JPEG (by their signatures); false for anything else, for an
// empty buffer and for data the decoder rejects.
bool decodeImage(const unsigned char* bytes, std::size_t size, DecodedImage* out);

} // namespace renderer
} // namespace cocos2d
