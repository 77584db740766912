// platform/gfx — pieces every backend shares: result, format and call names, vertex-format
// strides, vertex counts per primitive, texture data sizes, the default device state, the
// factory error text and the device destructor.
// Depends on: nothing but the standard library. Limits: names are fixed texts.
#include "platform/gfx/gfx_local.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace gfx {

static char s_lastError[512] = "";

const char* GFX_ResultName(Result r)
{
    switch (r) {
    case GFX_OK: return "GFX_OK";
    case GFX_DEVICELOST: return "GFX_DEVICELOST";
    case GFX_DEVICENOTRESET: return "GFX_DEVICENOTRESET";
    case GFX_INVALIDCALL: return "GFX_INVALIDCALL";
    case GFX_OUTOFMEMORY: return "GFX_OUTOFMEMORY";
    case GFX_OUTOFVIDEOMEMORY: return "GFX_OUTOFVIDEOMEMORY";
    case GFX_NOTAVAILABLE: return "GFX_NOTAVAILABLE";
    case GFX_DRIVERERROR: return "GFX_DRIVERERROR";
    case GFX_FAIL: return "GFX_FAIL";
    default: return "GFX_UNKNOWN";
    }
}

const char* GFX_FormatName(uint32_t format)
{
    switch (format) {
    case FMT_R8G8B8: return "FMT_R8G8B8";
    case FMT_A8R8G8B8: return "FMT_A8R8G8B8";
    case FMT_X8R8G8B8: return "FMT_X8R8G8B8";
    case FMT_R5G6B5: return "FMT_R5G6B5";
    case FMT_P8: return "FMT_P8";
    case FMT_L8: return "FMT_L8";
    case FMT_A8L8: return "FMT_A8L8";
    case FMT_DXT1: return "FMT_DXT1";
    case FMT_DXT3: return "FMT_DXT3";
    case FMT_DXT5: return "FMT_DXT5";
    case FMT_RGBA8: return "FMT_RGBA8";
    case FMT_D16: return "FMT_D16";
    case FMT_INDEX16: return "FMT_INDEX16";
    default: return "FMT_UNKNOWN";
    }
}

const char* GFX_CallName(uint32_t kind)
{
    static const char* const names[CALL_KIND_COUNT] = {
        "TestCooperativeLevel", "Reset", "GetCaps", "GetAdapterInfo", "GetDesktopMode",
        "SetViewport", "GetViewport", "Clear", "BeginScene", "EndScene", "Present",
        "SetTransform", "GetTransform", "SetRenderState", "GetRenderState",
        "SetTextureStageState", "GetTextureStageState", "SetTexture", "GetTexture",
        "SetVertexFormat", "GetVertexFormat", "SetLight", "GetLight", "LightEnable",
        "GetLightEnable", "CreateTexture", "CreateVertexBuffer", "CreateIndexBuffer",
        "SetStreamSource", "SetIndices", "DrawPrimitive", "DrawIndexedPrimitive",
        "DrawPrimitiveUP", "ReadBackBuffer",
        "Texture::Release", "VertexBuffer::Lock", "VertexBuffer::Unlock", "VertexBuffer::Release",
        "IndexBuffer::Lock", "IndexBuffer::Unlock", "IndexBuffer::Release",
    };
    return kind < CALL_KIND_COUNT ? names[kind] : "Unknown";
}

uint32_t GFX_FvfStride(uint32_t fvf)
{
    uint32_t bytes = 0;
    switch (fvf & FVF_POSITION_MASK) {
    case FVF_XYZ: bytes = 12; break;
    case FVF_XYZRHW: bytes = 16; break;
    default: return 0;                          // no position, or a blended position we do not draw
    }
    if (fvf & FVF_NORMAL) bytes += 12;
    if (fvf & FVF_DIFFUSE) bytes += 4;
    if (fvf & FVF_SPECULAR) bytes += 4;
    uint32_t texCount = (fvf & FVF_TEXCOUNT_MASK) >> 8;
    if (texCount > 8) return 0;
    bytes += texCount * 8;
    if (fvf & ~(FVF_POSITION_MASK | FVF_NORMAL | FVF_DIFFUSE | FVF_SPECULAR | FVF_TEXCOUNT_MASK))
        return 0;                               // bits we do not know
    return bytes;
}

uint32_t GFX_VertexCount(uint32_t primType, uint32_t primCount)
{
    if (primCount == 0 || primCount > 0x3FFFFFFFu) return 0;
    switch (primType) {
    case PT_POINTLIST: return primCount;
    case PT_LINELIST: return primCount * 2;
    case PT_LINESTRIP: return primCount + 1;
    case PT_TRIANGLELIST: return primCount * 3;
    case PT_TRIANGLESTRIP:
    case PT_TRIANGLEFAN: return primCount + 2;
    default: return 0;
    }
}

