// modelsheet — draws every model of the game through the engine's own texture, material and mesh
// code on the GL device, one model per cell of a grid, and writes the grid with the models'
// names as one PNG: the sheet we judge the models by.
//
// Usage: modelsheet CONTENTDIR SOURCECONTENTDIR OUT.png. Textures (TEX_*), meshes (BFM_*) and
// materials (MTL_*) are read from the two folders (the generated entries and the hand-written
// ones), loaded in the archive's order (textures, materials, the settings pass, meshes) and drawn
// lit by one white light along the camera's direction, as the game lights its scene. The camera
// looks down at each model from the play camera's height. A last cell shows a small board
// assembled from its tiles, edges and corners with a few blocks on it, turned the way the game
// turns them; a few cells before it show blocks with their inner models. Exits non-zero when a model fails to load, has no material, or leaves its cell
// empty.
// Depends on: the engine (render/*, platform/os, platform/gfx, core/*), FreeType and libpng for
// the labels and the file. Needs a display (Xvfb is fine).
// Limits: the grid and cell size are fixed; names longer than the cell are cut.
#include <ft2build.h>
#include FT_FREETYPE_H
#include <png.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "app/clock.h"
#include "core/math.h"
#include "core/mem.h"
#include "core/settings.h"
#include "data/mesh_format.h"
#include "platform/gfx/gfx.h"
#include "platform/os/os.h"
#include "render/device.h"
#include "render/draw.h"
#include "render/material.h"
#include "render/mesh.h"
#include "render/texture.h"

namespace {

constexpr int kCell = 200;        // pixels per cell
constexpr int kLabel = 22;        // label strip under each model
constexpr int kCols = 8;
constexpr uint32_t kBack = 0xFF2A2D33u;

std::vector<std::string> g_names;          // what every loaded entry was called
std::vector<std::vector<uint8_t>> g_keep;  // entry bytes the engine keeps using

bool ReadFile(const std::string& path, std::vector<uint8_t>* out)
{
    FILE* f = fopen(path.c_str(), "rb");
    if (!f) return false;
    out->clear();
    uint8_t buf[65536];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, f)) > 0) out->insert(out->end(), buf, buf + n);
    fclose(f);
    return true;
}

std::vector<std::string> Entries(const std::string& dir, const char* prefix)
{
    std::vector<std::string> out;
    for (const std::string& n : os::OS_ListDir(dir, nullptr))
        if (n.rfind(prefix, 0) == 0 && n.find('.') == std::string::npos) out.push_back(n);
    std::sort(out.begin(), out.end());
    return out;
}

gfx::Device* SheetFactory(int, int, bool) { return gfx::GFX_CreateGlDevice(os::OS_NativeWindow(), CFG_Width, CFG_Height, true); }

intptr_t Proc(uint32_t msg, uintptr_t w, intptr_t l) { return os::OS_DefWindowProc(msg, w, l); }

struct Camera {
    Mat4 view, proj;
};

// Looks at a box (centre, half size) from the play camera's elevation and a three-quarter angle.
void Aim(const float centre[3], const float half[3], float turn, float pitch, float fill)
{
    float r = std::sqrt(half[0] * half[0] + half[1] * half[1] + half[2] * half[2]);
    r = std::max(r, 0.2f);
    float dist = r / std::sin(0.7853982f * 0.5f) * fill;
    Vec3 at{centre[0], centre[1], centre[2]};
    Vec3 dir{-std::sin(turn) * std::cos(pitch), -std::cos(turn) * std::cos(pitch), -std::sin(pitch)};
    CAM_Dir = dir;
    CAM_Eye = Vec3{at.x - dir.x * dist, at.y - dir.y * dist, at.z - dir.z * dist};
    CAM_Up = Vec3{0, 0, 1};
    ORTHO(CAM_Dir, CAM_Up);
    Mat4 proj = MTH_PerspectiveFovLH(0.7853982f, 1.0f, 0.1f, 500.0f);
    Vec3 target{CAM_Eye.x + CAM_Dir.x, CAM_Eye.y + CAM_Dir.y, CAM_Eye.z + CAM_Dir.z};
    Mat4 view = MTH_LookAtLH(CAM_Eye, target, CAM_Up);
    DEV_SetTransform(gfx::TS_PROJECTION, proj);
    DEV_SetTransform(gfx::TS_VIEW, view);
    DEV_SetTransform(gfx::TS_WORLD, MTH_MakeIdentity());
}

