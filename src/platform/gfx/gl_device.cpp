// platform/gfx — GlDevice: the graphics device over OpenGL 3.3 core (SDL2 context, libepoxy).
//
// Draws into an offscreen framebuffer (colour RGBA8 + 24-bit depth) of the back-buffer size;
// Present scales it onto the window's drawable, keeping its aspect with black bars, then swaps
// (vsync off: the game paces itself). Render and stage states are kept as numbers and turned into
// GL state and shader uniforms just before each draw. Draws from user memory go through one
// dynamic vertex buffer used as a ring and orphaned when it wraps; vertex and index buffers keep
// a system-memory copy that Unlock uploads. A lost device does not exist on GL, so
// TestCooperativeLevel always reports GFX_OK.
// Depends on: gfx.h, gl_shader.h, image.h (software DXT decoding), SDL2, libepoxy.
// Limits: texture stage 0 colours pixels (other stages are stored only); directional lights only;
// fog and specular are stored, not drawn; stream 0; 16-bit indices.
#include <SDL.h>
#include <epoxy/gl.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <unordered_set>

#include "platform/gfx/gfx_local.h"
#include "platform/gfx/gl_shader.h"
#include "platform/gfx/image.h"

namespace gfx {
namespace {

constexpr size_t kRingBytes = 4u << 20;        // user-memory draws stream through this

class GlDevice;

class GlTexture final : public Texture {
public:
    GlDevice* owner;
    GLuint name = 0;
    uint32_t w, h, format;
    GlTexture(GlDevice* o, uint32_t w_, uint32_t h_, uint32_t f) : owner(o), w(w_), h(h_), format(f) {}
    uint32_t Width() const override { return w; }
    uint32_t Height() const override { return h; }
    uint32_t GetFormat() const override { return format; }
    void Release() override;
};

// Vertex and index buffers: a GL buffer and the system-memory copy locks write into.
struct GlBufferCore {
    GLuint name = 0;
    GLenum target = GL_ARRAY_BUFFER;
    std::vector<uint8_t> shadow;
    bool locked = false;
    uint32_t lockOffset = 0, lockSize = 0;
    uint32_t maxIndex = 0;                      // index buffers: largest index after the last upload

