// platform/gfx — RecordingDevice: the graphics device for tests. No GPU.
//
// Keeps every state the engine sets, appends one CallRecord per call and one DrawRecord (with a
// copy of the state and, for draws from memory, of the vertex bytes) per draw, and tracks the
// textures and buffers it made so tests can check for leaks. It checks its arguments the way a
// strict driver would (viewport inside the back buffer, draws within their buffers, released
// textures never bound, buffers unlocked before drawing) and answers GFX_INVALIDCALL otherwise.
// Tests script it: lost / not-reset cooperative levels, failing calls of any kind, resets that
// refuse while buffers live.
// Depends on: gfx.h, the standard library. Limits: memory grows with the logs until ClearLog.
#include "platform/gfx/gfx_local.h"

#include <algorithm>
#include <cstring>
#include <deque>
#include <unordered_set>

namespace gfx {
namespace {

class RecDevice;

// Resources remember their device so Release can update its counts; a device that goes away
// first orphans them (their Release then only frees them).
class RecTexture final : public Texture {
public:
    RecDevice* owner;
    uint32_t w, h, format;
    std::vector<uint8_t> data;
    RecTexture(RecDevice* o, uint32_t w_, uint32_t h_, uint32_t f) : owner(o), w(w_), h(h_), format(f) {}
    uint32_t Width() const override { return w; }
    uint32_t Height() const override { return h; }
    uint32_t GetFormat() const override { return format; }
    void Release() override;
};

// Vertex and index buffers share one shape: bytes, lock state.
struct RecBufferCore {
    RecDevice* owner;
    std::vector<uint8_t> bytes;
    bool locked = false;
    Result Lock(RecDevice* dev, uint32_t kind, uint32_t offset, uint32_t size, void** data, uint32_t flags);
    Result Unlock(RecDevice* dev, uint32_t kind);
};

class RecVertexBuffer final : public VertexBuffer {
public:
    RecBufferCore core;
    uint32_t fvf;
    RecVertexBuffer(RecDevice* o, uint32_t bytes, uint32_t f) : core{o, std::vector<uint8_t>(bytes)}, fvf(f) {}
    Result Lock(uint32_t offset, uint32_t size, void** data, uint32_t flags) override
    {
        return core.Lock(core.owner, CALL_VBLOCK, offset, size, data, flags);
    }
    Result Unlock() override { return core.Unlock(core.owner, CALL_VBUNLOCK); }
    uint32_t Size() const override { return (uint32_t)core.bytes.size(); }
    void Release() override;
};

class RecIndexBuffer final : public IndexBuffer {
public:
    RecBufferCore core;
    RecIndexBuffer(RecDevice* o, uint32_t bytes) : core{o, std::vector<uint8_t>(bytes)} {}
    Result Lock(uint32_t offset, uint32_t size, void** data, uint32_t flags) override
    {
        return core.Lock(core.owner, CALL_IBLOCK, offset, size, data, flags);
    }
    Result Unlock() override { return core.Unlock(core.owner, CALL_IBUNLOCK); }
    uint32_t Size() const override { return (uint32_t)core.bytes.size(); }
    void Release() override;
};

class RecDevice final : public RecordingDevice {
public:
    RecDevice()
    {
        pp_.backBufferWidth = 640;
        pp_.backBufferHeight = 480;
        pp_.windowed = true;
        GFX_DefaultState(&state_, pp_.backBufferWidth, pp_.backBufferHeight);
        desktop_ = DisplayMode{1024, 768, 60, FMT_X8R8G8B8};
        strcpy(adapter_.description, "Recording Device");
        strcpy(adapter_.driver, "Zandor recording backend 1.0");
    }

    ~RecDevice() override
    {
        for (Texture* t : textures_) static_cast<RecTexture*>(t)->owner = nullptr;
        for (VertexBuffer* b : vbs_) static_cast<RecVertexBuffer*>(b)->core.owner = nullptr;
        for (IndexBuffer* b : ibs_) static_cast<RecIndexBuffer*>(b)->core.owner = nullptr;
    }