void BeginCell(int index)
{
    gfx::Viewport vp;
    vp.x = (uint32_t)((index % kCols) * kCell);
    vp.y = (uint32_t)((index / kCols) * (kCell + kLabel));
    vp.width = kCell;
    vp.height = kCell;
    DEV_Device->SetViewport(vp);
    MTH_SetViewport((int)vp.x, (int)vp.y, kCell, kCell, 0.0f, 1.0f);
    DEV_Device->Clear(gfx::CLEAR_TARGET | gfx::CLEAR_ZBUFFER, kBack, 1.0f, 0);
}

void LightScene()
{
    DRW_FrameDefaults();
    LIGHT_Enable(true);
    LIGHT_SetDirectional(CAM_Dir, 1, 1, 1, 0, 0, 0, 0);
    DRW_SetRenderState(gfx::RS_LIGHTING, 1);
}

// World matrix of a piece at p turned towards heading (the game's basis: right, forward, up).
Mat4 Placed(Vec3 p, Vec3 heading)
{
    Vec3 up{0, 0, 1};
    Mat4 m = MTH_Basis(heading, up);
    m.m[3][0] = p.x;
    m.m[3][1] = p.y;
    m.m[3][2] = p.z;
    return m;
}

// A 3 × 3 board with one corner column missing, built the way the game builds boards, with a few
// blocks standing on it.
void DrawBoard()
{
    const int w = 3, h = 3;
    auto in = [&](int x, int y) { return x >= 0 && y >= 0 && x < w && y < h && !(x == 2 && y == 2); };
    int even = MESH_Find("BFM_BOARD01_EVEN01"), odd = MESH_Find("BFM_BOARD01_ODD01");
    int edge = MESH_Find("BFM_BOARD01_EDGE01"), corner = MESH_Find("BFM_BOARD01_CORNER01");
    static const Vec3 kHead[4] = {{1, 0, 0}, {0, 1, 0}, {-1, 0, 0}, {0, -1, 0}};
    static const int kSide[4][2] = {{1, 0}, {0, 1}, {-1, 0}, {0, -1}};
    std::vector<Mat4> mats;   // MESH_Draw copies the matrix; keep them simple locals anyway
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++) {
            if (!in(x, y)) continue;
            Vec3 p{(float)x, (float)y, 0};
            Mat4 m = Placed(p, kHead[(x * 7 + y * 3) % 4]);
            MESH_Draw(((x + y) % 2) ? odd : even, &m);
            for (int s = 0; s < 4; s++) {
                if (!in(x + kSide[s][0], y + kSide[s][1])) {
                    Mat4 e = Placed(p, kHead[s]);
                    MESH_Draw(edge, &e);
                }
                // The corner between side s and side s + 1.
                int t = (s + 1) % 4;
                bool a = in(x + kSide[s][0], y + kSide[s][1]), b = in(x + kSide[t][0], y + kSide[t][1]);
                bool d = in(x + kSide[s][0] + kSide[t][0], y + kSide[s][1] + kSide[t][1]);
                if ((a && b && !d) || (!a && !b && !d)) {
                    Vec3 dir{(float)(kSide[s][0] + kSide[t][0]), (float)(kSide[s][1] + kSide[t][1]), 0};
                    MTH_Normalise(dir);
                    Mat4 c = Placed(p, dir);
                    MESH_Draw(corner, &c);
                }
            }
        }
    const char* blocks[] = {"BFM_COLOR01", "BFM_COLOR03", "BFM_COLOR05", "BFM_METAL", "BFM_COLOR02C"};
    const Vec3 at[] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {2, 1, 0}};
    for (int i = 0; i < 5; i++) {
        Mat4 m = Placed(at[i], Vec3{0, 1, 0});
        MESH_Draw(MESH_Find(blocks[i]), &m);
    }
}

// Blocks drawn with their inner model, as the game shows them: a slider with its insert, the gem
// and the crystal in their box (the crystal raised half a unit and shrunk as it pulses).
struct Composite {
    const char* label;
    const char* outer;
    const char* inner;
    float raise, scale;
};
const Composite kComposites[] = {
    {"red slider", "BFM_SLIDEFRAME", "BFM_S_COLOR01", 0.0f, 1.0f},
    {"metal slider", "BFM_SLIDEFRAME", "BFM_S_METAL01", 0.0f, 1.0f},
    {"gem", "BFM_GEMBOX01", "BFM_GEM01", 0.0f, 1.0f},
    {"crystal", "BFM_GEMBOX01", "BFM_GEM02", 0.5f, 0.8f},
};
constexpr int kCompositeCount = (int)(sizeof kComposites / sizeof kComposites[0]);

void DrawComposite(const Composite& c)
{
    Mat4 inner = MTH_MakeIdentity();
    inner.m[0][0] = inner.m[1][1] = inner.m[2][2] = c.scale;
    inner.m[3][2] = c.raise;
    MESH_Draw(MESH_Find(c.inner), &inner);
    MESH_Draw(MESH_Find(c.outer), nullptr);
}

