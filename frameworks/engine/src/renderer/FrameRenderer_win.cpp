// One frame with WGL/OpenGL 1.1: every state the frame relies on is set
// here, at the start of each frame, so nothing left behind by anyone else
// (or by the previous frame) changes the picture.
#include "renderer/FrameRenderer.h"

#include "2d/CCScene.h"
#include "base/CCConsole.h"
#include "platform/CCGLView.h"
#include "platform/Windows_win.h"
#include "renderer/CCRenderer.h"

#include <GL/gl.h>

#include <cmath>

namespace cocos2d {
namespace renderer {

namespace {

unsigned int g_contextSerial = 1;

GLsizei toPixels(float v) { return static_cast<GLsizei>(std::lround(v)); }

void setFrameState(const Size& design) {
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_CULL_FACE);
    glDisable(GL_LIGHTING);
    glDisable(GL_ALPHA_TEST);
    glDisable(GL_STENCIL_TEST);
    glDisable(GL_SCISSOR_TEST);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_DITHER);
    glEnable(GL_BLEND);
    // Textures hold straight alpha.
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glShadeModel(GL_FLAT);
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glMatrixMode(GL_TEXTURE);
    glLoadIdentity();
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0.0, design.width, 0.0, design.height, -1.0, 1.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

} // namespace

unsigned int currentContextSerial() { return g_contextSerial; }

void contextWillBeDestroyed() { ++g_contextSerial; }

void renderFrame(GLView& view, Scene* scene) {
    if (drawFrame(view, scene)) view.swapBuffers();
}

bool drawFrame(GLView& view, Scene* scene) {
    if (!view.isOpenGLReady()) return false;
    view.makeContextCurrent();

    const Size& frame = view.getFrameSize();
    const float zoom = view.getFrameZoomFactor();
    glDisable(GL_SCISSOR_TEST);
    glViewport(0, 0, toPixels(frame.width * zoom), toPixels(frame.height * zoom));
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClearDepth(1.0);
    glClearStencil(0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);

    const Size& design = view.getDesignResolutionSize();
    if (scene && design.width > 0.0f && design.height > 0.0f) {
        const Rect& vp = view.getViewPortRect();
        glViewport(toPixels(vp.origin.x * zoom), toPixels(vp.origin.y * zoom), toPixels(vp.size.width * zoom),
                   toPixels(vp.size.height * zoom));
        setFrameState(design);
        Renderer renderer(true, g_contextSerial, view.getVisibleRect());
        scene->visit(&renderer, AffineTransform::IDENTITY, 255, Color3B(255, 255, 255));
#if defined(COCOS2D_DEBUG) && COCOS2D_DEBUG > 0
        const GLenum err = glGetError();
        if (err != GL_NO_ERROR) log("cocos2d: GL error 0x%04x after drawing the scene", static_cast<unsigned>(err));
#endif
    }
    return true;
}

} // namespace renderer
} // namespace cocos2d