    // ---- bookkeeping shared with the resources ----
    Result Log(uint32_t kind, uint32_t a, uint32_t b, uint32_t c, Result r)
    {
        calls_.push_back(CallRecord{kind, a, b, c, r});
        if (kind < CALL_KIND_COUNT) ++counts_[kind];
        return r;
    }

    // True (and the failure in *r) when a scripted failure is due for this kind of call.
    bool Scripted(uint32_t kind, Result* r)
    {
        if (kind >= CALL_KIND_COUNT || failCount_[kind] <= 0) return false;
        --failCount_[kind];
        *r = failResult_[kind];
        return true;
    }

    void Forget(RecTexture* t) { textures_.erase(t); }
    void Forget(RecVertexBuffer* b)
    {
        vbs_.erase(b);
        if (stream_ == b) stream_ = nullptr;
    }
    void Forget(RecIndexBuffer* b)
    {
        ibs_.erase(b);
        if (indices_ == b) indices_ = nullptr;
    }
    void UnbindTexture(RecTexture* t)
    {
        for (Texture*& slot : state_.textures)
            if (slot == t) slot = nullptr;
    }

    // ---- Device ----
    Result TestCooperativeLevel() override
    {
        Result r;
        if (!Scripted(CALL_TESTCOOPERATIVELEVEL, &r)) {
            if (!levelQueue_.empty()) {
                r = levelQueue_.front();
                levelQueue_.pop_front();
            } else {
                r = level_;
            }
        }
        return Log(CALL_TESTCOOPERATIVELEVEL, 0, 0, 0, r);
    }

    Result Reset(const PresentParams& pp) override
    {
        uint32_t a = pp.backBufferWidth, b = pp.backBufferHeight, c = pp.windowed ? 1 : 0;
        Result r;
        if (Scripted(CALL_RESET, &r)) return Log(CALL_RESET, a, b, c, r);
        if (level_ == GFX_DEVICELOST) return Log(CALL_RESET, a, b, c, GFX_DEVICELOST);
        if (a == 0 || b == 0 || a > 16384 || b > 16384) return Log(CALL_RESET, a, b, c, GFX_INVALIDCALL);
        if (strictReset_ && (!vbs_.empty() || !ibs_.empty())) return Log(CALL_RESET, a, b, c, GFX_INVALIDCALL);
        pp_ = pp;
        // A reset puts every state back to its default, as a real device does.
        GFX_DefaultState(&state_, a, b);
        stream_ = nullptr;
        indices_ = nullptr;
        inScene_ = false;
        if (level_ == GFX_DEVICENOTRESET) level_ = GFX_OK;
        return Log(CALL_RESET, a, b, c, GFX_OK);
    }

    Result GetCaps(Caps* out) override
    {
        Result r;
        if (Scripted(CALL_GETCAPS, &r)) return Log(CALL_GETCAPS, 0, 0, 0, r);
        if (!out) return Log(CALL_GETCAPS, 0, 0, 0, GFX_INVALIDCALL);
        *out = Caps();
        out->deviceType = 1;
        out->textureCaps = TEXCAPS_ALPHA;
        out->maxTextureWidth = out->maxTextureHeight = 8192;
        out->maxTextureBlendStages = out->maxSimultaneousTextures = MAX_STAGES;
        out->maxActiveLights = MAX_LIGHTS;
        out->maxPrimitiveCount = 0xFFFFF;
        out->maxVertexIndex = 0xFFFF;
        out->maxStreams = 1;
        out->maxStreamStride = 255;
        out->fvfCaps = 8;
        out->dxtSupported = true;
        return Log(CALL_GETCAPS, 0, 0, 0, GFX_OK);
    }

    Result GetAdapterInfo(AdapterInfo* out) override
    {
        Result r;
        if (Scripted(CALL_GETADAPTERINFO, &r)) return Log(CALL_GETADAPTERINFO, 0, 0, 0, r);
        if (!out) return Log(CALL_GETADAPTERINFO, 0, 0, 0, GFX_INVALIDCALL);
        *out = adapter_;
        return Log(CALL_GETADAPTERINFO, 0, 0, 0, GFX_OK);
    }