// ---- Labels ----
FT_Library g_ft;
FT_Face g_face;
bool OpenFont()
{
    if (FT_Init_FreeType(&g_ft)) return false;
    static const char* kPaths[] = {"/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf",
                                   "/usr/share/fonts/dejavu/DejaVuSans.ttf"};
    for (const char* p : kPaths)
        if (FT_New_Face(g_ft, p, 0, &g_face) == 0) {
            FT_Set_Pixel_Sizes(g_face, 0, 12);
            return true;
        }
    return false;
}
void DrawText(std::vector<uint8_t>& rgba, int W, int H, int x, int y, const char* text, int maxW)
{
    if (!g_face) return;
    int pen = x;
    for (const char* c = text; *c; c++) {
        if (FT_Load_Char(g_face, (unsigned char)*c, FT_LOAD_RENDER)) continue;
        FT_GlyphSlot g = g_face->glyph;
        if (pen + (int)(g->advance.x >> 6) > x + maxW) break;
        for (int r = 0; r < (int)g->bitmap.rows; r++)
            for (int q = 0; q < (int)g->bitmap.width; q++) {
                int px = pen + g->bitmap_left + q, py = y - g->bitmap_top + r;
                if (px < 0 || py < 0 || px >= W || py >= H) continue;
                float a = g->bitmap.buffer[r * g->bitmap.pitch + q] / 255.0f;
                uint8_t* d = &rgba[((size_t)py * W + px) * 4];
                for (int k = 0; k < 3; k++) d[k] = (uint8_t)(d[k] * (1 - a) + 225 * a);
            }
        pen += (int)(g->advance.x >> 6);
    }
}

