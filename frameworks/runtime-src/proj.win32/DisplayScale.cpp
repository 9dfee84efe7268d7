#include "proj.win32/DisplayScale.h"

#include "proj.win32/ScopedHandle.h"

float dpiScaleForDpi(int horizontalDpi) {
    if (horizontalDpi < 120) return 1.0f;
    if (horizontalDpi < 144) return 1.25f;
    if (horizontalDpi < 192) return 1.5f;
    return 2.0f;
}

FramePlan planFrame(const cocos2d::Size& configuredFrame, bool retinaDisplay, float dpiScale) {
    if (retinaDisplay) {
        return {cocos2d::Size(configuredFrame.width * dpiScale, configuredFrame.height * dpiScale), 1.0f};
    }
    return {configuredFrame, dpiScale};
}

int screenHorizontalDpi() {
    ScopedWindowDC screen(nullptr);
    return ::GetDeviceCaps(screen.get(), LOGPIXELSX);
}
