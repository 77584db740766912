// platform/gfx — the graphics device the engine draws through.
//
// One device interface shaped after the calls the render modules make: device information and
// caps, reset with present parameters, the cooperative-level test, viewport, clear, scenes,
// present, transforms, render states, texture-stage states, textures per stage, vertex formats
// (FVF bits), directional lights, vertex and index buffers, indexed draws and draws from user
// memory. Two backends sit behind it:
//   GlDevice        — OpenGL 3.3 core on the SDL2 window through libepoxy; one shader program
//                     reproduces the fixed-function behaviour the engine relies on. Renders into
//                     an offscreen framebuffer of the back-buffer size; Present scales it to the
//                     window with letterboxing.
//   RecordingDevice — no GPU; keeps every state, counts and records every call with its
//                     arguments and a state snapshot per draw, tracks resources for leak checks,
//                     and can be scripted to report a lost device or a failing call.
// Conventions the engine relies on (both backends keep them):
//   - matrices are 16 floats, row-major, row vectors: a point is p × World × View × Projection;
//   - projections are left-handed with clip depth 0..1;
//   - CULL_CCW culls triangles whose vertices run counter-clockwise on screen (y down);
//   - FVF_XYZRHW vertices are back-buffer pixels (x right, y down), z 0..1, with rhw;
//   - colours are 32-bit ARGB (alpha in the high byte), as stored in vertices.
// Limits: stream 0 only, 8 texture stages (stage 0 is the one that colours pixels on GL), 8
// lights (directional only), 16-bit indices, one mip level per texture.
// State numbers are small (render states < RS_LIMIT, stage states < TSS_LIMIT) so that callers
// can keep flat caches indexed by them. Every Set/Get accepts any 32-bit value; values a backend
// does not understand are stored and reported back unchanged.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace gfx {

// ---- Result codes (our own numbering; GFX_ResultName gives their names) ----
using Result = int32_t;
enum : Result {
    GFX_OK = 0,
    GFX_DEVICELOST = -1,         // the device cannot be drawn to now; wait
    GFX_DEVICENOTRESET = -2,     // the device can be reset now
    GFX_INVALIDCALL = -3,        // bad arguments or a call in the wrong state
    GFX_OUTOFMEMORY = -4,        // system memory ran out
    GFX_OUTOFVIDEOMEMORY = -5,   // the GPU refused an allocation
    GFX_NOTAVAILABLE = -6,       // the format or feature is not supported
    GFX_DRIVERERROR = -7,        // the driver reported an error
    GFX_FAIL = -8,               // any other failure
};
inline bool GFX_Failed(Result r) { return r < 0; }
const char* GFX_ResultName(Result r);           // "GFX_OK", "GFX_DEVICELOST", …; "GFX_UNKNOWN" otherwise

// ---- Render states (SetRenderState) ----
enum RenderState : uint32_t {
    RS_ZENABLE = 1,              // bool (0/1)
    RS_FILLMODE = 2,             // FILL_*
    RS_SHADEMODE = 3,            // SHADE_*
    RS_ZWRITEENABLE = 4,         // bool
    RS_ALPHATESTENABLE = 5,      // bool
    RS_SRCBLEND = 6,             // BLEND_*
    RS_DESTBLEND = 7,            // BLEND_*
    RS_CULLMODE = 8,             // CULL_*
    RS_ZFUNC = 9,                // CMP_*
    RS_ALPHAREF = 10,            // 0..255
    RS_ALPHAFUNC = 11,           // CMP_*
    RS_DITHERENABLE = 12,        // bool
    RS_ALPHABLENDENABLE = 13,    // bool
    RS_FOGENABLE = 14,           // bool (stored; fog is not drawn)
    RS_SPECULARENABLE = 15,      // bool (stored; specular is not drawn)
    RS_ZBIAS = 16,               // 0..16 (stored)
    RS_LIGHTING = 17,            // bool
    RS_AMBIENT = 18,             // ARGB colour of the global ambient light
    RS_COLORVERTEX = 19,         // bool: take material colours from the vertex
    RS_NORMALIZENORMALS = 20,    // bool
    RS_DIFFUSEMATERIALSOURCE = 21,   // MCS_*
    RS_SPECULARMATERIALSOURCE = 22,  // MCS_*
    RS_AMBIENTMATERIALSOURCE = 23,   // MCS_*
    RS_EMISSIVEMATERIALSOURCE = 24,  // MCS_*
    RS_FOGCOLOR = 25,            // ARGB (stored)
    RS_LOCALVIEWER = 26,         // bool (stored)
    RS_CLIPPING = 27,            // bool (stored)
    RS_STENCILENABLE = 28,       // bool (stored)
    RS_TEXTUREFACTOR = 29,       // ARGB colour for TA_TFACTOR
    RS_COUNT = 30,               // one past the last state with a meaning
    RS_LIMIT = 256,              // every render-state number is below this
};