size_t GFX_TextureDataSize(uint32_t format, uint32_t w, uint32_t h)
{
    if (w == 0 || h == 0 || w > 16384 || h > 16384) return 0;
    size_t bw = (w + 3) / 4, bh = (h + 3) / 4;
    switch (format) {
    case FMT_RGBA8: return (size_t)w * h * 4;
    case FMT_DXT1: return bw * bh * 8;
    case FMT_DXT3:
    case FMT_DXT5: return bw * bh * 16;
    default: return 0;
    }
}

void GFX_Identity(float m[16])
{
    for (int i = 0; i < 16; ++i) m[i] = (i % 5 == 0) ? 1.0f : 0.0f;
}

void GFX_DefaultState(StateSnapshot* s, uint32_t backBufferW, uint32_t backBufferH)
{
    *s = StateSnapshot();
    uint32_t* rs = s->rs;
    rs[RS_ZENABLE] = 1;
    rs[RS_FILLMODE] = FILL_SOLID;
    rs[RS_SHADEMODE] = SHADE_GOURAUD;
    rs[RS_ZWRITEENABLE] = 1;
    rs[RS_ALPHATESTENABLE] = 0;
    rs[RS_SRCBLEND] = BLEND_ONE;
    rs[RS_DESTBLEND] = BLEND_ZERO;
    rs[RS_CULLMODE] = CULL_CCW;
    rs[RS_ZFUNC] = CMP_LESSEQUAL;
    rs[RS_ALPHAREF] = 0;
    rs[RS_ALPHAFUNC] = CMP_ALWAYS;
    rs[RS_ALPHABLENDENABLE] = 0;
    rs[RS_LIGHTING] = 1;
    rs[RS_AMBIENT] = 0;
    rs[RS_COLORVERTEX] = 1;
    rs[RS_DIFFUSEMATERIALSOURCE] = MCS_COLOR1;
    rs[RS_SPECULARMATERIALSOURCE] = MCS_COLOR2;
    rs[RS_AMBIENTMATERIALSOURCE] = MCS_MATERIAL;
    rs[RS_EMISSIVEMATERIALSOURCE] = MCS_MATERIAL;
    rs[RS_LOCALVIEWER] = 1;
    rs[RS_CLIPPING] = 1;
    rs[RS_TEXTUREFACTOR] = 0xFFFFFFFFu;
    for (uint32_t st = 0; st < MAX_STAGES; ++st) {
        uint32_t* t = s->tss[st];
        t[TSS_COLOROP] = st == 0 ? TOP_MODULATE : TOP_DISABLE;
        t[TSS_COLORARG1] = TA_TEXTURE;
        t[TSS_COLORARG2] = TA_CURRENT;
        t[TSS_ALPHAOP] = st == 0 ? TOP_SELECTARG1 : TOP_DISABLE;
        t[TSS_ALPHAARG1] = TA_TEXTURE;
        t[TSS_ALPHAARG2] = TA_CURRENT;
        t[TSS_ADDRESSU] = TADDRESS_WRAP;
        t[TSS_ADDRESSV] = TADDRESS_WRAP;
        t[TSS_MAGFILTER] = TEXF_POINT;
        t[TSS_MINFILTER] = TEXF_POINT;
        t[TSS_MIPFILTER] = TEXF_NONE;
        t[TSS_TEXCOORDINDEX] = st;
    }
    s->fvf = 0;
    GFX_Identity(s->world);
    GFX_Identity(s->view);
    GFX_Identity(s->projection);
    s->viewport = Viewport{0, 0, backBufferW, backBufferH, 0.0f, 1.0f};
}

void GFX_SetLastError(const char* fmt, ...)
{
    va_list ap;
    va_start(ap, fmt);
    vsnprintf(s_lastError, sizeof s_lastError, fmt, ap);
    va_end(ap);
}

const char* GFX_LastError() { return s_lastError; }

Device*& GFX_ScreenshotDevice()
{
    static Device* hooked = nullptr;
    return hooked;
}

void GFX_DestroyDevice(Device* dev)
{
    if (dev && GFX_ScreenshotDevice() == dev) GFX_ScreenshotDevice() = nullptr;
    delete dev;
}

float* GFX_StateMatrix(StateSnapshot& s, uint32_t which)
{
    switch (which) {
    case TS_WORLD: return s.world;
    case TS_VIEW: return s.view;
    case TS_PROJECTION: return s.projection;
    default: return nullptr;
    }
}

} // namespace gfx
