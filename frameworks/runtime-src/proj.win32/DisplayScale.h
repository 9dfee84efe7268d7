// How the game window is sized for the screen's DPI.
#pragma once

#include "math/CCGeometry.h"

// The DPI scale for a horizontal DPI: 1.0 below 120, 1.25 to 143, 1.5 to 191, else 2.0.
float dpiScaleForDpi(int horizontalDpi);

struct FramePlan {
    cocos2d::Size frameSize;  // the GL view's frame
    float frameZoom;          // the OS window's zoom of that frame
};

// With "-retina-display" the frame itself grows by the DPI scale at zoom 1;
// otherwise the frame stays and the window is zoomed instead.
FramePlan planFrame(const cocos2d::Size& configuredFrame, bool retinaDisplay, float dpiScale);

// The screen's horizontal DPI as the system reports it to this process.
int screenHorizontalDpi();