enum : uint32_t { FILL_POINT = 1, FILL_WIREFRAME = 2, FILL_SOLID = 3 };
enum : uint32_t { SHADE_FLAT = 1, SHADE_GOURAUD = 2 };
enum : uint32_t { CULL_NONE = 1, CULL_CW = 2, CULL_CCW = 3 };    // which screen winding is culled
enum : uint32_t {
    CMP_NEVER = 1, CMP_LESS = 2, CMP_EQUAL = 3, CMP_LESSEQUAL = 4,
    CMP_GREATER = 5, CMP_NOTEQUAL = 6, CMP_GREATEREQUAL = 7, CMP_ALWAYS = 8,
};
enum : uint32_t {
    BLEND_ZERO = 1, BLEND_ONE = 2, BLEND_SRCCOLOR = 3, BLEND_INVSRCCOLOR = 4,
    BLEND_SRCALPHA = 5, BLEND_INVSRCALPHA = 6, BLEND_DESTALPHA = 7, BLEND_INVDESTALPHA = 8,
    BLEND_DESTCOLOR = 9, BLEND_INVDESTCOLOR = 10,
};
enum : uint32_t { MCS_MATERIAL = 0, MCS_COLOR1 = 1, MCS_COLOR2 = 2 };  // material colour source

// ---- Texture-stage states (SetTextureStageState) ----
enum TextureStageState : uint32_t {
    TSS_COLOROP = 1,             // TOP_*
    TSS_COLORARG1 = 2,           // TA_*
    TSS_COLORARG2 = 3,           // TA_*
    TSS_ALPHAOP = 4,             // TOP_*
    TSS_ALPHAARG1 = 5,           // TA_*
    TSS_ALPHAARG2 = 6,           // TA_*
    TSS_ADDRESSU = 7,            // TADDRESS_*
    TSS_ADDRESSV = 8,            // TADDRESS_*
    TSS_MAGFILTER = 9,           // TEXF_*
    TSS_MINFILTER = 10,          // TEXF_*
    TSS_MIPFILTER = 11,          // TEXF_* (one mip level: stored only)
    TSS_TEXCOORDINDEX = 12,      // stored
    TSS_COUNT = 13,
    TSS_LIMIT = 128,             // every stage-state number is below this
};
constexpr uint32_t MAX_STAGES = 8;

enum : uint32_t {
    TOP_DISABLE = 1, TOP_SELECTARG1 = 2, TOP_SELECTARG2 = 3,
    TOP_MODULATE = 4, TOP_MODULATE2X = 5, TOP_MODULATE4X = 6, TOP_ADD = 7,
    TOP_ADDSIGNED = 8, TOP_SUBTRACT = 9,
};
enum : uint32_t {
    TA_DIFFUSE = 0, TA_CURRENT = 1, TA_TEXTURE = 2, TA_TFACTOR = 3,
    TA_COMPLEMENT = 0x10,        // modifier: 1 − x
    TA_ALPHAREPLICATE = 0x20,    // modifier: the argument's alpha in all channels
};
enum : uint32_t { TADDRESS_WRAP = 1, TADDRESS_MIRROR = 2, TADDRESS_CLAMP = 3 };
enum : uint32_t { TEXF_NONE = 0, TEXF_POINT = 1, TEXF_LINEAR = 2 };