    Result Lock(uint32_t offset, uint32_t size, void** data)
    {
        if (data) *data = nullptr;
        uint64_t end = size == 0 ? shadow.size() : (uint64_t)offset + size;
        if (!data || locked || offset > shadow.size() || end > shadow.size()) return GFX_INVALIDCALL;
        locked = true;
        lockOffset = offset;
        lockSize = (uint32_t)(end - offset);
        *data = shadow.data() + offset;
        return GFX_OK;
    }
    Result Unlock(bool alive)
    {
        if (!locked) return GFX_INVALIDCALL;
        locked = false;
        if (target == GL_ELEMENT_ARRAY_BUFFER) {
            maxIndex = 0;
            for (size_t i = 0; i + 1 < shadow.size(); i += 2) {
                uint32_t v = shadow[i] | (shadow[i + 1] << 8);
                if (v > maxIndex) maxIndex = v;
            }
        }
        if (!alive || !name || lockSize == 0) return GFX_OK;
        // Index buffers are bound through the vertex array object; uploading through the copy-write
        // target leaves both the array and element bindings alone.
        glBindBuffer(GL_COPY_WRITE_BUFFER, name);
        glBufferSubData(GL_COPY_WRITE_BUFFER, lockOffset, lockSize, shadow.data() + lockOffset);
        glBindBuffer(GL_COPY_WRITE_BUFFER, 0);
        return GFX_OK;
    }
};

class GlVertexBuffer final : public VertexBuffer {
public:
    GlDevice* owner;
    GlBufferCore core;
    explicit GlVertexBuffer(GlDevice* o) : owner(o) {}
    Result Lock(uint32_t offset, uint32_t size, void** data, uint32_t) override { return core.Lock(offset, size, data); }
    Result Unlock() override { return core.Unlock(owner != nullptr); }
    uint32_t Size() const override { return (uint32_t)core.shadow.size(); }
    void Release() override;
};

class GlIndexBuffer final : public IndexBuffer {
public:
    GlDevice* owner;
    GlBufferCore core;
    explicit GlIndexBuffer(GlDevice* o) : owner(o) { core.target = GL_ELEMENT_ARRAY_BUFFER; }
    Result Lock(uint32_t offset, uint32_t size, void** data, uint32_t) override { return core.Lock(offset, size, data); }
    Result Unlock() override { return core.Unlock(owner != nullptr); }
    uint32_t Size() const override { return (uint32_t)core.shadow.size(); }
    void Release() override;
};

GLenum GlCompare(uint32_t f)
{
    switch (f) {
    case CMP_NEVER: return GL_NEVER;
    case CMP_LESS: return GL_LESS;
    case CMP_EQUAL: return GL_EQUAL;
    case CMP_LESSEQUAL: return GL_LEQUAL;
    case CMP_GREATER: return GL_GREATER;
    case CMP_NOTEQUAL: return GL_NOTEQUAL;
    case CMP_GREATEREQUAL: return GL_GEQUAL;
    default: return GL_ALWAYS;
    }
}

GLenum GlBlend(uint32_t b, GLenum fallback)
{
    switch (b) {
    case BLEND_ZERO: return GL_ZERO;
    case BLEND_ONE: return GL_ONE;
    case BLEND_SRCCOLOR: return GL_SRC_COLOR;
    case BLEND_INVSRCCOLOR: return GL_ONE_MINUS_SRC_COLOR;
    case BLEND_SRCALPHA: return GL_SRC_ALPHA;
    case BLEND_INVSRCALPHA: return GL_ONE_MINUS_SRC_ALPHA;
    case BLEND_DESTALPHA: return GL_DST_ALPHA;
    case BLEND_INVDESTALPHA: return GL_ONE_MINUS_DST_ALPHA;
    case BLEND_DESTCOLOR: return GL_DST_COLOR;
    case BLEND_INVDESTCOLOR: return GL_ONE_MINUS_DST_COLOR;
    default: return fallback;
    }
}

GLenum GlAddress(uint32_t a)
{
    switch (a) {
    case TADDRESS_CLAMP: return GL_CLAMP_TO_EDGE;
    case TADDRESS_MIRROR: return GL_MIRRORED_REPEAT;
    default: return GL_REPEAT;
    }
}

GLenum GlPrimitive(uint32_t t)
{
    switch (t) {
    case PT_POINTLIST: return GL_POINTS;
    case PT_LINELIST: return GL_LINES;
    case PT_LINESTRIP: return GL_LINE_STRIP;
    case PT_TRIANGLELIST: return GL_TRIANGLES;
    case PT_TRIANGLESTRIP: return GL_TRIANGLE_STRIP;
    default: return GL_TRIANGLE_FAN;
    }
}

// Row-vector product: out = a × b.
void MatMul(const float* a, const float* b, float* out)
{
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) {
            float s = 0;
            for (int k = 0; k < 4; ++k) s += a[r * 4 + k] * b[k * 4 + c];
            out[r * 4 + c] = s;
        }
}

// The matrix that carries normals with the world matrix: the inverse transpose of its 3 × 3
// part (row-major, for row vectors). A singular world matrix leaves normals unchanged.
void NormalMatrix(const float* m, float out[9])
{
    float a = m[0], b = m[1], c = m[2], d = m[4], e = m[5], f = m[6], g = m[8], h = m[9], i = m[10];
    float A = e * i - f * h, B = -(d * i - f * g), C = d * h - e * g;
    float det = a * A + b * B + c * C;
    if (std::fabs(det) < 1e-20f) {
        const float id[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
        memcpy(out, id, sizeof id);
        return;
    }
    float inv = 1.0f / det;
    // Inverse transpose = cofactor matrix / det.
    out[0] = A * inv, out[1] = B * inv, out[2] = C * inv;
    out[3] = -(b * i - c * h) * inv, out[4] = (a * i - c * g) * inv, out[5] = -(a * h - b * g) * inv;
    out[6] = (b * f - c * e) * inv, out[7] = -(a * f - c * d) * inv, out[8] = (a * e - b * d) * inv;
}

void Argb(uint32_t c, float* rgba)
{
    rgba[0] = ((c >> 16) & 255) / 255.0f;
    rgba[1] = ((c >> 8) & 255) / 255.0f;
    rgba[2] = (c & 255) / 255.0f;
    rgba[3] = (c >> 24) / 255.0f;
}

class GlDevice final : public Device {
public:
    bool Init(SDL_Window* window, int w, int h, bool windowed)
    {
        window_ = window;
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
        SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
        context_ = SDL_GL_CreateContext(window);
        if (!context_) {
            GFX_SetLastError("could not create an OpenGL 3.3 core context: %s", SDL_GetError());
            return false;
        }
        if (SDL_GL_MakeCurrent(window, context_) != 0) {
            GFX_SetLastError("could not make the OpenGL context current: %s", SDL_GetError());
            return false;
        }
        if (epoxy_gl_version() < 33) {
            GFX_SetLastError("OpenGL 3.3 is needed, the driver offers %d.%d", epoxy_gl_version() / 10,
                             epoxy_gl_version() % 10);
            return false;
        }
        SDL_GL_SetSwapInterval(0);
        s3tc_ = epoxy_has_gl_extension("GL_EXT_texture_compression_s3tc");
        glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxTexture_);

        std::string why;
        if (!GL_BuildProgram(&prog_, nullptr, &why)) {
            GFX_SetLastError("shader: %s", why.c_str());
            return false;
        }
        glGenVertexArrays(1, &vao_);
        glBindVertexArray(vao_);
        glGenBuffers(1, &ring_);
        glBindBuffer(GL_ARRAY_BUFFER, ring_);
        glBufferData(GL_ARRAY_BUFFER, kRingBytes, nullptr, GL_STREAM_DRAW);
        glGenSamplers(1, &sampler_);
        glBindSampler(0, sampler_);
        const uint8_t white[4] = {255, 255, 255, 255};
        glGenTextures(1, &white_);
        glBindTexture(GL_TEXTURE_2D, white_);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, 1, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, white);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glProvokingVertex(GL_FIRST_VERTEX_CONVENTION);   // flat shading takes the first vertex
        glUseProgram(prog_.program);
        glUniform1i(prog_.tex, 0);

        PresentParams pp;
        pp.backBufferWidth = (uint32_t)w;
        pp.backBufferHeight = (uint32_t)h;
        pp.windowed = windowed;
        if (Reset(pp) != GFX_OK) {
            GFX_SetLastError("could not create a %d x %d back buffer", w, h);
            return false;
        }
        if (glGetError() != GL_NO_ERROR) {
            GFX_SetLastError("the driver reported an error while setting up");
            return false;
        }
        return true;
    }

    ~GlDevice() override
    {
        for (Texture* t : textures_) static_cast<GlTexture*>(t)->owner = nullptr;
        for (VertexBuffer* b : vbs_) static_cast<GlVertexBuffer*>(b)->owner = nullptr;
        for (IndexBuffer* b : ibs_) static_cast<GlIndexBuffer*>(b)->owner = nullptr;
        if (context_) {
            SDL_GL_MakeCurrent(window_, context_);
            for (Texture* t : textures_) glDeleteTextures(1, &static_cast<GlTexture*>(t)->name);
            for (VertexBuffer* b : vbs_) glDeleteBuffers(1, &static_cast<GlVertexBuffer*>(b)->core.name);
            for (IndexBuffer* b : ibs_) glDeleteBuffers(1, &static_cast<GlIndexBuffer*>(b)->core.name);
            DeleteTarget();
            GL_DeleteProgram(&prog_);
            for (int i = 0; i < variantCount_; i++) GL_DeleteProgram(&variants_[i]);
            if (vao_) glDeleteVertexArrays(1, &vao_);
            if (ring_) glDeleteBuffers(1, &ring_);
            if (sampler_) glDeleteSamplers(1, &sampler_);
            if (white_) glDeleteTextures(1, &white_);
            SDL_GL_DeleteContext(context_);
        }
    }

