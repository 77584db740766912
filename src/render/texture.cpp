// render/texture — the texture table: fixed names, slot choice, loading from bytes, temporary
// slots and the point-filter list.
//
// A texture keeps the source image's own size and whether its format carries alpha; drawing
// code reads both from the table. Images are decoded by the graphics layer; on a device that
// only takes power-of-two (or square) sizes the picture is resampled up, with point or linear
// filtering as the point-filter list says, and compressed data the device cannot use is
// decoded first. Textures live in the device's managed memory and survive resets.
// Depends on: render/device, platform/gfx (image decoding), data/lmo, core/log, app/err.
// Limits: 609 slots; 100 point-filter names; names of at most 31 characters.
#include "render/texture.h"

#include <strings.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "app/err.h"
#include "core/log.h"
#include "data/lmo.h"
#include "platform/gfx/image.h"
#include "render/device.h"

using namespace gfx;

TEX_Slot TEX_Table[TEX_MaxSlots];

namespace {

char g_pointFilter[TEX_MaxPointFilter][32];
int g_pointFilterCount = 0;

const char* const kFixedNames[] = {
    "TEX_NULL",
    "TEX_FX_WHITE", "TEX_FX_GLARE", "TEX_FX_LENS", "TEX_FX_THRUST", "TEX_FX_RED", "TEX_FX_GREEN",
    "TEX_FX_BLUE", "TEX_FX_YELLOW", "TEX_FX_PURPLE", "TEX_FX_FIRE", "TEX_FX_SMOKE", "TEX_FX_NOISE",
    "TEX_ARROWON", "TEX_ARROWOFF", "TEX_BAR", "TEX_BUTTON", "TEX_CHECKBOX",
    "TEX_FONT_GAME", "TEX_FONT_GAMEEX", "TEX_FONT_ARIAL", "TEX_FONT_ARIALEX",
};
constexpr int kFirstPageSlot = 22;    // "TEX_T_PAGE00" … "TEX_T_PAGE34"
constexpr int kPageSlots = 35;
constexpr int kFirstTempSlot = 57;    // "TEX_T_00" … "TEX_T_40"
constexpr int kTempSlots = 41;
static_assert(sizeof kFixedNames / sizeof kFixedNames[0] == kFirstPageSlot, "fixed names");
static_assert(kFirstTempSlot + kTempSlots == 98, "fixed slots");

void CopyName(char (&dst)[32], const char* src)
{
    std::snprintf(dst, sizeof dst, "%s", src ? src : "");
}

void FillFixedNames()
{
    for (auto& s : TEX_Table) s.name[0] = 0;
    for (int i = 0; i < kFirstPageSlot; ++i) CopyName(TEX_Table[i].name, kFixedNames[i]);
    for (int i = 0; i < kPageSlots; ++i)
        std::snprintf(TEX_Table[kFirstPageSlot + i].name, 32, "TEX_T_PAGE%02d", i);
    for (int i = 0; i < kTempSlots; ++i)
        std::snprintf(TEX_Table[kFirstTempSlot + i].name, 32, "TEX_T_%02d", i);
}

// The fixed names exist from program start, before TEX_Init runs.
struct FixedNames {
    FixedNames() { FillFixedNames(); }
} g_fixedNames;

uint32_t NextPow2(uint32_t v)
{
    uint32_t p = 1;
    while (p < v && p < IMG_MAX_SIZE) p <<= 1;
    return p;
}

// Resamples RGBA8 rows to w × h: nearest pixel, or bilinear between the four nearest.
std::vector<uint8_t> Resample(const Image& img, uint32_t w, uint32_t h, bool point)
{
    std::vector<uint8_t> out((size_t)w * h * 4);
    const uint32_t sw = img.width, sh = img.height;
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x) {
            uint8_t* o = &out[((size_t)y * w + x) * 4];
            if (point) {
                uint32_t sx = (uint32_t)((uint64_t)x * sw / w), sy = (uint32_t)((uint64_t)y * sh / h);
                std::memcpy(o, &img.data[((size_t)sy * sw + sx) * 4], 4);
                continue;
            }
            float fx = ((float)x + 0.5f) * (float)sw / (float)w - 0.5f;
            float fy = ((float)y + 0.5f) * (float)sh / (float)h - 0.5f;
            if (fx < 0) fx = 0;
            if (fy < 0) fy = 0;
            uint32_t x0 = (uint32_t)fx, y0 = (uint32_t)fy;
            if (x0 >= sw) x0 = sw - 1;
            if (y0 >= sh) y0 = sh - 1;
            uint32_t x1 = x0 + 1 < sw ? x0 + 1 : x0, y1 = y0 + 1 < sh ? y0 + 1 : y0;
            float kx = fx - (float)x0, ky = fy - (float)y0;
            if (kx > 1) kx = 1;
            if (ky > 1) ky = 1;
            for (int c = 0; c < 4; ++c) {
                float a = img.data[((size_t)y0 * sw + x0) * 4 + c], b = img.data[((size_t)y0 * sw + x1) * 4 + c];
                float d = img.data[((size_t)y1 * sw + x0) * 4 + c], e = img.data[((size_t)y1 * sw + x1) * 4 + c];
                float top = a + (b - a) * kx, bottom = d + (e - d) * kx;
                o[c] = (uint8_t)(top + (bottom - top) * ky + 0.5f);
            }
        }
    return out;
}