// ---- Vertex format bits (the numbers the engine's vertex types use: 0x144, 0x152, 0x142) ----
enum : uint32_t {
    FVF_XYZ = 0x002,             // 3 floats, world space
    FVF_XYZRHW = 0x004,          // 4 floats, back-buffer pixels + rhw (pre-transformed)
    FVF_NORMAL = 0x010,          // 3 floats
    FVF_DIFFUSE = 0x040,         // 32-bit ARGB
    FVF_SPECULAR = 0x080,        // 32-bit ARGB (skipped)
    FVF_TEX0 = 0x000,
    FVF_TEX1 = 0x100,            // 2 floats u, v
    FVF_TEXCOUNT_MASK = 0xF00,
    FVF_POSITION_MASK = 0x00E,
};
uint32_t GFX_FvfStride(uint32_t fvf);           // bytes per vertex; 0 for a format we cannot draw

// ---- Transforms, primitives, clears, locks, usage, formats ----
enum TransformType : uint32_t { TS_VIEW = 2, TS_PROJECTION = 3, TS_WORLD = 256 };
enum PrimitiveType : uint32_t {
    PT_POINTLIST = 1, PT_LINELIST = 2, PT_LINESTRIP = 3,
    PT_TRIANGLELIST = 4, PT_TRIANGLESTRIP = 5, PT_TRIANGLEFAN = 6,
};
uint32_t GFX_VertexCount(uint32_t primType, uint32_t primCount);  // vertices a draw reads; 0 if bad

enum : uint32_t { CLEAR_TARGET = 1, CLEAR_ZBUFFER = 2, CLEAR_STENCIL = 4 };
enum : uint32_t { LOCK_READONLY = 0x10, LOCK_NOSYSLOCK = 0x800, LOCK_DISCARD = 0x2000, LOCK_NOOVERWRITE = 0x1000 };
enum : uint32_t { USAGE_WRITEONLY = 8, USAGE_DYNAMIC = 0x200 };

enum Format : uint32_t {
    FMT_UNKNOWN = 0,
    FMT_R8G8B8 = 1,              // 24-bit colour, no alpha
    FMT_A8R8G8B8 = 2,            // 32-bit colour with alpha
    FMT_X8R8G8B8 = 3,            // 32-bit colour, alpha byte unused
    FMT_R5G6B5 = 4,
    FMT_P8 = 5,                  // palette (reported by image sources only)
    FMT_L8 = 6,                  // grey
    FMT_A8L8 = 7,                // grey with alpha
    FMT_DXT1 = 10,               // 8-byte 4×4 blocks, 1-bit alpha at most (treated as none)
    FMT_DXT3 = 11,               // 16-byte blocks, explicit 4-bit alpha
    FMT_DXT5 = 12,               // 16-byte blocks, interpolated alpha
    FMT_RGBA8 = 20,              // texture data: bytes R, G, B, A per pixel, rows top down
    FMT_D16 = 30,                // 16-bit depth buffer
    FMT_INDEX16 = 40,            // 16-bit indices
};
const char* GFX_FormatName(uint32_t format);    // "FMT_DXT1" …; "FMT_UNKNOWN" for unknown numbers
size_t GFX_TextureDataSize(uint32_t format, uint32_t w, uint32_t h);  // bytes CreateTexture needs; 0 if bad

// ---- Records ----
struct PresentParams {
    uint32_t backBufferWidth = 640;
    uint32_t backBufferHeight = 480;
    bool windowed = true;
    uint32_t backBufferFormat = FMT_X8R8G8B8;   // informational on GL
    bool depthBuffer = true;                    // 16-bit depth buffer (D16)
};