    void Forget(GlTexture* t)
    {
        for (Texture*& s : state_.textures)
            if (s == t) s = nullptr;
        textures_.erase(t);
        glDeleteTextures(1, &t->name);
        dirty_ = true;                          // its GL name may still be bound
    }
    void Forget(GlVertexBuffer* b)
    {
        if (stream_ == b) stream_ = nullptr;
        vbs_.erase(b);
        glDeleteBuffers(1, &b->core.name);
    }
    void Forget(GlIndexBuffer* b)
    {
        if (indices_ == b) indices_ = nullptr;
        ibs_.erase(b);
        glDeleteBuffers(1, &b->core.name);
    }

    // ---- Device ----
    Result TestCooperativeLevel() override { return GFX_OK; }

    Result Reset(const PresentParams& pp) override
    {
        uint32_t w = pp.backBufferWidth, h = pp.backBufferHeight;
        if (w == 0 || h == 0 || (int)w > maxTexture_ || (int)h > maxTexture_) return GFX_INVALIDCALL;
        DeleteTarget();
        glGenTextures(1, &colour_);
        glBindTexture(GL_TEXTURE_2D, colour_);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, (GLsizei)w, (GLsizei)h, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
        glGenRenderbuffers(1, &depth_);
        glBindRenderbuffer(GL_RENDERBUFFER, depth_);
        glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT24, (GLsizei)w, (GLsizei)h);
        glGenFramebuffers(1, &fbo_);
        glBindFramebuffer(GL_FRAMEBUFFER, fbo_);
        glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, colour_, 0);
        glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, depth_);
        if (glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) {
            DeleteTarget();
            return GFX_OUTOFVIDEOMEMORY;
        }
        pp_ = pp;
        // A reset puts every state back to its default, as the engine expects of a device.
        GFX_DefaultState(&state_, w, h);
        stream_ = nullptr;
        indices_ = nullptr;
        inScene_ = false;
        dirty_ = true;
        ApplyViewport();
        glClearColor(0, 0, 0, 1);
        glClearDepth(1.0);
        glDepthMask(GL_TRUE);
        glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
        glDisable(GL_SCISSOR_TEST);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        return GFX_OK;
    }

    Result GetCaps(Caps* out) override
    {
        if (!out) return GFX_INVALIDCALL;
        *out = Caps();
        out->deviceType = 1;
        out->textureCaps = TEXCAPS_ALPHA;
        out->maxTextureWidth = out->maxTextureHeight = (uint32_t)maxTexture_;
        out->maxTextureRepeat = 8192;
        out->maxTextureBlendStages = out->maxSimultaneousTextures = 1;
        out->maxActiveLights = MAX_LIGHTS;
        out->maxPrimitiveCount = 0xFFFFF;
        out->maxVertexIndex = 0xFFFF;
        out->maxStreams = 1;
        out->maxStreamStride = 1024;
        out->maxPointSize = 1.0f;
        out->fvfCaps = 8;
        out->dxtSupported = s3tc_;
        return GFX_OK;
    }

    Result GetAdapterInfo(AdapterInfo* out) override
    {
        if (!out) return GFX_INVALIDCALL;
        *out = AdapterInfo();
        auto str = [](GLenum e) {
            const GLubyte* s = glGetString(e);
            return s ? reinterpret_cast<const char*>(s) : "";
        };
        snprintf(out->description, sizeof out->description, "%s", str(GL_RENDERER));
        snprintf(out->driver, sizeof out->driver, "%s %s", str(GL_VENDOR), str(GL_VERSION));
        return GFX_OK;
    }

    Result GetDesktopMode(DisplayMode* out) override
    {
        if (!out) return GFX_INVALIDCALL;
        int display = SDL_GetWindowDisplayIndex(window_);
        SDL_DisplayMode m;
        if (SDL_GetDesktopDisplayMode(display < 0 ? 0 : display, &m) != 0) return GFX_NOTAVAILABLE;
        *out = DisplayMode{(uint32_t)m.w, (uint32_t)m.h, (uint32_t)m.refresh_rate, FMT_X8R8G8B8};
        return GFX_OK;
    }

    Result SetViewport(const Viewport& vp) override
    {
        uint64_t right = (uint64_t)vp.x + vp.width, bottom = (uint64_t)vp.y + vp.height;
        if (right > pp_.backBufferWidth || bottom > pp_.backBufferHeight || vp.width == 0 ||
            vp.height == 0 || !(vp.minZ >= 0.0f && vp.minZ <= vp.maxZ && vp.maxZ <= 1.0f))
            return GFX_INVALIDCALL;
        state_.viewport = vp;
        ApplyViewport();
        dirty_ = true;
        return GFX_OK;
    }

    Result GetViewport(Viewport* out) override
    {
        if (!out) return GFX_INVALIDCALL;
        *out = state_.viewport;
        return GFX_OK;
    }

    Result Clear(uint32_t flags, uint32_t colour, float z, uint32_t stencil) override
    {
        if (flags == 0 || (flags & ~(CLEAR_TARGET | CLEAR_ZBUFFER | CLEAR_STENCIL))) return GFX_INVALIDCALL;
        glBindFramebuffer(GL_FRAMEBUFFER, fbo_);
        // A clear covers the viewport only and ignores the write masks of drawing.
        const Viewport& v = state_.viewport;
        glEnable(GL_SCISSOR_TEST);
        glScissor((GLint)v.x, (GLint)(pp_.backBufferHeight - v.y - v.height), (GLsizei)v.width, (GLsizei)v.height);
        GLbitfield bits = 0;
        if (flags & CLEAR_TARGET) {
            float c[4];
            Argb(colour, c);
            glClearColor(c[0], c[1], c[2], c[3]);
            glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
            bits |= GL_COLOR_BUFFER_BIT;
        }
        if (flags & CLEAR_ZBUFFER) {
            glClearDepth(z < 0.0f ? 0.0 : (z > 1.0f ? 1.0 : z));
            glDepthMask(GL_TRUE);
            bits |= GL_DEPTH_BUFFER_BIT;
        }
        if (bits) glClear(bits);
        glDisable(GL_SCISSOR_TEST);
        dirty_ = true;                          // the depth mask must be put back before drawing
        return GFX_OK;
    }

    Result BeginScene() override
    {
        if (inScene_) return GFX_INVALIDCALL;
        inScene_ = true;
        return GFX_OK;
    }

    Result EndScene() override
    {
        if (!inScene_) return GFX_INVALIDCALL;
        inScene_ = false;
        return GFX_OK;
    }

    Result Present() override
    {
        int dw = 0, dh = 0;
        SDL_GL_GetDrawableSize(window_, &dw, &dh);
        if (dw > 0 && dh > 0) {
            // Fit the back buffer inside the drawable, centred, keeping its shape.
            double sx = (double)dw / pp_.backBufferWidth, sy = (double)dh / pp_.backBufferHeight;
            double s = sx < sy ? sx : sy;
            int w = (int)(pp_.backBufferWidth * s + 0.5), h = (int)(pp_.backBufferHeight * s + 0.5);
            int x = (dw - w) / 2, y = (dh - h) / 2;
            glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
            glBindFramebuffer(GL_READ_FRAMEBUFFER, fbo_);
            glDisable(GL_SCISSOR_TEST);
            glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
            glClearColor(0, 0, 0, 1);
            glClear(GL_COLOR_BUFFER_BIT);
            bool same = w == (int)pp_.backBufferWidth && h == (int)pp_.backBufferHeight;
            glBlitFramebuffer(0, 0, (GLint)pp_.backBufferWidth, (GLint)pp_.backBufferHeight, x, y, x + w, y + h,
                              GL_COLOR_BUFFER_BIT, same ? GL_NEAREST : GL_LINEAR);
            SDL_GL_SwapWindow(window_);
            glBindFramebuffer(GL_FRAMEBUFFER, fbo_);
            dirty_ = true;
        }
        return glGetError() == GL_OUT_OF_MEMORY ? GFX_OUTOFVIDEOMEMORY : GFX_OK;
    }

    float* Matrix(uint32_t which) { return GFX_StateMatrix(state_, which); }

    Result SetTransform(uint32_t which, const float m[16]) override
    {
        float* dst = Matrix(which);
        if (!dst || !m) return GFX_INVALIDCALL;
        memcpy(dst, m, 16 * sizeof(float));
        dirty_ = true;
        return GFX_OK;
    }

    Result GetTransform(uint32_t which, float out[16]) override
    {
        float* src = Matrix(which);
        if (!src || !out) return GFX_INVALIDCALL;
        memcpy(out, src, 16 * sizeof(float));
        return GFX_OK;
    }

    Result SetRenderState(uint32_t st, uint32_t value) override
    {
        if (st == 0 || st >= RS_LIMIT) return GFX_INVALIDCALL;
        state_.rs[st] = value;
        dirty_ = true;
        return GFX_OK;
    }

    Result GetRenderState(uint32_t st, uint32_t* value) override
    {
        if (st == 0 || st >= RS_LIMIT || !value) return GFX_INVALIDCALL;
        *value = state_.rs[st];
        return GFX_OK;
    }

    Result SetTextureStageState(uint32_t stage, uint32_t type, uint32_t value) override
    {
        if (stage >= MAX_STAGES || type == 0 || type >= TSS_LIMIT) return GFX_INVALIDCALL;
        state_.tss[stage][type] = value;
        dirty_ = true;
        return GFX_OK;
    }

    Result GetTextureStageState(uint32_t stage, uint32_t type, uint32_t* value) override
    {
        if (stage >= MAX_STAGES || type == 0 || type >= TSS_LIMIT || !value) return GFX_INVALIDCALL;
        *value = state_.tss[stage][type];
        return GFX_OK;
    }

    Result SetTexture(uint32_t stage, Texture* tex) override
    {
        if (stage >= MAX_STAGES || (tex && !textures_.count(tex))) return GFX_INVALIDCALL;
        state_.textures[stage] = tex;
        dirty_ = true;
        return GFX_OK;
    }

    Texture* GetTexture(uint32_t stage) override { return stage < MAX_STAGES ? state_.textures[stage] : nullptr; }

    Result SetVertexFormat(uint32_t fvf) override
    {
        if (GFX_FvfStride(fvf) == 0) return GFX_INVALIDCALL;
        state_.fvf = fvf;
        dirty_ = true;
        return GFX_OK;
    }

    uint32_t GetVertexFormat() override { return state_.fvf; }

    Result SetLight(uint32_t index, const Light& light) override
    {
        if (index >= MAX_LIGHTS || light.type < LIGHT_POINT || light.type > LIGHT_DIRECTIONAL) return GFX_INVALIDCALL;
        state_.lights[index] = light;
        dirty_ = true;
        return GFX_OK;
    }

    Result GetLight(uint32_t index, Light* out) override
    {
        if (index >= MAX_LIGHTS || !out) return GFX_INVALIDCALL;
        *out = state_.lights[index];
        return GFX_OK;
    }

    Result LightEnable(uint32_t index, bool on) override
    {
        if (index >= MAX_LIGHTS) return GFX_INVALIDCALL;
        state_.lightEnabled[index] = on;
        dirty_ = true;
        return GFX_OK;
    }

    Result GetLightEnable(uint32_t index, bool* on) override
    {
        if (index >= MAX_LIGHTS || !on) return GFX_INVALIDCALL;
        *on = state_.lightEnabled[index];
        return GFX_OK;
    }

    Result CreateTexture(uint32_t w, uint32_t h, uint32_t format, const void* data, size_t size, Texture** out) override
    {
        if (out) *out = nullptr;
        size_t need = GFX_TextureDataSize(format, w, h);
        if (!out || need == 0 || !data || size < need) return GFX_INVALIDCALL;
        if ((int)w > maxTexture_ || (int)h > maxTexture_) return GFX_NOTAVAILABLE;
        while (glGetError() != GL_NO_ERROR) {}
        GLuint name = 0;
        glGenTextures(1, &name);
        glBindTexture(GL_TEXTURE_2D, name);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
        if (format == FMT_RGBA8) {
            glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, (GLsizei)w, (GLsizei)h, 0, GL_RGBA, GL_UNSIGNED_BYTE, data);
        } else if (s3tc_ && w % 4 == 0 && h % 4 == 0) {
            GLenum internal = format == FMT_DXT1 ? GL_COMPRESSED_RGBA_S3TC_DXT1_EXT
                            : format == FMT_DXT3 ? GL_COMPRESSED_RGBA_S3TC_DXT3_EXT
                                                 : GL_COMPRESSED_RGBA_S3TC_DXT5_EXT;
            glCompressedTexImage2D(GL_TEXTURE_2D, 0, internal, (GLsizei)w, (GLsizei)h, 0, (GLsizei)need, data);
        } else {
            // No S3TC in the driver (or a size it may refuse): decode the blocks ourselves.
            std::vector<uint8_t> rgba((size_t)w * h * 4);
            IMG_DecodeDXT(format, (const uint8_t*)data, size, w, h, rgba.data());
            glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, (GLsizei)w, (GLsizei)h, 0, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
        }
        GLenum err = glGetError();
        if (err != GL_NO_ERROR) {
            glDeleteTextures(1, &name);
            return err == GL_OUT_OF_MEMORY ? GFX_OUTOFVIDEOMEMORY : GFX_DRIVERERROR;
        }
        auto* t = new GlTexture(this, w, h, format);
        t->name = name;
        textures_.insert(t);
        *out = t;
        dirty_ = true;                          // the texture binding changed
        return GFX_OK;
    }

    bool MakeBuffer(GlBufferCore* core, uint32_t bytes)
    {
        while (glGetError() != GL_NO_ERROR) {}
        core->shadow.assign(bytes, 0);
        glGenBuffers(1, &core->name);
        glBindBuffer(GL_COPY_WRITE_BUFFER, core->name);
        glBufferData(GL_COPY_WRITE_BUFFER, bytes, nullptr, GL_STATIC_DRAW);
        glBindBuffer(GL_COPY_WRITE_BUFFER, 0);
        if (glGetError() != GL_NO_ERROR) {
            glDeleteBuffers(1, &core->name);
            return false;
        }
        return true;
    }

    Result CreateVertexBuffer(uint32_t bytes, uint32_t, uint32_t, VertexBuffer** out) override
    {
        if (out) *out = nullptr;
        if (!out || bytes == 0 || bytes > (256u << 20)) return GFX_INVALIDCALL;
        auto* b = new GlVertexBuffer(this);
        if (!MakeBuffer(&b->core, bytes)) {
            delete b;
            return GFX_OUTOFVIDEOMEMORY;
        }
        vbs_.insert(b);
        *out = b;
        return GFX_OK;
    }

    Result CreateIndexBuffer(uint32_t bytes, uint32_t, uint32_t format, IndexBuffer** out) override
    {
        if (out) *out = nullptr;
        if (!out || bytes == 0 || bytes > (256u << 20) || format != FMT_INDEX16) return GFX_INVALIDCALL;
        auto* b = new GlIndexBuffer(this);
        if (!MakeBuffer(&b->core, bytes)) {
            delete b;
            return GFX_OUTOFVIDEOMEMORY;
        }
        ibs_.insert(b);
        *out = b;
        return GFX_OK;
    }

    Result SetStreamSource(uint32_t stream, VertexBuffer* vb, uint32_t stride) override
    {
        if (stream != 0 || (vb && (!vbs_.count(vb) || stride == 0))) return GFX_INVALIDCALL;
        stream_ = static_cast<GlVertexBuffer*>(vb);
        stride_ = stride;
        return GFX_OK;
    }

    Result SetIndices(IndexBuffer* ib, uint32_t baseVertex) override
    {
        if (ib && !ibs_.count(ib)) return GFX_INVALIDCALL;
        indices_ = static_cast<GlIndexBuffer*>(ib);
        baseVertex_ = baseVertex;
        return GFX_OK;
    }

    bool StreamCovers(uint64_t first, uint64_t count) const
    {
        uint32_t need = GFX_FvfStride(state_.fvf);
        if (!stream_ || stream_->core.locked || need == 0 || stride_ < need || count == 0) return false;
        return (first + count - 1) * stride_ + need <= stream_->core.shadow.size();
    }

    Result DrawPrimitive(uint32_t type, uint32_t startVertex, uint32_t primCount) override
    {
        uint32_t n = GFX_VertexCount(type, primCount);
        if (n == 0 || !StreamCovers(startVertex, n)) return GFX_INVALIDCALL;
        Prepare();
        BindAttributes(stream_->core.name, 0, stride_);
        glDrawArrays(GlPrimitive(type), (GLint)startVertex, (GLsizei)n);
        return GFX_OK;
    }

    Result DrawIndexedPrimitive(uint32_t type, uint32_t minIndex, uint32_t numVertices, uint32_t startIndex,
                                uint32_t primCount) override
    {
        uint32_t n = GFX_VertexCount(type, primCount);
        if (n == 0 || numVertices == 0 || !indices_ || indices_->core.locked ||
            ((uint64_t)startIndex + n) * 2 > indices_->core.shadow.size() ||
            !StreamCovers((uint64_t)baseVertex_ + minIndex, numVertices))
            return GFX_INVALIDCALL;
        // No index in the buffer may reach past the vertex buffer (GL would read outside it).
        uint64_t vertices = (stream_->core.shadow.size() - GFX_FvfStride(state_.fvf)) / stride_ + 1;
        if ((uint64_t)indices_->core.maxIndex + baseVertex_ >= vertices) return GFX_INVALIDCALL;
        Prepare();
        BindAttributes(stream_->core.name, (size_t)baseVertex_ * stride_, stride_);
        glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, indices_->core.name);
        glDrawElements(GlPrimitive(type), (GLsizei)n, GL_UNSIGNED_SHORT, (const void*)((size_t)startIndex * 2));
        glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
        return GFX_OK;
    }

    Result DrawPrimitiveUP(uint32_t type, uint32_t primCount, const void* data, uint32_t stride) override
    {
        uint32_t n = GFX_VertexCount(type, primCount);
        uint32_t need = GFX_FvfStride(state_.fvf);
        if (n == 0 || !data || need == 0 || stride < need || stride > 1024) return GFX_INVALIDCALL;
        size_t bytes = (size_t)n * stride;
        if (bytes > kRingBytes) return GFX_INVALIDCALL;
        Prepare();
        glBindBuffer(GL_ARRAY_BUFFER, ring_);
        if (ringPos_ + bytes > kRingBytes) {
            // Orphan the old storage: draws still reading it keep it; we get fresh memory.
            glBufferData(GL_ARRAY_BUFFER, kRingBytes, nullptr, GL_STREAM_DRAW);
            ringPos_ = 0;
        }
        glBufferSubData(GL_ARRAY_BUFFER, (GLintptr)ringPos_, (GLsizeiptr)bytes, data);
        BindAttributes(ring_, ringPos_, stride);
        ringPos_ += (bytes + 15) & ~(size_t)15;
        glDrawArrays(GlPrimitive(type), 0, (GLsizei)n);
        return GFX_OK;
    }

    Result ReadBackBuffer(std::vector<uint8_t>* rgba, uint32_t* w, uint32_t* h) override
    {
        if (!rgba || !w || !h) return GFX_INVALIDCALL;
        *w = pp_.backBufferWidth;
        *h = pp_.backBufferHeight;
        size_t row = (size_t)*w * 4;
        rgba->resize(row * *h);
        glBindFramebuffer(GL_READ_FRAMEBUFFER, fbo_);
        glReadPixels(0, 0, (GLsizei)*w, (GLsizei)*h, GL_RGBA, GL_UNSIGNED_BYTE, rgba->data());
        // GL's rows run bottom up; ours top down.
        std::vector<uint8_t> tmp(row);
        for (uint32_t y = 0; y < *h / 2; ++y) {
            uint8_t* a = rgba->data() + y * row;
            uint8_t* b = rgba->data() + (*h - 1 - y) * row;
            memcpy(tmp.data(), a, row);
            memcpy(a, b, row);
            memcpy(b, tmp.data(), row);
        }
        return glGetError() == GL_NO_ERROR ? GFX_OK : GFX_DRIVERERROR;
    }

