// Colour constants and conversions.
#include "base/ccTypes.h"

#include <algorithm>
#include <cmath>

namespace cocos2d {

namespace {

GLubyte toByte(float v) {
    const float clamped = std::min(1.0f, std::max(0.0f, v));
    return static_cast<GLubyte>(std::lround(clamped * 255.0f));
}

float toFloat(GLubyte v) { return static_cast<float>(v) / 255.0f; }

} // namespace

Color3B::Color3B(const Color4B& c) : r(c.r), g(c.g), b(c.b) {}
Color3B::Color3B(const Color4F& c) : r(toByte(c.r)), g(toByte(c.g)), b(toByte(c.b)) {}
Color4B::Color4B(const Color4F& c) : r(toByte(c.r)), g(toByte(c.g)), b(toByte(c.b)), a(toByte(c.a)) {}
Color4F::Color4F(const Color3B& c, float aa) : r(toFloat(c.r)), g(toFloat(c.g)), b(toFloat(c.b)), a(aa) {}
Color4F::Color4F(const Color4B& c) : r(toFloat(c.r)), g(toFloat(c.g)), b(toFloat(c.b)), a(toFloat(c.a)) {}

const Color3B Color3B::WHITE(255, 255, 255);
const Color3B Color3B::YELLOW(255, 255, 0);
const Color3B Color3B::BLUE(0, 0, 255);
const Color3B Color3B::GREEN(0, 255, 0);
const Color3B Color3B::RED(255, 0, 0);
const Color3B Color3B::MAGENTA(255, 0, 255);
const Color3B Color3B::BLACK(0, 0, 0);
const Color3B Color3B::ORANGE(255, 127, 0);
const Color3B Color3B::GRAY(166, 166, 166);

const Color4B Color4B::WHITE(255, 255, 255, 255);
const Color4B Color4B::YELLOW(255, 255, 0, 255);
const Color4B Color4B::BLUE(0, 0, 255, 255);
const Color4B Color4B::GREEN(0, 255, 0, 255);
const Color4B Color4B::RED(255, 0, 0, 255);
const Color4B Color4B::MAGENTA(255, 0, 255, 255);
const Color4B Color4B::BLACK(0, 0, 0, 255);
const Color4B Color4B::ORANGE(255, 127, 0, 255);
const Color4B Color4B::GRAY(166, 166, 166, 255);

const Color4F Color4F::WHITE(1.0f, 1.0f, 1.0f, 1.0f);
const Color4F Color4F::YELLOW(1.0f, 1.0f, 0.0f, 1.0f);
const Color4F Color4F::BLUE(0.0f, 0.0f, 1.0f, 1.0f);
const Color4F Color4F::GREEN(0.0f, 1.0f, 0.0f, 1.0f);
const Color4F Color4F::RED(1.0f, 0.0f, 0.0f, 1.0f);
const Color4F Color4F::MAGENTA(1.0f, 0.0f, 1.0f, 1.0f);
const Color4F Color4F::BLACK(0.0f, 0.0f, 0.0f, 1.0f);
const Color4F Color4F::ORANGE(1.0f, 0.5f, 0.0f, 1.0f);
const Color4F Color4F::GRAY(0.65f, 0.65f, 0.65f, 1.0f);

} // namespace cocos2d
