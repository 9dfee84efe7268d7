// Textures by full path, decoded once (PNG and JPEG). Main thread.
#pragma once

#include "base/CCThreadChecker.h"

#include <map>
#include <string>

namespace cocos2d {

class Texture2D;

class TextureCache {
public:
    TextureCache();
    ~TextureCache();

    // The name goes through FileUtils::fullPathForFilename; the result is
    // cached by that full path. nullptr (and nothing cached) when the file is
    // missing or is not a decodable PNG or JPEG. The cache keeps a reference.
    Texture2D* addImage(const std::string& filename);
    Texture2D* getTextureForKey(const std::string& fullPath) const;
    // Drops the cache's references (textures still in use stay alive).
    void removeAllTextures();
    // Drops the textures that only the cache still holds.
    void removeUnusedTextures();
    std::size_t getTextureCount() const { return _textures.size(); }

private:
    TextureCache(const TextureCache&) = delete;
    TextureCache& operator=(const TextureCache&) = delete;

    ThreadChecker _thread;
    std::map<std::string, Texture2D*> _textures;
};

} // namespace cocos2d