// Brings a decoded image into a shape the device takes: compressed data decoded where the
// device has no DXT support, sizes resampled where it wants powers of two or squares.
bool FitToDevice(Image& img, bool point)
{
    Caps caps;
    if (GFX_Failed(DEV_Device->GetCaps(&caps))) return true;
    const bool compressed = img.dataFormat == FMT_DXT1 || img.dataFormat == FMT_DXT3 || img.dataFormat == FMT_DXT5;
    uint32_t w = img.width, h = img.height;
    if (caps.texturePow2Only) {
        w = NextPow2(w);
        h = NextPow2(h);
    }
    if (caps.textureSquareOnly) w = h = (w > h ? w : h);
    const bool resize = w != img.width || h != img.height;
    if (compressed && (!caps.dxtSupported || resize)) {
        std::vector<uint8_t> rgba((size_t)img.width * img.height * 4);
        if (!IMG_DecodeDXT(img.dataFormat, img.data.data(), img.data.size(), img.width, img.height, rgba.data()))
            return false;
        img.data.swap(rgba);
        img.dataFormat = FMT_RGBA8;
    }
    if (resize && img.dataFormat == FMT_RGBA8) {
        img.data = Resample(img, w, h, point);
        img.width = w;   // the table keeps the source size separately
        img.height = h;
    }
    return true;
}

bool ValidSlot(int slot) { return slot > 0 && slot < TEX_MaxSlots; }

} // namespace

void TEX_Init()
{
    for (auto& s : TEX_Table) s.texture = nullptr;
    for (int i = TEX_FirstDynamic; i < TEX_MaxSlots; ++i) TEX_Table[i].name[0] = 0;
}

int TEX_Find(const char* name)
{
    if (!name || !name[0]) return 0;   // an empty name would match the first free slot
    for (int i = 1; i < TEX_MaxSlots; ++i)
        if (std::strcmp(TEX_Table[i].name, name) == 0) return i;
    return 0;
}

int TEX_FreeSlot()
{
    for (int i = TEX_FirstDynamic; i < TEX_MaxSlots; ++i)
        if (!TEX_Table[i].name[0]) return i;
    ERR_Fatal("Reached Max Textures : DT0");
    return 0;
}

int TEX_LoadNamed(const char* name, const void* bytes, size_t size)
{
    // Look up the name as the table will hold it, so an over-long name is not loaded again
    // into a fresh slot every time.
    char key[32];
    CopyName(key, name);
    if (!key[0]) return 0;
    int slot = TEX_Find(key);
    if (slot == 0) {
        slot = TEX_FreeSlot();
        if (slot) CopyName(TEX_Table[slot].name, key);
    }
    return TEX_LoadSlot(slot, bytes, size);
}