struct Viewport {
    uint32_t x = 0, y = 0, width = 0, height = 0;
    float minZ = 0.0f, maxZ = 1.0f;
};

struct DisplayMode {
    uint32_t width = 0, height = 0, refreshRate = 0;
    uint32_t format = FMT_UNKNOWN;
};

struct AdapterInfo {
    char description[512] = {};                 // GL_RENDERER on GL
    char driver[512] = {};                      // GL_VENDOR + " " + GL_VERSION on GL
};

// Plain records (no constructors) so that callers may clear them with memset or `= {}`.
struct ColourValue { float r, g, b, a; };
struct Float3 { float x, y, z; };

enum LightType : uint32_t { LIGHT_POINT = 1, LIGHT_SPOT = 2, LIGHT_DIRECTIONAL = 3 };
constexpr uint32_t MAX_LIGHTS = 8;

struct Light {
    uint32_t type;                              // LIGHT_*; only directional lights are lit on GL
    ColourValue diffuse, specular, ambient;
    Float3 position;
    Float3 direction;                           // the way the light travels
    float range, falloff;
    float attenuation0, attenuation1, attenuation2;
    float theta, phi;
};

// Texture capability bits (Caps::textureCaps).
enum : uint32_t { TEXCAPS_POW2 = 0x2, TEXCAPS_ALPHA = 0x4, TEXCAPS_SQUAREONLY = 0x20, TEXCAPS_NONPOW2CONDITIONAL = 0x100 };

// Device capabilities, one field per line of the engine's caps log, in that order. Fields
// without a meaning on a backend are 0.
struct Caps {
    uint32_t deviceType = 0, adapterOrdinal = 0;
    uint32_t caps = 0, caps2 = 0, caps3 = 0;
    uint32_t presentationIntervals = 0, cursorCaps = 0, devCaps = 0, primitiveMiscCaps = 0;
    uint32_t rasterCaps = 0, zCmpCaps = 0, srcBlendCaps = 0, destBlendCaps = 0, alphaCmpCaps = 0;
    uint32_t shadeCaps = 0, textureCaps = 0, textureFilterCaps = 0, cubeTextureFilterCaps = 0;
    uint32_t volumeTextureFilterCaps = 0, textureAddressCaps = 0, volumeTextureAddressCaps = 0;
    uint32_t lineCaps = 0;
    uint32_t maxTextureWidth = 0, maxTextureHeight = 0, maxVolumeExtent = 0;
    uint32_t maxTextureRepeat = 0, maxTextureAspectRatio = 0, maxAnisotropy = 0;
    float maxVertexW = 0, guardBandLeft = 0, guardBandTop = 0, guardBandRight = 0, guardBandBottom = 0;
    uint32_t stencilCaps = 0, fvfCaps = 0, textureOpCaps = 0;
    uint32_t maxTextureBlendStages = 0, maxSimultaneousTextures = 0, vertexProcessingCaps = 0;
    uint32_t maxActiveLights = 0, maxUserClipPlanes = 0, maxVertexBlendMatrices = 0;
    uint32_t maxVertexBlendMatrixIndex = 0;
    float maxPointSize = 0;
    uint32_t maxPrimitiveCount = 0, maxVertexIndex = 0, maxStreams = 0, maxStreamStride = 0;
    uint32_t vertexShaderVersion = 0, maxVertexShaderConst = 0, pixelShaderVersion = 0;
    float maxPixelShaderValue = 0;
    // Plain answers for the texture code (the same facts as bits in textureCaps).
    bool texturePow2Only = false;
    bool textureSquareOnly = false;
    bool dxtSupported = false;                  // DXT data is used as is (else decoded on load)
};

// ---- Resources ----
class Texture {
public:
    virtual uint32_t Width() const = 0;
    virtual uint32_t Height() const = 0;
    virtual uint32_t GetFormat() const = 0;     // the format it was created from
    virtual void Release() = 0;                 // destroys it; the pointer is invalid afterwards
protected:
    virtual ~Texture() = default;
};