bool WritePng(const char* path, const std::vector<uint8_t>& rgba, int W, int H)
{
    FILE* f = fopen(path, "wb");
    if (!f) return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        fclose(f);
        return false;
    }
    png_init_io(png, f);
    png_set_IHDR(png, info, W, H, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    std::vector<uint8_t> row((size_t)W * 3);
    for (int y = 0; y < H; y++) {
        for (int x = 0; x < W; x++)
            for (int k = 0; k < 3; k++) row[(size_t)x * 3 + k] = rgba[((size_t)y * W + x) * 4 + k];
        png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return fclose(f) == 0;
}

// Pixels of a cell that differ clearly from the background.
int DrawnPixels(const std::vector<uint8_t>& rgba, int W, int index)
{
    int x0 = (index % kCols) * kCell, y0 = (index / kCols) * (kCell + kLabel), n = 0;
    const int br = (kBack >> 16) & 255, bg = (kBack >> 8) & 255, bb = kBack & 255;
    for (int y = y0; y < y0 + kCell; y++)
        for (int x = x0; x < x0 + kCell; x++) {
            const uint8_t* p = &rgba[((size_t)y * W + x) * 4];
            if (std::abs(p[0] - br) + std::abs(p[1] - bg) + std::abs(p[2] - bb) > 24) n++;
        }
    return n;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 4) {
        fprintf(stderr, "usage: modelsheet CONTENTDIR SOURCECONTENTDIR OUT.png\n");
        return 2;
    }
    std::string gen = argv[1], src = argv[2];
    std::vector<std::string> meshes = Entries(gen, "BFM_");
    if (meshes.empty()) {
        fprintf(stderr, "modelsheet: no BFM_ entries in %s\n", gen.c_str());
        return 1;
    }
    int cells = (int)meshes.size() + kCompositeCount + 1;
    int rows = (cells + kCols - 1) / kCols;
    CFG_Width = kCols * kCell;
    CFG_Height = rows * (kCell + kLabel);

    os::OS_UseBackend(os::BACKEND_SDL);
    if (!os::OS_CreateWindow("Zandor models", Proc)) {
        fprintf(stderr, "modelsheet: no window: %s\n", os::OS_LastError().c_str());
        return 1;
    }
    os::OS_SetClientSize(CFG_Width, CFG_Height);
    DEV_SetFactory(SheetFactory);
    DEV_Init();
    if (!DEV_Device) {
        fprintf(stderr, "modelsheet: no GL device: %s\n", gfx::GFX_LastError());
        return 1;
    }
    MEM_F_Init();
    MEM_F_Reset();
    MTH_InitIdentity();
    TEX_Init();
    MTL_Reset();
    MESH_Reset();

    // The archive's order: textures, materials, the settings pass, meshes.
    bool ok = true;
    for (const std::string& dir : {gen, src})
        for (const std::string& n : Entries(dir, "TEX_")) {
            std::vector<uint8_t> b;
            if (!ReadFile(dir + "/" + n, &b) || !TEX_LoadNamed(n.c_str(), b.data(), b.size())) {
                fprintf(stderr, "modelsheet: texture %s did not load\n", n.c_str());
                ok = false;
            }
        }
    for (const std::string& dir : {gen, src})
        for (const std::string& n : Entries(dir, "MTL_")) {
            std::vector<uint8_t> b;
            if (!ReadFile(dir + "/" + n, &b)) continue;
            b.push_back(0);
            g_keep.push_back(std::move(b));
            if (!MTL_Load_MEM(n.c_str(), (const char*)g_keep.back().data())) {
                fprintf(stderr, "modelsheet: material %s made nothing\n", n.c_str());
                ok = false;
            }
        }
    MTL_ReadAll();
    std::vector<int> ids;
    for (const std::string& n : meshes) {
        std::vector<uint8_t> b;
        ReadFile(gen + "/" + n, &b);
        g_keep.push_back(std::move(b));
        std::vector<uint8_t>& kept = g_keep.back();
        int id = MESH_Load(n.c_str(), kept.data(), (int)kept.size());
        if (!id) {
            fprintf(stderr, "modelsheet: mesh %s refused\n", n.c_str());
            ok = false;
        } else {
            const MeshHeader* h = MESH_Header(id);
            for (int t = 0; t < MESHF_MaxTextures; t++)
                if (h->textures[t][0] && h->materialIds[t] == 0) {
                    fprintf(stderr, "modelsheet: %s: no material for %s\n", n.c_str(), h->textures[t]);
                    ok = false;
                }
        }
        ids.push_back(id);
    }

    DEV_Device->BeginScene();
    gfx::Viewport all;
    all.width = (uint32_t)CFG_Width;
    all.height = (uint32_t)CFG_Height;
    DEV_Device->SetViewport(all);
    DEV_Device->Clear(gfx::CLEAR_TARGET | gfx::CLEAR_ZBUFFER, 0xFF16181Cu, 1.0f, 0);
    for (size_t i = 0; i < meshes.size(); i++) {
        BeginCell((int)i);
        if (!ids[i]) continue;
        const MeshHeader* h = MESH_Header(ids[i]);
        bool flat = h->halfSize[2] < 0.1f;     // platform pieces: look down more steeply
        Aim(h->centre, h->halfSize, 0.6f, flat ? 0.9f : 0.6f, 1.05f);
        LightScene();
        MESH_Draw(ids[i], nullptr);
        MTL_Flush();
        MEM_F_Reset();
    }
    for (int k = 0; k < kCompositeCount; k++) {
        BeginCell((int)meshes.size() + k);
        const float c[3] = {0, 0, 0.5f}, hs[3] = {0.5f, 0.5f, 0.5f};
        Aim(c, hs, 0.6f, 0.6f, 1.05f);
        LightScene();
        DrawComposite(kComposites[k]);
        MTL_Flush();
        MEM_F_Reset();
    }
    {
        BeginCell((int)meshes.size() + kCompositeCount);
        const float c[3] = {1.0f, 1.0f, 0.3f}, hs[3] = {1.8f, 1.8f, 0.6f};
        Aim(c, hs, 0.6f, 0.62f, 0.95f);
        LightScene();
        DrawBoard();
        MTL_Flush();
        MEM_F_Reset();
    }
    DEV_Device->EndScene();

    std::vector<uint8_t> rgba;
    uint32_t W = 0, H = 0;
    if (gfx::GFX_Failed(DEV_Device->ReadBackBuffer(&rgba, &W, &H)) || W != (uint32_t)CFG_Width) {
        fprintf(stderr, "modelsheet: could not read the back buffer\n");
        return 1;
    }
    for (size_t i = 0; i < meshes.size(); i++) {
        int px = DrawnPixels(rgba, (int)W, (int)i);
        if (ids[i] && meshes[i] != "BFM_NULL" && px < 200) {
            fprintf(stderr, "modelsheet: %s left its cell empty (%d pixels)\n", meshes[i].c_str(), px);
            ok = false;
        }
    }
    OpenFont();
    for (int i = 0; i < cells; i++) {
        int x = (i % kCols) * kCell + 6, y = (i / kCols) * (kCell + kLabel) + kCell + 15;
        int n = (int)meshes.size();
        const char* label = i < n ? meshes[i].c_str() : (i < n + kCompositeCount ? kComposites[i - n].label : "board assembled");
        DrawText(rgba, (int)W, (int)H, x, y, label, kCell - 10);
    }
    if (!WritePng(argv[3], rgba, (int)W, (int)H)) {
        fprintf(stderr, "modelsheet: cannot write %s\n", argv[3]);
        return 1;
    }
    printf("modelsheet: %zu models drawn into %s\n", meshes.size(), argv[3]);
    return ok ? 0 : 1;
}