    Result GetDesktopMode(DisplayMode* out) override
    {
        Result r;
        if (Scripted(CALL_GETDESKTOPMODE, &r)) return Log(CALL_GETDESKTOPMODE, 0, 0, 0, r);
        if (!out) return Log(CALL_GETDESKTOPMODE, 0, 0, 0, GFX_INVALIDCALL);
        *out = desktop_;
        return Log(CALL_GETDESKTOPMODE, 0, 0, 0, GFX_OK);
    }

    Result SetViewport(const Viewport& vp) override
    {
        Result r;
        if (Scripted(CALL_SETVIEWPORT, &r)) return Log(CALL_SETVIEWPORT, vp.width, vp.height, 0, r);
        uint64_t right = (uint64_t)vp.x + vp.width, bottom = (uint64_t)vp.y + vp.height;
        if (right > pp_.backBufferWidth || bottom > pp_.backBufferHeight || vp.width == 0 ||
            vp.height == 0 || !(vp.minZ >= 0.0f && vp.minZ <= vp.maxZ && vp.maxZ <= 1.0f))
            return Log(CALL_SETVIEWPORT, vp.width, vp.height, 0, GFX_INVALIDCALL);
        state_.viewport = vp;
        return Log(CALL_SETVIEWPORT, vp.width, vp.height, 0, GFX_OK);
    }

    Result GetViewport(Viewport* out) override
    {
        if (!out) return Log(CALL_GETVIEWPORT, 0, 0, 0, GFX_INVALIDCALL);
        *out = state_.viewport;
        return Log(CALL_GETVIEWPORT, 0, 0, 0, GFX_OK);
    }

    Result Clear(uint32_t flags, uint32_t colour, float z, uint32_t stencil) override
    {
        Result r;
        if (Scripted(CALL_CLEAR, &r)) return Log(CALL_CLEAR, flags, colour, stencil, r);
        if (flags == 0 || (flags & ~(CLEAR_TARGET | CLEAR_ZBUFFER | CLEAR_STENCIL)) ||
            ((flags & CLEAR_ZBUFFER) && !(z >= 0.0f && z <= 1.0f)))
            return Log(CALL_CLEAR, flags, colour, stencil, GFX_INVALIDCALL);
        if (flags & CLEAR_TARGET) clearColour_ = colour;
        return Log(CALL_CLEAR, flags, colour, stencil, GFX_OK);
    }

    Result BeginScene() override
    {
        Result r;
        if (Scripted(CALL_BEGINSCENE, &r)) return Log(CALL_BEGINSCENE, 0, 0, 0, r);
        if (inScene_) return Log(CALL_BEGINSCENE, 0, 0, 0, GFX_INVALIDCALL);
        inScene_ = true;
        return Log(CALL_BEGINSCENE, 0, 0, 0, GFX_OK);
    }

    Result EndScene() override
    {
        Result r;
        if (Scripted(CALL_ENDSCENE, &r)) return Log(CALL_ENDSCENE, 0, 0, 0, r);
        if (!inScene_) return Log(CALL_ENDSCENE, 0, 0, 0, GFX_INVALIDCALL);
        inScene_ = false;
        return Log(CALL_ENDSCENE, 0, 0, 0, GFX_OK);
    }

    Result Present() override
    {
        Result r;
        if (Scripted(CALL_PRESENT, &r)) return Log(CALL_PRESENT, 0, 0, 0, r);
        if (level_ == GFX_DEVICELOST || level_ == GFX_DEVICENOTRESET)
            return Log(CALL_PRESENT, 0, 0, 0, GFX_DEVICELOST);
        ++presents_;
        return Log(CALL_PRESENT, 0, 0, 0, GFX_OK);
    }

    float* Matrix(uint32_t which) { return GFX_StateMatrix(state_, which); }

    Result SetTransform(uint32_t which, const float m[16]) override
    {
        Result r;
        if (Scripted(CALL_SETTRANSFORM, &r)) return Log(CALL_SETTRANSFORM, which, 0, 0, r);
        float* dst = Matrix(which);
        if (!dst || !m) return Log(CALL_SETTRANSFORM, which, 0, 0, GFX_INVALIDCALL);
        memcpy(dst, m, 16 * sizeof(float));
        return Log(CALL_SETTRANSFORM, which, 0, 0, GFX_OK);
    }