class VertexBuffer {
public:
    // Lock offset..offset+size (size 0 = to the end); *data points at writable bytes until Unlock.
    virtual Result Lock(uint32_t offset, uint32_t size, void** data, uint32_t flags) = 0;
    virtual Result Unlock() = 0;
    virtual uint32_t Size() const = 0;          // bytes
    virtual void Release() = 0;
protected:
    virtual ~VertexBuffer() = default;
};

class IndexBuffer {
public:
    virtual Result Lock(uint32_t offset, uint32_t size, void** data, uint32_t flags) = 0;
    virtual Result Unlock() = 0;
    virtual uint32_t Size() const = 0;          // bytes (two per index)
    virtual void Release() = 0;
protected:
    virtual ~IndexBuffer() = default;
};

// ---- The device ----
class Device {
public:
    virtual ~Device() = default;

    virtual Result TestCooperativeLevel() = 0;  // GFX_OK / GFX_DEVICELOST / GFX_DEVICENOTRESET
    virtual Result Reset(const PresentParams& pp) = 0;
    virtual Result GetCaps(Caps* out) = 0;
    virtual Result GetAdapterInfo(AdapterInfo* out) = 0;
    virtual Result GetDesktopMode(DisplayMode* out) = 0;

    virtual Result SetViewport(const Viewport& vp) = 0;  // must lie inside the back buffer
    virtual Result GetViewport(Viewport* out) = 0;
    // Clear the viewport: flags CLEAR_*, colour ARGB, z 0..1.
    virtual Result Clear(uint32_t flags, uint32_t colour, float z, uint32_t stencil) = 0;
    virtual Result BeginScene() = 0;            // GFX_INVALIDCALL when already in a scene
    virtual Result EndScene() = 0;              // GFX_INVALIDCALL when not in a scene
    virtual Result Present() = 0;               // shows the whole back buffer

    virtual Result SetTransform(uint32_t which, const float m[16]) = 0;
    virtual Result GetTransform(uint32_t which, float out[16]) = 0;
    virtual Result SetRenderState(uint32_t state, uint32_t value) = 0;
    virtual Result GetRenderState(uint32_t state, uint32_t* value) = 0;
    virtual Result SetTextureStageState(uint32_t stage, uint32_t type, uint32_t value) = 0;
    virtual Result GetTextureStageState(uint32_t stage, uint32_t type, uint32_t* value) = 0;
    virtual Result SetTexture(uint32_t stage, Texture* tex) = 0;  // null: white on GL
    virtual Texture* GetTexture(uint32_t stage) = 0;
    virtual Result SetVertexFormat(uint32_t fvf) = 0;              // FVF_* bits
    virtual uint32_t GetVertexFormat() = 0;
    virtual Result SetLight(uint32_t index, const Light& light) = 0;
    virtual Result GetLight(uint32_t index, Light* out) = 0;
    virtual Result LightEnable(uint32_t index, bool on) = 0;
    virtual Result GetLightEnable(uint32_t index, bool* on) = 0;

    // Create a texture of w × h from data of the given format: FMT_RGBA8 (w·h·4 bytes) or
    // FMT_DXT1/3/5 (blocks, (w+3)/4 · (h+3)/4 · 8 or 16 bytes). size must be at least what the
    // format needs. One mip level; sampling filter and addressing come from the stage states.
    virtual Result CreateTexture(uint32_t w, uint32_t h, uint32_t format, const void* data,
                                 size_t size, Texture** out) = 0;
    virtual Result CreateVertexBuffer(uint32_t bytes, uint32_t usage, uint32_t fvf, VertexBuffer** out) = 0;
    virtual Result CreateIndexBuffer(uint32_t bytes, uint32_t usage, uint32_t format, IndexBuffer** out) = 0;  // FMT_INDEX16

