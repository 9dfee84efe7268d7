// Textures cached by full path.
#include "renderer/CCTextureCache.h"

#include "base/CCData.h"
#include "platform/CCFileUtils.h"
#include "renderer/CCTexture2D.h"
#include "renderer/ImageDecoder.h"

namespace cocos2d {

TextureCache::TextureCache() = default;

TextureCache::~TextureCache() { removeAllTextures(); }

Texture2D* TextureCache::addImage(const std::string& filename) {
    _thread.check("TextureCache::addImage");
    if (filename.empty()) return nullptr;
    const std::string fullPath = FileUtils::getInstance()->fullPathForFilename(filename);
    if (fullPath.empty()) return nullptr;
    auto it = _textures.find(fullPath);
    if (it != _textures.end()) return it->second;

    const Data data = FileUtils::getInstance()->getDataFromFile(fullPath);
    if (data.isNull()) return nullptr;
    renderer::DecodedImage image;
    if (!renderer::decodeImage(data.getBytes(), static_cast<std::size_t>(data.getSize()), &image)) return nullptr;

    auto* texture = new Texture2D();
    if (!texture->initWithRGBA(std::move(image.rgba), image.width, image.height)) {
        texture->release();
        return nullptr;
    }
    texture->_path = fullPath;
    _textures[fullPath] = texture; // the cache's reference
    return texture;
}

Texture2D* TextureCache::getTextureForKey(const std::string& fullPath) const {
    auto it = _textures.find(fullPath);
    return it == _textures.end() ? nullptr : it->second;
}

void TextureCache::removeAllTextures() {
    _thread.check("TextureCache::removeAllTextures");
    auto textures = std::move(_textures);
    _textures.clear();
    for (auto& entry : textures) entry.second->release();
}

void TextureCache::removeUnusedTextures() {
    _thread.check("TextureCache::removeUnusedTextures");
    for (auto it = _textures.begin(); it != _textures.end();) {
        if (it->second->getReferenceCount() == 1) {
            it->second->release();
            it = _textures.erase(it);
        } else {
            ++it;
        }
    }
}

} // namespace cocos2d