    Result GetTransform(uint32_t which, float out[16]) override
    {
        float* src = Matrix(which);
        if (!src || !out) return Log(CALL_GETTRANSFORM, which, 0, 0, GFX_INVALIDCALL);
        memcpy(out, src, 16 * sizeof(float));
        return Log(CALL_GETTRANSFORM, which, 0, 0, GFX_OK);
    }

    Result SetRenderState(uint32_t st, uint32_t value) override
    {
        Result r;
        if (Scripted(CALL_SETRENDERSTATE, &r)) return Log(CALL_SETRENDERSTATE, st, value, 0, r);
        if (st == 0 || st >= RS_LIMIT) return Log(CALL_SETRENDERSTATE, st, value, 0, GFX_INVALIDCALL);
        state_.rs[st] = value;
        return Log(CALL_SETRENDERSTATE, st, value, 0, GFX_OK);
    }

    Result GetRenderState(uint32_t st, uint32_t* value) override
    {
        if (st == 0 || st >= RS_LIMIT || !value) return Log(CALL_GETRENDERSTATE, st, 0, 0, GFX_INVALIDCALL);
        *value = state_.rs[st];
        return Log(CALL_GETRENDERSTATE, st, *value, 0, GFX_OK);
    }

    Result SetTextureStageState(uint32_t stage, uint32_t type, uint32_t value) override
    {
        Result r;
        if (Scripted(CALL_SETTEXTURESTAGESTATE, &r)) return Log(CALL_SETTEXTURESTAGESTATE, stage, type, value, r);
        if (stage >= MAX_STAGES || type == 0 || type >= TSS_LIMIT)
            return Log(CALL_SETTEXTURESTAGESTATE, stage, type, value, GFX_INVALIDCALL);
        state_.tss[stage][type] = value;
        return Log(CALL_SETTEXTURESTAGESTATE, stage, type, value, GFX_OK);
    }

    Result GetTextureStageState(uint32_t stage, uint32_t type, uint32_t* value) override
    {
        if (stage >= MAX_STAGES || type == 0 || type >= TSS_LIMIT || !value)
            return Log(CALL_GETTEXTURESTAGESTATE, stage, type, 0, GFX_INVALIDCALL);
        *value = state_.tss[stage][type];
        return Log(CALL_GETTEXTURESTAGESTATE, stage, type, *value, GFX_OK);
    }

    Result SetTexture(uint32_t stage, Texture* tex) override
    {
        Result r;
        if (Scripted(CALL_SETTEXTURE, &r)) return Log(CALL_SETTEXTURE, stage, 0, 0, r);
        // A texture this device did not make (or already released) is a caller fault.
        if (stage >= MAX_STAGES || (tex && !textures_.count(tex)))
            return Log(CALL_SETTEXTURE, stage, 0, 0, GFX_INVALIDCALL);
        state_.textures[stage] = tex;
        return Log(CALL_SETTEXTURE, stage, tex ? 1 : 0, 0, GFX_OK);
    }

    Texture* GetTexture(uint32_t stage) override
    {
        Log(CALL_GETTEXTURE, stage, 0, 0, stage < MAX_STAGES ? GFX_OK : GFX_INVALIDCALL);
        return stage < MAX_STAGES ? state_.textures[stage] : nullptr;
    }

    Result SetVertexFormat(uint32_t fvf) override
    {
        Result r;
        if (Scripted(CALL_SETVERTEXFORMAT, &r)) return Log(CALL_SETVERTEXFORMAT, fvf, 0, 0, r);
        if (GFX_FvfStride(fvf) == 0) return Log(CALL_SETVERTEXFORMAT, fvf, 0, 0, GFX_INVALIDCALL);
        state_.fvf = fvf;
        return Log(CALL_SETVERTEXFORMAT, fvf, 0, 0, GFX_OK);
    }