    virtual Result SetStreamSource(uint32_t stream, VertexBuffer* vb, uint32_t stride) = 0;  // stream 0 only
    virtual Result SetIndices(IndexBuffer* ib, uint32_t baseVertex) = 0;
    // Draw primCount primitives from the stream source, vertices startVertex onward.
    virtual Result DrawPrimitive(uint32_t type, uint32_t startVertex, uint32_t primCount) = 0;
    // Draw from the index buffer: indices startIndex onward, each + baseVertex, referring to
    // vertices minIndex .. minIndex + numVertices − 1 of the stream source.
    virtual Result DrawIndexedPrimitive(uint32_t type, uint32_t minIndex, uint32_t numVertices,
                                        uint32_t startIndex, uint32_t primCount) = 0;
    // Draw from user memory: GFX_VertexCount(type, primCount) vertices of `stride` bytes in the
    // current vertex format. The data is copied before the call returns.
    virtual Result DrawPrimitiveUP(uint32_t type, uint32_t primCount, const void* data, uint32_t stride) = 0;

    // Read the back buffer as RGBA8 rows, top row first (for screenshots and tests).
    virtual Result ReadBackBuffer(std::vector<uint8_t>* rgba, uint32_t* w, uint32_t* h) = 0;
};

// ---- Factories ----
// The GL device on an SDL_Window made with SDL_WINDOW_OPENGL; null on failure, with the reason in
// GFX_LastError().
Device* GFX_CreateGlDevice(void* sdlWindow, int backBufferW, int backBufferH, bool windowed);
class RecordingDevice;
RecordingDevice* GFX_CreateRecordingDevice();
void GFX_DestroyDevice(Device* dev);            // null is fine
const char* GFX_LastError();                    // why the last factory call failed; "" if it did not

// ---- Screenshots ----
bool GFX_SaveScreenshot(Device* dev, const char* path);  // back buffer → PNG file
// Installs the os screenshot hook: "screenshot NAME" writes <dir>/NAME.png, dir being
// $ZANDOR_SHOT_DIR or the current directory; names outside [A-Za-z0-9_-] are refused (stderr).
// Null removes the hook.
void GFX_InstallScreenshotHook(Device* dev);
bool GFX_ScreenshotNameOk(const char* name);    // 1–64 characters of [A-Za-z0-9_-]
bool GFX_ScreenshotNamed(const char* name);     // what the hook does, with the hooked device

// ---- The recording backend ----
// What one call was. Every Device call appends one CallRecord (a, b, c are its first integer
// arguments, in order; r is what the call returned).
enum CallKind : uint32_t {
    CALL_TESTCOOPERATIVELEVEL, CALL_RESET, CALL_GETCAPS, CALL_GETADAPTERINFO, CALL_GETDESKTOPMODE,
    CALL_SETVIEWPORT, CALL_GETVIEWPORT, CALL_CLEAR, CALL_BEGINSCENE, CALL_ENDSCENE, CALL_PRESENT,
    CALL_SETTRANSFORM, CALL_GETTRANSFORM, CALL_SETRENDERSTATE, CALL_GETRENDERSTATE,
    CALL_SETTEXTURESTAGESTATE, CALL_GETTEXTURESTAGESTATE, CALL_SETTEXTURE, CALL_GETTEXTURE,
    CALL_SETVERTEXFORMAT, CALL_GETVERTEXFORMAT, CALL_SETLIGHT, CALL_GETLIGHT, CALL_LIGHTENABLE,
    CALL_GETLIGHTENABLE, CALL_CREATETEXTURE, CALL_CREATEVERTEXBUFFER, CALL_CREATEINDEXBUFFER,
    CALL_SETSTREAMSOURCE, CALL_SETINDICES, CALL_DRAWPRIMITIVE, CALL_DRAWINDEXEDPRIMITIVE,
    CALL_DRAWPRIMITIVEUP, CALL_READBACKBUFFER,
    CALL_TEXTURERELEASE, CALL_VBLOCK, CALL_VBUNLOCK, CALL_VBRELEASE, CALL_IBLOCK, CALL_IBUNLOCK,
    CALL_IBRELEASE,
    CALL_KIND_COUNT
};
const char* GFX_CallName(uint32_t kind);        // "SetRenderState" …