int TEX_LoadSlot(int slot, const void* bytes, size_t size)
{
    if (slot <= 0) return 0;
    if (slot >= TEX_MaxSlots) {
        ERR_Fatal("Reached Max Textures : DT0");
        return 0;
    }
    TEX_Slot& s = TEX_Table[slot];
    if (s.texture) return slot;   // a second entry of the same name does not replace the first

    const bool point = TEX_IsPointFiltered(s.name);
    Image img;
    Result r = GFX_INVALIDCALL;
    Texture* tex = nullptr;
    if (!DEV_Device) {
        r = GFX_INVALIDCALL;
    } else if (!bytes || size == 0 || !IMG_Decode((const uint8_t*)bytes, size, &img)) {
        LOG_Write("%s : %s", s.name, IMG_LastError());
        r = GFX_INVALIDCALL;
    } else if (!FitToDevice(img, point)) {
        r = GFX_INVALIDCALL;
    } else {
        r = IMG_CreateTexture(DEV_Device, img, &tex);
    }
    if (GFX_Failed(r) || !tex) {
        ERR_Fatal("CreateFromFileInMemory : %d : %s", slot, GFX_ResultName(GFX_Failed(r) ? r : GFX_FAIL));
        return 0;
    }
    s.texture = tex;
    s.hasAlpha = IMG_HasAlpha(img.sourceFormat);
    // The size of the source picture, not of the texture made from it.
    s.width = (float)img.width;
    s.height = (float)img.height;
    return slot;
}

void TEX_Release(int slot)
{
    if (!ValidSlot(slot)) return;
    TEX_Slot& s = TEX_Table[slot];
    if (s.texture) s.texture->Release();
    s.texture = nullptr;
    s.name[0] = 0;
}

bool TEX_FillTemporary(int slot, const char* name, const void* bytes, size_t size)
{
    if (!ValidSlot(slot) || !name || !name[0]) return false;
    TEX_Slot& s = TEX_Table[slot];
    if (s.texture && strcasecmp(s.name, name) == 0) return true;
    if (!bytes || size == 0) return false;
    LOG_Write("Loading Temporary Texture : %s", name);
    TEX_Release(slot);
    CopyName(s.name, name);
    TEX_LoadSlot(slot, bytes, size);
    return true;
}

bool TEX_LoadTemporary(int slot, const char* name)
{
    if (!ValidSlot(slot) || !name || !name[0]) return false;
    const TEX_Slot& s = TEX_Table[slot];
    if (s.texture && strcasecmp(s.name, name) == 0) return true;
    if (!LMO_Exists(name)) return false;
    uint8_t* bytes = LMO_Load(name, 0);
    if (!bytes || LMO_Size <= 0) {
        LMO_Release();
        return false;
    }
    bool ok = TEX_FillTemporary(slot, name, bytes, (size_t)LMO_Size);
    LMO_Release();
    return ok;
}

bool TEX_IsPointFiltered(const char* name)
{
    if (!name) return false;
    for (int i = 0; i < g_pointFilterCount; ++i)
        if (strcasecmp(g_pointFilter[i], name) == 0) return true;
    return false;
}

void TEX_AddPointFilter(const char* name)
{
    if (!name || g_pointFilterCount >= TEX_MaxPointFilter || TEX_IsPointFiltered(name)) return;
    CopyName(g_pointFilter[g_pointFilterCount++], name);
}

void TEX_FromLmo(const char* cid, uint8_t* data, int size)
{
    TEX_LoadNamed(cid, data, size > 0 ? (size_t)size : 0);
}

int TEX_HookCreate(const char* cid, const uint8_t* data, int size)
{
    return TEX_LoadNamed(cid, data, size > 0 ? (size_t)size : 0);
}

bool TEX_HookTemporary(int slot, const char* cid, const uint8_t* data, int size)
{
    return TEX_FillTemporary(slot, cid, data, size > 0 ? (size_t)size : 0);
}

void TEX_RegisterLoader() { LMO_SetLoader("TEX", TEX_FromLmo); }

void TEX_ResetForTests()
{
    for (auto& s : TEX_Table) {
        if (s.texture && DEV_Device) s.texture->Release();
        s = TEX_Slot{};
    }
    FillFixedNames();
    g_pointFilterCount = 0;
}