    uint32_t GetVertexFormat() override
    {
        Log(CALL_GETVERTEXFORMAT, state_.fvf, 0, 0, GFX_OK);
        return state_.fvf;
    }

    Result SetLight(uint32_t index, const Light& light) override
    {
        Result r;
        if (Scripted(CALL_SETLIGHT, &r)) return Log(CALL_SETLIGHT, index, light.type, 0, r);
        if (index >= MAX_LIGHTS || light.type < LIGHT_POINT || light.type > LIGHT_DIRECTIONAL)
            return Log(CALL_SETLIGHT, index, light.type, 0, GFX_INVALIDCALL);
        state_.lights[index] = light;
        return Log(CALL_SETLIGHT, index, light.type, 0, GFX_OK);
    }

    Result GetLight(uint32_t index, Light* out) override
    {
        if (index >= MAX_LIGHTS || !out) return Log(CALL_GETLIGHT, index, 0, 0, GFX_INVALIDCALL);
        *out = state_.lights[index];
        return Log(CALL_GETLIGHT, index, 0, 0, GFX_OK);
    }

    Result LightEnable(uint32_t index, bool on) override
    {
        Result r;
        if (Scripted(CALL_LIGHTENABLE, &r)) return Log(CALL_LIGHTENABLE, index, on, 0, r);
        if (index >= MAX_LIGHTS) return Log(CALL_LIGHTENABLE, index, on, 0, GFX_INVALIDCALL);
        state_.lightEnabled[index] = on;
        return Log(CALL_LIGHTENABLE, index, on, 0, GFX_OK);
    }

    Result GetLightEnable(uint32_t index, bool* on) override
    {
        if (index >= MAX_LIGHTS || !on) return Log(CALL_GETLIGHTENABLE, index, 0, 0, GFX_INVALIDCALL);
        *on = state_.lightEnabled[index];
        return Log(CALL_GETLIGHTENABLE, index, *on, 0, GFX_OK);
    }

    Result CreateTexture(uint32_t w, uint32_t h, uint32_t format, const void* data, size_t size,
                         Texture** out) override
    {
        if (out) *out = nullptr;
        Result r;
        if (Scripted(CALL_CREATETEXTURE, &r)) return Log(CALL_CREATETEXTURE, w, h, format, r);
        size_t need = GFX_TextureDataSize(format, w, h);
        if (!out || need == 0 || !data || size < need || w > 8192 || h > 8192)
            return Log(CALL_CREATETEXTURE, w, h, format, GFX_INVALIDCALL);
        auto* t = new RecTexture(this, w, h, format);
        t->data.assign((const uint8_t*)data, (const uint8_t*)data + need);
        textures_.insert(t);
        ++createdTextures_;
        *out = t;
        return Log(CALL_CREATETEXTURE, w, h, format, GFX_OK);
    }

    Result CreateVertexBuffer(uint32_t bytes, uint32_t usage, uint32_t fvf, VertexBuffer** out) override
    {
        if (out) *out = nullptr;
        Result r;
        if (Scripted(CALL_CREATEVERTEXBUFFER, &r)) return Log(CALL_CREATEVERTEXBUFFER, bytes, usage, fvf, r);
        if (!out || bytes == 0 || bytes > (256u << 20))
            return Log(CALL_CREATEVERTEXBUFFER, bytes, usage, fvf, GFX_INVALIDCALL);
        auto* b = new RecVertexBuffer(this, bytes, fvf);
        vbs_.insert(b);
        ++createdVbs_;
        *out = b;
        return Log(CALL_CREATEVERTEXBUFFER, bytes, usage, fvf, GFX_OK);
    }

    Result CreateIndexBuffer(uint32_t bytes, uint32_t usage, uint32_t format, IndexBuffer** out) override
    {
        if (out) *out = nullptr;
        Result r;
        if (Scripted(CALL_CREATEINDEXBUFFER, &r)) return Log(CALL_CREATEINDEXBUFFER, bytes, usage, format, r);
        if (!out || bytes == 0 || bytes > (256u << 20) || format != FMT_INDEX16)
            return Log(CALL_CREATEINDEXBUFFER, bytes, usage, format, GFX_INVALIDCALL);
        auto* b = new RecIndexBuffer(this, bytes);
        ibs_.insert(b);
        ++createdIbs_;
        *out = b;
        return Log(CALL_CREATEINDEXBUFFER, bytes, usage, format, GFX_OK);
    }

