// One frame with WGL/OpenGL 1.1: every state the frame relies on is set here.
#include "renderer/FrameRenderer.h"

#include "platform/CCGLView.h"
#include "platform/Windows_win.h"

#include <GL/gl.h>

namespace cocos2d {
namespace renderer {

void renderFrame(GLView& view) {
    if (!view.isOpenGLReady()) return;
    view.makeContextCurrent();

    const Size& frame = view.getFrameSize();
    const float zoom = view.getFrameZoomFactor();
    glViewport(0, 0, static_cast<GLsizei>(frame.width * zoom), static_cast<GLsizei>(frame.height * zoom));
    glDisable(GL_SCISSOR_TEST);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClearDepth(1.0);
    glClearStencil(0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);

    // Scenes draw here (later).

    view.swapBuffers();
}

} // namespace renderer
} // namespace cocos2d
