// platform/gfx — the GL device's shader program.
//
// Vertex stage: world vertices go through World × View × Projection (row vectors, clip depth
// 0..1 remapped to GL's −1..1); pre-transformed vertices are back-buffer pixels (y down) with
// rhw, placed so that the viewport maps them back onto the same pixels and depth. Lighting (when
// on and the vertex has normals): colour = material diffuse × Σ light diffuse × max(0, N·−L) +
// material ambient × (global ambient + Σ light ambient), material colours from the vertex colour
// (white without one); alpha is the diffuse alpha.
// Fragment stage: texture stage 0's colour and alpha operations over TEXTURE / DIFFUSE /
// CURRENT / TFACTOR arguments, then the alpha test against a reference 0..255.
// The numeric values of our enums are handed to the shader as #defines, so the two cannot drift.
// Depends on: gfx.h, libepoxy. Limits: one texture stage, 8 directional lights.
#include "platform/gfx/gl_shader.h"

#include <cstdio>
#include <vector>

#include "platform/gfx/gfx.h"

namespace gfx {
namespace {

const char* kVertex = R"GLSL(
layout(location = 0) in vec4 aPos;
layout(location = 1) in vec3 aNormal;
layout(location = 2) in vec4 aColour;
layout(location = 3) in vec2 aUV;

uniform mat4 uWVP;
uniform mat3 uNormalMat;
uniform int uPreTransformed;
uniform vec4 uScreen;        // viewport x, y, 2 / width, 2 / height
uniform vec2 uDepthMap;      // minZ, 1 / (maxZ - minZ)
uniform int uLighting;
uniform int uHasColour;
uniform int uNormalize;
uniform int uDiffuseFromVertex;
uniform int uAmbientFromVertex;
uniform vec3 uAmbient;       // global ambient + every enabled light's ambient
uniform int uLightCount;
uniform vec3 uLightDir[8];   // unit vectors towards the lights
uniform vec3 uLightDiffuse[8];

out vec4 vColour;
flat out vec4 vColourFlat;
out vec2 vUV;

void main()
{
    if (uPreTransformed != 0) {
        float w = aPos.w > 0.0 ? 1.0 / aPos.w : 1.0;
        vec2 ndc = vec2((aPos.x - uScreen.x) * uScreen.z - 1.0, 1.0 - (aPos.y - uScreen.y) * uScreen.w);
        float z = (aPos.z - uDepthMap.x) * uDepthMap.y * 2.0 - 1.0;
        gl_Position = vec4(ndc * w, z * w, w);
    } else {
        vec4 c = uWVP * vec4(aPos.xyz, 1.0);
        gl_Position = vec4(c.x, c.y, 2.0 * c.z - c.w, c.w);
    }
    vec4 col = uHasColour != 0 ? aColour : vec4(1.0);
    if (uLighting != 0) {
        vec3 n = uNormalMat * aNormal;
        if (uNormalize != 0 && dot(n, n) > 0.0) n = normalize(n);
        vec3 d = vec3(0.0);
        for (int i = 0; i < uLightCount; ++i) d += uLightDiffuse[i] * max(0.0, dot(n, uLightDir[i]));
        vec4 md = uDiffuseFromVertex != 0 ? col : vec4(1.0);
        vec3 ma = uAmbientFromVertex != 0 ? col.rgb : vec3(1.0);
        col = vec4(clamp(md.rgb * d + ma * uAmbient, 0.0, 1.0), md.a);
    }
    vColour = col;
    vColourFlat = col;
    vUV = aUV;
}
)GLSL";

const char* kFragment = R"GLSL(
in vec4 vColour;
flat in vec4 vColourFlat;
in vec2 vUV;
out vec4 fragColour;

uniform sampler2D uTex;
uniform int uColourOp, uColourArg1, uColourArg2;
uniform int uAlphaOp, uAlphaArg1, uAlphaArg2;
uniform vec4 uTFactor;
uniform int uFlat;
uniform int uAlphaTest, uAlphaFunc;
uniform float uAlphaRef;

vec4 Arg(int a, vec4 diffuse, vec4 tex)
{
    int base = a & 15;
    vec4 v = base == TA_TEXTURE ? tex : (base == TA_TFACTOR ? uTFactor : diffuse);
    if ((a & TA_ALPHAREPLICATE) != 0) v = vec4(v.a);
    if ((a & TA_COMPLEMENT) != 0) v = vec4(1.0) - v;
    return v;
}

vec4 Op(int op, vec4 a, vec4 b, vec4 current)
{
    if (op == TOP_SELECTARG1) return a;
    if (op == TOP_SELECTARG2) return b;
    if (op == TOP_MODULATE) return a * b;
    if (op == TOP_MODULATE2X) return clamp(a * b * 2.0, 0.0, 1.0);
    if (op == TOP_MODULATE4X) return clamp(a * b * 4.0, 0.0, 1.0);
    if (op == TOP_ADD) return clamp(a + b, 0.0, 1.0);
    if (op == TOP_ADDSIGNED) return clamp(a + b - 0.5, 0.0, 1.0);
    if (op == TOP_SUBTRACT) return clamp(a - b, 0.0, 1.0);
    return current;
}

bool Compare(int func, float v, float ref)
{
    if (func == CMP_NEVER) return false;
    if (func == CMP_LESS) return v < ref;
    if (func == CMP_EQUAL) return v == ref;
    if (func == CMP_LESSEQUAL) return v <= ref;
    if (func == CMP_GREATER) return v > ref;
    if (func == CMP_NOTEQUAL) return v != ref;
    if (func == CMP_GREATEREQUAL) return v >= ref;
    return true;
}

void main()
{
    vec4 diffuse = FLAT_SHADE != 0 ? vColourFlat : vColour;
    vec4 tex = texture(uTex, vUV);
    vec4 result = diffuse;
    if (COLOUR_OP != TOP_DISABLE) {
        result.rgb = Op(COLOUR_OP, Arg(COLOUR_ARG1, diffuse, tex), Arg(COLOUR_ARG2, diffuse, tex), diffuse).rgb;
        if (ALPHA_OP != TOP_DISABLE)
            result.a = Op(ALPHA_OP, Arg(ALPHA_ARG1, diffuse, tex), Arg(ALPHA_ARG2, diffuse, tex), diffuse).a;
    }
    if (ALPHA_TEST != 0 && !Compare(ALPHA_FUNC, floor(result.a * 255.0 + 0.5), uAlphaRef)) discard;
    fragColour = result;
}
)GLSL";