    Result SetStreamSource(uint32_t stream, VertexBuffer* vb, uint32_t stride) override
    {
        Result r;
        if (Scripted(CALL_SETSTREAMSOURCE, &r)) return Log(CALL_SETSTREAMSOURCE, stream, stride, 0, r);
        if (stream != 0 || (vb && (!vbs_.count(vb) || stride == 0)))
            return Log(CALL_SETSTREAMSOURCE, stream, stride, 0, GFX_INVALIDCALL);
        stream_ = static_cast<RecVertexBuffer*>(vb);
        stride_ = stride;
        return Log(CALL_SETSTREAMSOURCE, stream, stride, 0, GFX_OK);
    }

    Result SetIndices(IndexBuffer* ib, uint32_t baseVertex) override
    {
        Result r;
        if (Scripted(CALL_SETINDICES, &r)) return Log(CALL_SETINDICES, baseVertex, 0, 0, r);
        if (ib && !ibs_.count(ib)) return Log(CALL_SETINDICES, baseVertex, 0, 0, GFX_INVALIDCALL);
        indices_ = static_cast<RecIndexBuffer*>(ib);
        baseVertex_ = baseVertex;
        return Log(CALL_SETINDICES, baseVertex, 0, 0, GFX_OK);
    }

    DrawRecord& NewDraw(uint32_t kind, uint32_t type, uint32_t primCount, uint32_t stride)
    {
        draws_.emplace_back(state_);
        DrawRecord& d = draws_.back();
        d.kind = kind;
        d.primType = type;
        d.primCount = primCount;
        d.stride = stride;
        d.streamSource = stream_;
        d.indices = indices_;
        d.inScene = inScene_;
        return d;
    }

    // The stream source can supply vertices first .. first + count − 1 in the current format.
    bool StreamCovers(uint64_t first, uint64_t count) const
    {
        uint32_t need = GFX_FvfStride(state_.fvf);
        if (!stream_ || stream_->core.locked || need == 0 || stride_ < need) return false;
        return (first + count - 1) * stride_ + need <= stream_->core.bytes.size();
    }

    Result DrawPrimitive(uint32_t type, uint32_t startVertex, uint32_t primCount) override
    {
        Result r;
        if (Scripted(CALL_DRAWPRIMITIVE, &r)) return Log(CALL_DRAWPRIMITIVE, type, startVertex, primCount, r);
        uint32_t n = GFX_VertexCount(type, primCount);
        if (n == 0 || !StreamCovers(startVertex, n))
            return Log(CALL_DRAWPRIMITIVE, type, startVertex, primCount, GFX_INVALIDCALL);
        DrawRecord& d = NewDraw(DRAW_STREAM, type, primCount, stride_);
        d.startVertex = startVertex;
        return Log(CALL_DRAWPRIMITIVE, type, startVertex, primCount, GFX_OK);
    }

    Result DrawIndexedPrimitive(uint32_t type, uint32_t minIndex, uint32_t numVertices,
                                uint32_t startIndex, uint32_t primCount) override
    {
        Result r;
        if (Scripted(CALL_DRAWINDEXEDPRIMITIVE, &r)) return Log(CALL_DRAWINDEXEDPRIMITIVE, type, minIndex, numVertices, r);
        uint32_t n = GFX_VertexCount(type, primCount);
        bool ok = n != 0 && numVertices != 0 && indices_ && !indices_->core.locked &&
                  ((uint64_t)startIndex + n) * 2 <= indices_->core.bytes.size() &&
                  StreamCovers((uint64_t)baseVertex_ + minIndex, numVertices);
        // Every index must fall inside the vertex range the caller promised.
        if (ok) {
            const uint8_t* p = indices_->core.bytes.data() + (size_t)startIndex * 2;
            for (uint32_t i = 0; i < n && ok; ++i) {
                uint32_t idx = (uint32_t)p[i * 2] | ((uint32_t)p[i * 2 + 1] << 8);
                ok = idx >= minIndex && idx < (uint64_t)minIndex + numVertices;
            }
        }
        if (!ok) return Log(CALL_DRAWINDEXEDPRIMITIVE, type, minIndex, numVertices, GFX_INVALIDCALL);
        DrawRecord& d = NewDraw(DRAW_INDEXED, type, primCount, stride_);
        d.minIndex = minIndex;
        d.numVertices = numVertices;
        d.startIndex = startIndex;
        d.baseVertex = baseVertex_;
        return Log(CALL_DRAWINDEXEDPRIMITIVE, type, minIndex, numVertices, GFX_OK);
    }

