// Image files to textures: PNG and JPEG only, a bad or missing file gives
// null, and one texture per full path.
#include "2d/CCSprite.h"
#include "base/CCAutoreleasePool.h"
#include "base/CCDirector.h"
#include "renderer/CCTexture2D.h"
#include "renderer/CCTextureCache.h"
#include "renderer/ImageDecoder.h"
#include "ui/UIScale9Sprite.h"

#include "ImageFixtures.h"
#include "TempDir.h"

#include <gtest/gtest.h>

using namespace cocos2d;

namespace {

class Images : public ::testing::Test {
protected:
    void TearDown() override {
        Director::getInstance()->purgeDirector();
        AutoreleasePool::getInstance()->clear();
    }
    enginetest::TempDir dir;
};

TEST_F(Images, DecodesPngAndJpegToTheirSizeAndPixels) {
    renderer::DecodedImage png;
    const std::string quad = enginetest::quadPng();
    ASSERT_TRUE(renderer::decodeImage(reinterpret_cast<const unsigned char*>(quad.data()), quad.size(), &png));
    EXPECT_EQ(png.width, 16);
    EXPECT_EQ(png.height, 4);
    ASSERT_EQ(png.rgba.size(), 16u * 4u * 4u);
    // Row 0, column 0 is red; column 15 is blue; all opaque; channels in RGBA order.
    EXPECT_EQ(png.rgba[0], 255);
    EXPECT_EQ(png.rgba[2], 0);
    EXPECT_EQ(png.rgba[3], 255);
    EXPECT_EQ(png.rgba[15 * 4 + 0], 0);
    EXPECT_EQ(png.rgba[15 * 4 + 2], 255);

    renderer::DecodedImage jpeg;
    const std::string green = enginetest::greenJpeg();
    ASSERT_TRUE(renderer::decodeImage(reinterpret_cast<const unsigned char*>(green.data()), green.size(), &jpeg));
    EXPECT_EQ(jpeg.width, 12);
    EXPECT_EQ(jpeg.height, 6);
}

TEST_F(Images, AnythingElseIsNotAnImage) {
    const std::string png = enginetest::quadPng();
    struct Case {
        const char* what;
        std::string bytes;
    };
    const Case cases[] = {
        {"empty", ""},
        {"text", "hello, not an image"},
        {"PNG signature, then garbage", png.substr(0, 8) + std::string(200, '\x42')},
        {"PNG cut in half", png.substr(0, png.size() / 2)},
        {"JPEG signature only", "\xFF\xD8\xFF"},
        {"GIF", "GIF89a\x01\x00\x01\x00\x00\x00\x00;"},
    };
    for (const Case& c : cases) {
        renderer::DecodedImage image;
        EXPECT_FALSE(renderer::decodeImage(reinterpret_cast<const unsigned char*>(c.bytes.data()), c.bytes.size(), &image))
            << c.what;
        enginetest::writeFile(dir / "bad.png", c.bytes);
        EXPECT_EQ(Sprite::create(dir / "bad.png"), nullptr) << c.what;
        EXPECT_EQ(ui::Scale9Sprite::create(dir / "bad.png"), nullptr) << c.what;
    }
    EXPECT_EQ(Director::getInstance()->getTextureCache()->getTextureCount(), 0u) << "failures are not cached";
}

TEST_F(Images, TexturesAreSharedByFullPath) {
    enginetest::writeFile(dir / "a.png", enginetest::quadPng());
    TextureCache* cache = Director::getInstance()->getTextureCache();
    Sprite* first = Sprite::create(dir / "a.png");
    Sprite* second = Sprite::create(dir / "a.png");
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(first->getTexture(), second->getTexture());
    EXPECT_EQ(first->getContentSize(), Size(16, 4));
    EXPECT_EQ(cache->getTextureCount(), 1u);
    EXPECT_EQ(cache->getTextureForKey(dir / "a.png"), first->getTexture());

    // The cache lets go of textures nobody uses any more.
    cache->removeUnusedTextures();
    EXPECT_EQ(cache->getTextureCount(), 1u);
    AutoreleasePool::getInstance()->clear(); // the sprites go
    cache->removeUnusedTextures();
    EXPECT_EQ(cache->getTextureCount(), 0u);
}

} // namespace
