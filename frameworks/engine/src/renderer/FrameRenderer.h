// Draws one frame into a GL view. Main thread.
//
// The caller owns the view and the scene. Textures remember which GL
// context they were uploaded to by a serial number: every context the
// engine destroys bumps it, so a texture uploads itself again into the next
// context instead of binding a dead name.
#pragma once

namespace cocos2d {

class GLView;
class Scene;

namespace renderer {

// Makes the view's context current, clears the window, draws the scene (if
// any) inside the design viewport, swaps. Does nothing when the view has no
// GL context.
void renderFrame(GLView& view, Scene* scene);
// The same without the swap, so tests can read the back buffer. False when
// the view has no GL context.
bool drawFrame(GLView& view, Scene* scene);

// The serial of the context textures are uploaded to now (starts at 1).
unsigned int currentContextSerial();
// Called before a GL context is deleted.
void contextWillBeDestroyed();

} // namespace renderer
} // namespace cocos2d