    Result DrawPrimitiveUP(uint32_t type, uint32_t primCount, const void* data, uint32_t stride) override
    {
        Result r;
        if (Scripted(CALL_DRAWPRIMITIVEUP, &r)) return Log(CALL_DRAWPRIMITIVEUP, type, primCount, stride, r);
        uint32_t n = GFX_VertexCount(type, primCount);
        uint32_t need = GFX_FvfStride(state_.fvf);
        if (n == 0 || !data || need == 0 || stride < need || stride > 1024)
            return Log(CALL_DRAWPRIMITIVEUP, type, primCount, stride, GFX_INVALIDCALL);
        DrawRecord& d = NewDraw(DRAW_USERMEMORY, type, primCount, stride);
        d.vertexBytes = n * stride;
        d.vertices.assign((const uint8_t*)data, (const uint8_t*)data + d.vertexBytes);
        return Log(CALL_DRAWPRIMITIVEUP, type, primCount, stride, GFX_OK);
    }

    Result ReadBackBuffer(std::vector<uint8_t>* rgba, uint32_t* w, uint32_t* h) override
    {
        Result r;
        if (Scripted(CALL_READBACKBUFFER, &r)) return Log(CALL_READBACKBUFFER, 0, 0, 0, r);
        if (!rgba || !w || !h) return Log(CALL_READBACKBUFFER, 0, 0, 0, GFX_INVALIDCALL);
        // Nothing is rasterised here: the picture is the last clear colour.
        *w = pp_.backBufferWidth;
        *h = pp_.backBufferHeight;
        rgba->resize((size_t)*w * *h * 4);
        uint8_t px[4] = {(uint8_t)(clearColour_ >> 16), (uint8_t)(clearColour_ >> 8), (uint8_t)clearColour_,
                         (uint8_t)(clearColour_ >> 24)};
        for (size_t i = 0; i < rgba->size(); i += 4) memcpy(rgba->data() + i, px, 4);
        return Log(CALL_READBACKBUFFER, *w, *h, 0, GFX_OK);
    }

    // ---- RecordingDevice ----
    const std::vector<CallRecord>& Calls() const override { return calls_; }
    int CallCount(uint32_t kind) const override { return kind < CALL_KIND_COUNT ? counts_[kind] : 0; }
    const std::vector<DrawRecord>& Draws() const override { return draws_; }
    void ClearLog() override
    {
        calls_.clear();
        draws_.clear();
        std::fill(std::begin(counts_), std::end(counts_), 0);
    }
    const StateSnapshot& State() const override { return state_; }
    PresentParams LastPresentParams() const override { return pp_; }
    int PresentCount() const override { return presents_; }
    uint32_t LastClearColour() const override { return clearColour_; }

    int LiveTextures() const override { return (int)textures_.size(); }
    int LiveVertexBuffers() const override { return (int)vbs_.size(); }
    int LiveIndexBuffers() const override { return (int)ibs_.size(); }
    int CreatedTextures() const override { return createdTextures_; }
    int CreatedVertexBuffers() const override { return createdVbs_; }
    int CreatedIndexBuffers() const override { return createdIbs_; }
    const std::vector<uint8_t>* TextureData(const Texture* t) const override
    {
        Texture* key = const_cast<Texture*>(t);
        return textures_.count(key) ? &static_cast<RecTexture*>(key)->data : nullptr;
    }

