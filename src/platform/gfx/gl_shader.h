// platform/gfx (local) — the GL device's shader programs: the fixed-function behaviour the
// engine relies on (transforms, pre-transformed vertices, directional lighting, stage-0 colour
// and alpha operations, alpha test). Used by gl_device.cpp only.
// Depends on: libepoxy (a current GL 3.3 core context).
#pragma once
#include <epoxy/gl.h>
#include <string>

namespace gfx {

// Vertex attribute slots the program reads.
enum : GLuint { GLATTR_POSITION = 0, GLATTR_NORMAL = 1, GLATTR_COLOUR = 2, GLATTR_UV = 3 };

struct GlProgram {
    GLuint program = 0;
    // Vertex stage.
    GLint wvp = -1, normalMat = -1, preTransformed = -1, screen = -1, depthMap = -1;
    GLint lighting = -1, hasColour = -1, normalize = -1, diffuseFromVertex = -1, ambientFromVertex = -1;
    GLint ambient = -1, lightCount = -1, lightDir = -1, lightDiffuse = -1;
    // Fragment stage.
    GLint tex = -1, colourOp = -1, colourArg1 = -1, colourArg2 = -1;
    GLint alphaOp = -1, alphaArg1 = -1, alphaArg2 = -1, tfactor = -1, flatShade = -1;
    GLint alphaTest = -1, alphaFunc = -1, alphaRef = -1;
};

// One fragment set-up: stage 0's colour op and arguments, alpha op and arguments, flat shading,
// alpha test on/off and its function, in that order.
struct GlFragmentKey {
    int v[9];
    bool operator==(const GlFragmentKey& o) const
    {
        for (int i = 0; i < 9; i++)
            if (v[i] != o.v[i]) return false;
        return true;
    }
};

// Compile and link; false with the compiler's log in *why. With a key, the fragment stage is
// built for that set-up only (its uniforms are then unused); without, it reads them.
bool GL_BuildProgram(GlProgram* out, const GlFragmentKey* key, std::string* why);
void GL_DeleteProgram(GlProgram* p);

} // namespace gfx
