// Draws one frame into a GL view. Main thread.
//
// This is the seam where scenes will be drawn; for now a frame is the clear
// colour. The caller owns the view.
#pragma once

namespace cocos2d {

class GLView;

namespace renderer {

// Makes the view's context current, clears, (draws), swaps. Does nothing
// when the view has no GL context.
void renderFrame(GLView& view);

} // namespace renderer
} // namespace cocos2d
