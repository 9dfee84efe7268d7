#include "proj.win32/DisplayScale.h"

#include <gtest/gtest.h>

TEST(DisplayScale, DpiTableBoundaries) {
    const struct {
        int dpi;
        float scale;
    } cases[] = {{96, 1.0f}, {119, 1.0f}, {120, 1.25f}, {143, 1.25f}, {144, 1.5f},
                 {191, 1.5f}, {192, 2.0f}, {240, 2.0f}, {0, 1.0f}};
    for (const auto& c : cases) {
        EXPECT_FLOAT_EQ(dpiScaleForDpi(c.dpi), c.scale) << "dpi " << c.dpi;
    }
}

TEST(DisplayScale, RetinaGrowsTheFrameOtherwiseTheWindowIsZoomed) {
    const cocos2d::Size configured(960, 640);

    const FramePlan retina = planFrame(configured, true, 1.5f);
    EXPECT_FLOAT_EQ(retina.frameSize.width, 1440);
    EXPECT_FLOAT_EQ(retina.frameSize.height, 960);
    EXPECT_FLOAT_EQ(retina.frameZoom, 1.0f);

    const FramePlan zoomed = planFrame(configured, false, 1.5f);
    EXPECT_FLOAT_EQ(zoomed.frameSize.width, 960);
    EXPECT_FLOAT_EQ(zoomed.frameSize.height, 640);
    EXPECT_FLOAT_EQ(zoomed.frameZoom, 1.5f);
}