    void SetCooperativeLevel(Result r) override { level_ = r; }
    void QueueCooperativeLevels(const std::vector<Result>& results) override
    {
        levelQueue_.insert(levelQueue_.end(), results.begin(), results.end());
    }
    void FailNext(uint32_t kind, Result r, int count) override
    {
        if (kind >= CALL_KIND_COUNT) return;
        failResult_[kind] = r;
        failCount_[kind] = count;
    }
    void SetStrictReset(bool on) override { strictReset_ = on; }
    void SetDesktopMode(const DisplayMode& mode) override { desktop_ = mode; }
    void SetAdapterInfo(const char* description, const char* driver) override
    {
        snprintf(adapter_.description, sizeof adapter_.description, "%s", description ? description : "");
        snprintf(adapter_.driver, sizeof adapter_.driver, "%s", driver ? driver : "");
    }

private:
    PresentParams pp_;
    StateSnapshot state_;
    DisplayMode desktop_;
    AdapterInfo adapter_;
    bool inScene_ = false;
    bool strictReset_ = false;
    Result level_ = GFX_OK;
    std::deque<Result> levelQueue_;
    int failCount_[CALL_KIND_COUNT] = {};
    Result failResult_[CALL_KIND_COUNT] = {};
    std::vector<CallRecord> calls_;
    int counts_[CALL_KIND_COUNT] = {};
    std::vector<DrawRecord> draws_;
    int presents_ = 0;
    uint32_t clearColour_ = 0xFF000000u;
    RecVertexBuffer* stream_ = nullptr;
    uint32_t stride_ = 0;
    RecIndexBuffer* indices_ = nullptr;
    uint32_t baseVertex_ = 0;
    std::unordered_set<Texture*> textures_;   // base pointers: a stale pointer is looked up, never cast
    std::unordered_set<VertexBuffer*> vbs_;
    std::unordered_set<IndexBuffer*> ibs_;
    int createdTextures_ = 0, createdVbs_ = 0, createdIbs_ = 0;
};

void RecTexture::Release()
{
    if (owner) {
        owner->Log(CALL_TEXTURERELEASE, w, h, format, GFX_OK);
        owner->UnbindTexture(this);
        owner->Forget(this);
    }
    delete this;
}

Result RecBufferCore::Lock(RecDevice* dev, uint32_t kind, uint32_t offset, uint32_t size, void** data, uint32_t flags)
{
    if (data) *data = nullptr;
    Result r;
    if (dev && dev->Scripted(kind, &r)) return dev->Log(kind, offset, size, flags, r);
    uint64_t end = size == 0 ? bytes.size() : (uint64_t)offset + size;
    if (!data || locked || offset > bytes.size() || end > bytes.size()) {
        return dev ? dev->Log(kind, offset, size, flags, GFX_INVALIDCALL) : GFX_INVALIDCALL;
    }
    locked = true;
    *data = bytes.data() + offset;
    return dev ? dev->Log(kind, offset, size, flags, GFX_OK) : GFX_OK;
}

Result RecBufferCore::Unlock(RecDevice* dev, uint32_t kind)
{
    Result r;
    if (dev && dev->Scripted(kind, &r)) return dev->Log(kind, 0, 0, 0, r);
    if (!locked) return dev ? dev->Log(kind, 0, 0, 0, GFX_INVALIDCALL) : GFX_INVALIDCALL;
    locked = false;
    return dev ? dev->Log(kind, 0, 0, 0, GFX_OK) : GFX_OK;
}

void RecVertexBuffer::Release()
{
    if (core.owner) {
        core.owner->Log(CALL_VBRELEASE, Size(), 0, 0, GFX_OK);
        core.owner->Forget(this);
    }
    delete this;
}

void RecIndexBuffer::Release()
{
    if (core.owner) {
        core.owner->Log(CALL_IBRELEASE, Size(), 0, 0, GFX_OK);
        core.owner->Forget(this);
    }
    delete this;
}

} // namespace

RecordingDevice* GFX_CreateRecordingDevice()
{
    GFX_SetLastError("%s", "");
    return new RecDevice();
}

} // namespace gfx