struct CallRecord {
    uint32_t kind = 0;
    uint32_t a = 0, b = 0, c = 0;
    Result r = GFX_OK;
};

// The state a draw ran with.
struct StateSnapshot {
    uint32_t rs[RS_LIMIT] = {};                  // render states by number
    uint32_t tss[MAX_STAGES][TSS_LIMIT] = {};    // stage states by stage and number
    Texture* textures[MAX_STAGES] = {};
    uint32_t fvf = 0;
    float world[16] = {}, view[16] = {}, projection[16] = {};
    Viewport viewport;
    Light lights[MAX_LIGHTS] = {};
    bool lightEnabled[MAX_LIGHTS] = {};
};

enum DrawKind : uint32_t { DRAW_STREAM = 1, DRAW_INDEXED = 2, DRAW_USERMEMORY = 3 };

struct DrawRecord {
    uint32_t kind = 0;                           // DRAW_*
    uint32_t primType = 0, primCount = 0;
    uint32_t stride = 0;
    uint32_t vertexBytes = 0;                    // bytes read from user memory (DRAW_USERMEMORY)
    std::vector<uint8_t> vertices;               // a copy of those bytes
    uint32_t startVertex = 0;                    // DRAW_STREAM
    uint32_t minIndex = 0, numVertices = 0, startIndex = 0, baseVertex = 0;  // DRAW_INDEXED
    VertexBuffer* streamSource = nullptr;
    IndexBuffer* indices = nullptr;
    bool inScene = false;                        // between BeginScene and EndScene
    StateSnapshot state;

    DrawRecord() = default;
    explicit DrawRecord(const StateSnapshot& s) : state(s) {}   // no zeroing before the copy
};

class RecordingDevice : public Device {
public:
    // ---- What happened ----
    virtual const std::vector<CallRecord>& Calls() const = 0;
    virtual int CallCount(uint32_t kind) const = 0;
    virtual const std::vector<DrawRecord>& Draws() const = 0;
    virtual void ClearLog() = 0;                // forgets calls and draws, keeps state and resources
    virtual const StateSnapshot& State() const = 0;   // the current state
    virtual PresentParams LastPresentParams() const = 0;
    virtual int PresentCount() const = 0;
    virtual uint32_t LastClearColour() const = 0;

    // ---- Resources (leak checks) ----
    virtual int LiveTextures() const = 0;
    virtual int LiveVertexBuffers() const = 0;
    virtual int LiveIndexBuffers() const = 0;
    virtual int CreatedTextures() const = 0;    // ever created
    virtual int CreatedVertexBuffers() const = 0;
    virtual int CreatedIndexBuffers() const = 0;
    // The bytes a texture was created with (RGBA8 or DXT blocks); null for a foreign pointer.
    virtual const std::vector<uint8_t>* TextureData(const Texture* t) const = 0;

    // ---- Scripting ----
    // Every TestCooperativeLevel takes the next queued result; with the queue empty it returns the
    // standing level. A successful Reset turns a standing GFX_DEVICENOTRESET into GFX_OK.
    virtual void SetCooperativeLevel(Result r) = 0;
    virtual void QueueCooperativeLevels(const std::vector<Result>& results) = 0;
    // The next `count` calls of `kind` fail with `r` (nothing else happens in them).
    virtual void FailNext(uint32_t kind, Result r, int count) = 0;
    // When on, Reset fails with GFX_INVALIDCALL while vertex or index buffers are alive (buffers
    // must be released before a reset). Off by default.
    virtual void SetStrictReset(bool on) = 0;
    virtual void SetDesktopMode(const DisplayMode& mode) = 0;   // default 1024 × 768, 60 Hz
    virtual void SetAdapterInfo(const char* description, const char* driver) = 0;
};

} // namespace gfx