// The stage-0 operations and the alpha test read through these names: the uniforms in the
// general program, constants in a program built for one fragment set-up, where the compiler
// folds every branch away (a software rasteriser then shades several times faster).
std::string FragmentSetup(const GlFragmentKey* key)
{
    const char* names[] = {"COLOUR_OP", "COLOUR_ARG1", "COLOUR_ARG2", "ALPHA_OP", "ALPHA_ARG1",
                           "ALPHA_ARG2", "FLAT_SHADE", "ALPHA_TEST", "ALPHA_FUNC"};
    const char* uniforms[] = {"uColourOp", "uColourArg1", "uColourArg2", "uAlphaOp", "uAlphaArg1",
                              "uAlphaArg2", "uFlat", "uAlphaTest", "uAlphaFunc"};
    std::string s;
    char line[96];
    for (int i = 0; i < 9; i++) {
        if (key) snprintf(line, sizeof line, "#define %s %d\n", names[i], key->v[i]);
        else snprintf(line, sizeof line, "#define %s %s\n", names[i], uniforms[i]);
        s += line;
    }
    return s;
}

std::string Defines()
{
    struct { const char* name; unsigned value; } defs[] = {
        {"TA_DIFFUSE", TA_DIFFUSE}, {"TA_CURRENT", TA_CURRENT}, {"TA_TEXTURE", TA_TEXTURE},
        {"TA_TFACTOR", TA_TFACTOR}, {"TA_COMPLEMENT", TA_COMPLEMENT}, {"TA_ALPHAREPLICATE", TA_ALPHAREPLICATE},
        {"TOP_DISABLE", TOP_DISABLE}, {"TOP_SELECTARG1", TOP_SELECTARG1}, {"TOP_SELECTARG2", TOP_SELECTARG2},
        {"TOP_MODULATE", TOP_MODULATE}, {"TOP_MODULATE2X", TOP_MODULATE2X}, {"TOP_MODULATE4X", TOP_MODULATE4X},
        {"TOP_ADD", TOP_ADD}, {"TOP_ADDSIGNED", TOP_ADDSIGNED}, {"TOP_SUBTRACT", TOP_SUBTRACT},
        {"CMP_NEVER", CMP_NEVER}, {"CMP_LESS", CMP_LESS}, {"CMP_EQUAL", CMP_EQUAL},
        {"CMP_LESSEQUAL", CMP_LESSEQUAL}, {"CMP_GREATER", CMP_GREATER}, {"CMP_NOTEQUAL", CMP_NOTEQUAL},
        {"CMP_GREATEREQUAL", CMP_GREATEREQUAL}, {"CMP_ALWAYS", CMP_ALWAYS},
    };
    std::string s = "#version 330 core\n";
    char line[96];
    for (const auto& d : defs) {
        snprintf(line, sizeof line, "#define %s %u\n", d.name, d.value);
        s += line;
    }
    return s;
}