private:
    void DeleteTarget()
    {
        if (fbo_) glDeleteFramebuffers(1, &fbo_);
        if (depth_) glDeleteRenderbuffers(1, &depth_);
        if (colour_) glDeleteTextures(1, &colour_);
        fbo_ = depth_ = colour_ = 0;
    }

    void ApplyViewport()
    {
        const Viewport& v = state_.viewport;
        glBindFramebuffer(GL_FRAMEBUFFER, fbo_);
        glViewport((GLint)v.x, (GLint)(pp_.backBufferHeight - v.y - v.height), (GLsizei)v.width, (GLsizei)v.height);
        glDepthRange(v.minZ, v.maxZ);
    }

    // Point the attribute slots at a buffer holding vertices of the current format.
    void BindAttributes(GLuint buffer, size_t base, uint32_t stride)
    {
        uint32_t fvf = state_.fvf;
        glBindBuffer(GL_ARRAY_BUFFER, buffer);
        size_t off = base;
        bool rhw = (fvf & FVF_POSITION_MASK) == FVF_XYZRHW;
        glEnableVertexAttribArray(GLATTR_POSITION);
        glVertexAttribPointer(GLATTR_POSITION, rhw ? 4 : 3, GL_FLOAT, GL_FALSE, (GLsizei)stride, (const void*)off);
        off += rhw ? 16 : 12;
        if (fvf & FVF_NORMAL) {
            glEnableVertexAttribArray(GLATTR_NORMAL);
            glVertexAttribPointer(GLATTR_NORMAL, 3, GL_FLOAT, GL_FALSE, (GLsizei)stride, (const void*)off);
            off += 12;
        } else {
            glDisableVertexAttribArray(GLATTR_NORMAL);
            glVertexAttrib3f(GLATTR_NORMAL, 0, 0, 0);
        }
        if (fvf & FVF_DIFFUSE) {
            // ARGB words are the bytes B, G, R, A in memory: GL_BGRA reads them as such.
            glEnableVertexAttribArray(GLATTR_COLOUR);
            glVertexAttribPointer(GLATTR_COLOUR, GL_BGRA, GL_UNSIGNED_BYTE, GL_TRUE, (GLsizei)stride, (const void*)off);
            off += 4;
        } else {
            glDisableVertexAttribArray(GLATTR_COLOUR);
            glVertexAttrib4f(GLATTR_COLOUR, 1, 1, 1, 1);
        }
        if (fvf & FVF_SPECULAR) off += 4;
        if (fvf & FVF_TEXCOUNT_MASK) {
            glEnableVertexAttribArray(GLATTR_UV);
            glVertexAttribPointer(GLATTR_UV, 2, GL_FLOAT, GL_FALSE, (GLsizei)stride, (const void*)off);
        } else {
            glDisableVertexAttribArray(GLATTR_UV);
            glVertexAttrib2f(GLATTR_UV, 0, 0);
        }
    }

    // Turn the stored states into GL state and uniforms.
    void Prepare()
    {
        glBindFramebuffer(GL_FRAMEBUFFER, fbo_);
        glBindVertexArray(vao_);
        if (!dirty_) {
            glUseProgram(current_->program);
            return;
        }
        dirty_ = false;
        const uint32_t* rs = state_.rs;
        const uint32_t* t0 = state_.tss[0];
        current_ = ProgramFor(rs, t0);
        glUseProgram(current_->program);

        if (rs[RS_ZENABLE]) glEnable(GL_DEPTH_TEST);
        else glDisable(GL_DEPTH_TEST);
        glDepthMask(rs[RS_ZWRITEENABLE] ? GL_TRUE : GL_FALSE);
        glDepthFunc(GlCompare(rs[RS_ZFUNC]));
        if (rs[RS_ALPHABLENDENABLE]) glEnable(GL_BLEND);
        else glDisable(GL_BLEND);
        glBlendFunc(GlBlend(rs[RS_SRCBLEND], GL_ONE), GlBlend(rs[RS_DESTBLEND], GL_ZERO));
        // Culling names the screen winding to drop; screen and GL window windings agree because
        // the back buffer is shown the way GL draws it.
        if (rs[RS_CULLMODE] == CULL_CW || rs[RS_CULLMODE] == CULL_CCW) {
            glEnable(GL_CULL_FACE);
            glFrontFace(rs[RS_CULLMODE] == CULL_CCW ? GL_CW : GL_CCW);
            glCullFace(GL_BACK);
        } else {
            glDisable(GL_CULL_FACE);
        }
        glPolygonMode(GL_FRONT_AND_BACK, rs[RS_FILLMODE] == FILL_POINT ? GL_POINT
                                         : rs[RS_FILLMODE] == FILL_WIREFRAME ? GL_LINE : GL_FILL);
        glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);

        // Stage 0 texture and sampling.
        glActiveTexture(GL_TEXTURE0);
        auto* tex = static_cast<GlTexture*>(state_.textures[0]);
        glBindTexture(GL_TEXTURE_2D, tex ? tex->name : white_);
        glSamplerParameteri(sampler_, GL_TEXTURE_MAG_FILTER, t0[TSS_MAGFILTER] == TEXF_LINEAR ? GL_LINEAR : GL_NEAREST);
        glSamplerParameteri(sampler_, GL_TEXTURE_MIN_FILTER, t0[TSS_MINFILTER] == TEXF_LINEAR ? GL_LINEAR : GL_NEAREST);
        glSamplerParameteri(sampler_, GL_TEXTURE_WRAP_S, GlAddress(t0[TSS_ADDRESSU]));
        glSamplerParameteri(sampler_, GL_TEXTURE_WRAP_T, GlAddress(t0[TSS_ADDRESSV]));

        const GlProgram& p = *current_;
        float wv[16], wvp[16], nm[9];
        MatMul(state_.world, state_.view, wv);
        MatMul(wv, state_.projection, wvp);
        glUniformMatrix4fv(p.wvp, 1, GL_FALSE, wvp);
        NormalMatrix(state_.world, nm);
        glUniformMatrix3fv(p.normalMat, 1, GL_FALSE, nm);

        uint32_t fvf = state_.fvf;
        bool rhw = (fvf & FVF_POSITION_MASK) == FVF_XYZRHW;
        const Viewport& v = state_.viewport;
        glUniform1i(p.preTransformed, rhw ? 1 : 0);
        glUniform4f(p.screen, (float)v.x, (float)v.y, 2.0f / (float)v.width, 2.0f / (float)v.height);
        float range = v.maxZ - v.minZ;
        glUniform2f(p.depthMap, v.minZ, range > 0.0f ? 1.0f / range : 0.0f);
        bool hasColour = (fvf & FVF_DIFFUSE) != 0;
        bool lit = rs[RS_LIGHTING] && !rhw && (fvf & FVF_NORMAL);
        glUniform1i(p.lighting, lit ? 1 : 0);
        glUniform1i(p.hasColour, hasColour ? 1 : 0);
        glUniform1i(p.normalize, rs[RS_NORMALIZENORMALS] ? 1 : 0);
        bool fromVertex = rs[RS_COLORVERTEX] && hasColour;
        glUniform1i(p.diffuseFromVertex, fromVertex && rs[RS_DIFFUSEMATERIALSOURCE] == MCS_COLOR1);
        glUniform1i(p.ambientFromVertex, fromVertex && rs[RS_AMBIENTMATERIALSOURCE] == MCS_COLOR1);
        float amb[4];
        Argb(rs[RS_AMBIENT], amb);
        float dirs[MAX_LIGHTS * 3] = {}, cols[MAX_LIGHTS * 3] = {};
        int count = 0;
        for (uint32_t i = 0; i < MAX_LIGHTS; ++i) {
            const Light& l = state_.lights[i];
            if (!state_.lightEnabled[i]) continue;
            amb[0] += l.ambient.r, amb[1] += l.ambient.g, amb[2] += l.ambient.b;
            if (l.type != LIGHT_DIRECTIONAL) continue;
            float len = std::sqrt(l.direction.x * l.direction.x + l.direction.y * l.direction.y +
                                  l.direction.z * l.direction.z);
            if (len <= 0.0f) continue;
            dirs[count * 3] = -l.direction.x / len;
            dirs[count * 3 + 1] = -l.direction.y / len;
            dirs[count * 3 + 2] = -l.direction.z / len;
            cols[count * 3] = l.diffuse.r, cols[count * 3 + 1] = l.diffuse.g, cols[count * 3 + 2] = l.diffuse.b;
            ++count;
        }
        glUniform3f(p.ambient, amb[0], amb[1], amb[2]);
        glUniform1i(p.lightCount, count);
        glUniform3fv(p.lightDir, MAX_LIGHTS, dirs);
        glUniform3fv(p.lightDiffuse, MAX_LIGHTS, cols);

        glUniform1i(p.colourOp, (GLint)t0[TSS_COLOROP]);
        glUniform1i(p.colourArg1, (GLint)t0[TSS_COLORARG1]);
        glUniform1i(p.colourArg2, (GLint)t0[TSS_COLORARG2]);
        glUniform1i(p.alphaOp, (GLint)t0[TSS_ALPHAOP]);
        glUniform1i(p.alphaArg1, (GLint)t0[TSS_ALPHAARG1]);
        glUniform1i(p.alphaArg2, (GLint)t0[TSS_ALPHAARG2]);
        float tf[4];
        Argb(rs[RS_TEXTUREFACTOR], tf);
        glUniform4fv(p.tfactor, 1, tf);
        glUniform1i(p.flatShade, rs[RS_SHADEMODE] == SHADE_FLAT ? 1 : 0);
        glUniform1i(p.alphaTest, rs[RS_ALPHATESTENABLE] ? 1 : 0);
        glUniform1i(p.alphaFunc, (GLint)rs[RS_ALPHAFUNC]);
        glUniform1f(p.alphaRef, (float)(rs[RS_ALPHAREF] & 255));
    }

    // The program built for this fragment set-up, made on first use; the general program when
    // the table is full or a build fails.
    const GlProgram* ProgramFor(const uint32_t* rs, const uint32_t* t0)
    {
        const bool test = rs[RS_ALPHATESTENABLE] != 0;
        GlFragmentKey key{{(int)t0[TSS_COLOROP], (int)t0[TSS_COLORARG1], (int)t0[TSS_COLORARG2],
                           (int)t0[TSS_ALPHAOP], (int)t0[TSS_ALPHAARG1], (int)t0[TSS_ALPHAARG2],
                           rs[RS_SHADEMODE] == SHADE_FLAT ? 1 : 0, test ? 1 : 0,
                           test ? (int)rs[RS_ALPHAFUNC] : 0}};
        for (int i = 0; i < variantCount_; i++)
            if (keys_[i] == key) return &variants_[i];
        if (variantCount_ == kVariants || variantFailed_) return &prog_;
        std::string why;
        GlProgram& v = variants_[variantCount_];
        if (!GL_BuildProgram(&v, &key, &why)) {
            variantFailed_ = true;   // the general program carries on; say so once
            fprintf(stderr, "zandor: specialised shader refused, using the general one: %s\n", why.c_str());
            return &prog_;
        }
        glUseProgram(v.program);
        glUniform1i(v.tex, 0);
        keys_[variantCount_++] = key;
        return &v;
    }

    static constexpr int kVariants = 48;

    SDL_Window* window_ = nullptr;
    SDL_GLContext context_ = nullptr;
    GlProgram prog_;
    GlProgram variants_[kVariants];
    GlFragmentKey keys_[kVariants] = {};
    int variantCount_ = 0;
    bool variantFailed_ = false;
    const GlProgram* current_ = &prog_;
    GLuint vao_ = 0, ring_ = 0, sampler_ = 0, white_ = 0;
    GLuint fbo_ = 0, colour_ = 0, depth_ = 0;
    size_t ringPos_ = 0;
    GLint maxTexture_ = 2048;
    bool s3tc_ = false;
    bool inScene_ = false;
    bool dirty_ = true;
    PresentParams pp_;
    StateSnapshot state_;
    GlVertexBuffer* stream_ = nullptr;
    uint32_t stride_ = 0;
    GlIndexBuffer* indices_ = nullptr;
    uint32_t baseVertex_ = 0;
    std::unordered_set<Texture*> textures_;   // base pointers: a stale pointer is looked up, never cast
    std::unordered_set<VertexBuffer*> vbs_;
    std::unordered_set<IndexBuffer*> ibs_;
};

void GlTexture::Release()
{
    if (owner) owner->Forget(this);
    delete this;
}

void GlVertexBuffer::Release()
{
    if (owner) owner->Forget(this);
    delete this;
}

void GlIndexBuffer::Release()
{
    if (owner) owner->Forget(this);
    delete this;
}

} // namespace

Device* GFX_CreateGlDevice(void* sdlWindow, int backBufferW, int backBufferH, bool windowed)
{
    GFX_SetLastError("%s", "");
    if (!sdlWindow) {
        GFX_SetLastError("no window");
        return nullptr;
    }
    if (backBufferW <= 0 || backBufferH <= 0) {
        GFX_SetLastError("bad back-buffer size %d x %d", backBufferW, backBufferH);
        return nullptr;
    }
    auto* dev = new GlDevice();
    if (!dev->Init(static_cast<SDL_Window*>(sdlWindow), backBufferW, backBufferH, windowed)) {
        std::string why = GFX_LastError();
        delete dev;
        GFX_SetLastError("%s", why.c_str());
        return nullptr;
    }
    return dev;
}

} // namespace gfx