GLuint Compile(GLenum kind, const std::string& src, std::string* why)
{
    GLuint sh = glCreateShader(kind);
    const char* text = src.c_str();
    glShaderSource(sh, 1, &text, nullptr);
    glCompileShader(sh);
    GLint ok = 0;
    glGetShaderiv(sh, GL_COMPILE_STATUS, &ok);
    if (!ok) {
        GLint len = 0;
        glGetShaderiv(sh, GL_INFO_LOG_LENGTH, &len);
        std::vector<char> log((size_t)(len > 1 ? len : 1));
        glGetShaderInfoLog(sh, (GLsizei)log.size(), nullptr, log.data());
        *why = std::string(kind == GL_VERTEX_SHADER ? "vertex shader: " : "fragment shader: ") + log.data();
        glDeleteShader(sh);
        return 0;
    }
    return sh;
}

} // namespace

bool GL_BuildProgram(GlProgram* out, const GlFragmentKey* key, std::string* why)
{
    *out = GlProgram();
    std::string head = Defines();
    GLuint vs = Compile(GL_VERTEX_SHADER, head + kVertex, why);
    if (!vs) return false;
    GLuint fs = Compile(GL_FRAGMENT_SHADER, head + FragmentSetup(key) + kFragment, why);
    if (!fs) {
        glDeleteShader(vs);
        return false;
    }
    GLuint prog = glCreateProgram();
    glAttachShader(prog, vs);
    glAttachShader(prog, fs);
    glLinkProgram(prog);
    glDeleteShader(vs);
    glDeleteShader(fs);
    GLint ok = 0;
    glGetProgramiv(prog, GL_LINK_STATUS, &ok);
    if (!ok) {
        char log[1024] = "";
        glGetProgramInfoLog(prog, sizeof log, nullptr, log);
        *why = std::string("link: ") + log;
        glDeleteProgram(prog);
        return false;
    }
    GlProgram& p = *out;
    p.program = prog;
    auto U = [prog](const char* n) { return glGetUniformLocation(prog, n); };
    p.wvp = U("uWVP");
    p.normalMat = U("uNormalMat");
    p.preTransformed = U("uPreTransformed");
    p.screen = U("uScreen");
    p.depthMap = U("uDepthMap");
    p.lighting = U("uLighting");
    p.hasColour = U("uHasColour");
    p.normalize = U("uNormalize");
    p.diffuseFromVertex = U("uDiffuseFromVertex");
    p.ambientFromVertex = U("uAmbientFromVertex");
    p.ambient = U("uAmbient");
    p.lightCount = U("uLightCount");
    p.lightDir = U("uLightDir");
    p.lightDiffuse = U("uLightDiffuse");
    p.tex = U("uTex");
    p.colourOp = U("uColourOp");
    p.colourArg1 = U("uColourArg1");
    p.colourArg2 = U("uColourArg2");
    p.alphaOp = U("uAlphaOp");
    p.alphaArg1 = U("uAlphaArg1");
    p.alphaArg2 = U("uAlphaArg2");
    p.tfactor = U("uTFactor");
    p.flatShade = U("uFlat");
    p.alphaTest = U("uAlphaTest");
    p.alphaFunc = U("uAlphaFunc");
    p.alphaRef = U("uAlphaRef");
    return true;
}

void GL_DeleteProgram(GlProgram* p)
{
    if (p->program) glDeleteProgram(p->program);
    *p = GlProgram();
}

} // namespace gfx
