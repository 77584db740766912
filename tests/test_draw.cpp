// Drawing state and the 2D helpers on the recording device: the cache and its sentinel, blend
// modes in their state order, the material word table, addressing and filtering, lights, the
// screen quad's placement, colour, clipping and hit test, and the world quad's scaling.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "app/clock.h"
#include "core/input.h"
#include "core/settings.h"
#include "platform/gfx/gfx.h"
#include "render/device.h"
#include "render/draw.h"
#include "render/fx.h"
#include "render/texture.h"

namespace {

using namespace gfx;

Device* MakeRecording(int, int, bool) { return GFX_CreateRecordingDevice(); }

class DrawTest : public testing::Test {
protected:
    void SetUp() override
    {
        DEV_ResetForTests();
        DEV_SetFactory(MakeRecording);
        DEV_Init();
        TEX_ResetForTests();
        CFG_Width = 800;
        CFG_Height = 600;
        DRW_InvalidateCache();
        DRW_SetBlend(99);        // a mode with no states: the next real mode sets all four
        DRW_SetAddress(DRW_Unknown);
        DRW_SetCull(false);
        Rec()->ClearLog();
    }
    void TearDown() override
    {
        TEX_ResetForTests();
        DEV_ResetForTests();
    }
    RecordingDevice* Rec() { return static_cast<RecordingDevice*>(DEV_Device); }
    // (state, value) of every SetRenderState since the last ClearLog.
    std::vector<std::pair<uint32_t, uint32_t>> RenderStates()
    {
        std::vector<std::pair<uint32_t, uint32_t>> out;
        for (const CallRecord& c : Rec()->Calls())
            if (c.kind == CALL_SETRENDERSTATE) out.push_back({c.a, c.b});
        return out;
    }
    Texture* MakeTexture()
    {
        const uint8_t px[4] = {255, 255, 255, 255};
        Texture* t = nullptr;
        DEV_Device->CreateTexture(1, 1, FMT_RGBA8, px, sizeof px, &t);
        return t;
    }
};

TEST_F(DrawTest, CacheSkipsRepeatsButNeverTheSentinel)
{
    DRW_SetRenderState(RS_ZFUNC, CMP_LESS);
    DRW_SetRenderState(RS_ZFUNC, CMP_LESS);
    DRW_SetStageState(0, TSS_COLOROP, TOP_MODULATE);
    DRW_SetStageState(0, TSS_COLOROP, TOP_MODULATE);
    DRW_SetStageState(1, TSS_COLOROP, TOP_MODULATE);   // another stage is another entry
    DRW_SetFVF(DRW_FVF_PRCT);
    DRW_SetFVF(DRW_FVF_PRCT);
    EXPECT_EQ(Rec()->CallCount(CALL_SETRENDERSTATE), 1);
    EXPECT_EQ(Rec()->CallCount(CALL_SETTEXTURESTAGESTATE), 2);
    EXPECT_EQ(Rec()->CallCount(CALL_SETVERTEXFORMAT), 1);

    DRW_SetRenderState(RS_AMBIENT, DRW_Unknown);
    DRW_SetRenderState(RS_AMBIENT, DRW_Unknown);
    EXPECT_EQ(Rec()->CallCount(CALL_SETRENDERSTATE), 3);

    // After invalidation every state reaches the device again.
    DRW_InvalidateCache();
    DRW_SetRenderState(RS_ZFUNC, CMP_LESS);
    DRW_SetFVF(DRW_FVF_PRCT);
    EXPECT_EQ(Rec()->CallCount(CALL_SETRENDERSTATE), 4);
    EXPECT_EQ(Rec()->CallCount(CALL_SETVERTEXFORMAT), 2);

    // A repeated frame's defaults cost nothing.
    DRW_FrameDefaults();
    Rec()->ClearLog();
    DRW_FrameDefaults();
    EXPECT_EQ(Rec()->Calls().size(), 0u);
    EXPECT_EQ(Rec()->State().tss[0][TSS_COLOROP], TOP_MODULATE2X);
    EXPECT_EQ(Rec()->State().rs[RS_ALPHAREF], 5u);
    EXPECT_EQ(Rec()->State().rs[RS_ALPHAFUNC], CMP_GREATER);
    EXPECT_TRUE(DRW_IsLinear());
}

TEST_F(DrawTest, BlendModesSetTheirStatesInOrder)
{
    using P = std::pair<uint32_t, uint32_t>;
    DRW_SetBlend(-1);
    EXPECT_EQ(RenderStates(), (std::vector<P>{{RS_DESTBLEND, BLEND_INVSRCALPHA}, {RS_SRCBLEND, BLEND_SRCALPHA},
                                              {RS_ZWRITEENABLE, 0}, {RS_ALPHATESTENABLE, 1}}));
    DRW_InvalidateCache();
    Rec()->ClearLog();
    DRW_SetBlend(5);
    EXPECT_EQ(RenderStates(), (std::vector<P>{{RS_SRCBLEND, BLEND_ZERO}, {RS_DESTBLEND, BLEND_ONE},
                                              {RS_ZWRITEENABLE, 0}, {RS_ALPHATESTENABLE, 0}}));
    // The same mode again does nothing; an unknown mode is cached but changes nothing.
    Rec()->ClearLog();
    DRW_SetBlend(5);
    DRW_SetBlend(42);
    EXPECT_EQ(Rec()->Calls().size(), 0u);
    EXPECT_EQ(DRW_GetBlend(), 42);

    const struct { int mode; uint32_t src, dest, zw, at; } table[] = {
        {0, BLEND_ONE, BLEND_ZERO, 1, 0},       {1, BLEND_INVSRCALPHA, BLEND_SRCALPHA, 0, 0},
        {2, BLEND_ONE, BLEND_ONE, 0, 0},        {3, BLEND_ZERO, BLEND_INVSRCCOLOR, 0, 0},
        {4, BLEND_ZERO, BLEND_ONE, 1, 1},       {6, BLEND_DESTCOLOR, BLEND_SRCCOLOR, 0, 0},
        {7, BLEND_ONE, BLEND_ZERO, 0, 0},       {8, BLEND_SRCALPHA, BLEND_INVSRCALPHA, 1, 1},
    };
    for (const auto& t : table) {
        DRW_SetBlend(t.mode);
        const StateSnapshot& s = Rec()->State();
        EXPECT_EQ(s.rs[RS_SRCBLEND], t.src) << t.mode;
        EXPECT_EQ(s.rs[RS_DESTBLEND], t.dest) << t.mode;
        EXPECT_EQ(s.rs[RS_ZWRITEENABLE], t.zw) << t.mode;
        EXPECT_EQ(s.rs[RS_ALPHATESTENABLE], t.at) << t.mode;
    }
}

TEST_F(DrawTest, BlendFromWordReadsCharactersSevenAndEight)
{
    const struct { const char* word; int mode; } words[] = {
        {"BLEND_BASE", 7}, {"BLEND_FADE", 1}, {"BLEND_MASK", 4}, {"BLEND_ADD", 2},
        {"BLEND_ALPHA", -1}, {"BLEND_INV", 6}, {"BLEND_SUB", 3}, {"BLEND_OPAQUE", 0},
        {"BLEND_", 0}, {"BLEND_B", 0}, {"", 0}, {"blend_al", 0},
    };
    for (const auto& w : words) EXPECT_EQ(DRW_BlendFromWord(w.word), w.mode) << w.word;
    EXPECT_EQ(DRW_BlendFromWord(nullptr), 0);
}

TEST_F(DrawTest, TextureZeroBindsWhiteAndRepeatsAreSkipped)
{
    Texture* white = MakeTexture();
    Texture* other = MakeTexture();
    TEX_Table[1].texture = white;
    TEX_Table[400].texture = other;
    DRW_SetTexture(0, 0);
    EXPECT_EQ(Rec()->State().textures[0], white);
    EXPECT_EQ(DRW_GetTexture(0), 1);
    DRW_SetTexture(1, 0);
    EXPECT_EQ(Rec()->CallCount(CALL_SETTEXTURE), 1);
    DRW_SetTexture(400, 0);
    EXPECT_EQ(Rec()->State().textures[0], other);
    DRW_SetTexture(5000, 0);   // outside the table: white, never a read past its end
    EXPECT_EQ(Rec()->State().textures[0], white);
}

TEST_F(DrawTest, AddressFilterAndCull)
{
    DRW_SetAddress(1);
    EXPECT_EQ(Rec()->State().tss[0][TSS_ADDRESSU], TADDRESS_CLAMP);
    EXPECT_EQ(Rec()->State().tss[0][TSS_ADDRESSV], TADDRESS_WRAP);
    EXPECT_EQ(DRW_GetAddress(), 1u);
    DRW_SetAddress(2);
    EXPECT_EQ(DRW_GetAddress(), 2u);
    DRW_SetFilter(false);
    EXPECT_FALSE(DRW_IsLinear());
    EXPECT_EQ(Rec()->State().tss[0][TSS_MAGFILTER], TEXF_POINT);
    DRW_SetCull(true);
    EXPECT_TRUE(DRW_IsCulling());
    EXPECT_EQ(Rec()->State().rs[RS_CULLMODE], CULL_CCW);
    DRW_SetCull(false);
    EXPECT_EQ(Rec()->State().rs[RS_CULLMODE], CULL_NONE);
}

TEST_F(DrawTest, LightsFollowTheCameraAndSwitchOff)
{
    const Vec3 savedEye = CAM_Eye;
    CAM_Eye = {1, 2, 3};
    LIGHT_Enable(true);
    LIGHT_SetDirectional({0, 1, 0}, 1, 0.5f, 0.25f, 0, 0, 0, 0);
    const StateSnapshot& s = Rec()->State();
    EXPECT_TRUE(s.lightEnabled[0]);
    EXPECT_EQ(s.lights[0].type, (uint32_t)LIGHT_DIRECTIONAL);
    EXPECT_EQ(s.lights[0].diffuse.g, 0.5f);
    EXPECT_EQ(s.lights[0].position.z, 3.0f);
    EXPECT_EQ(s.lights[0].direction.y, 1.0f);
    EXPECT_EQ(s.lights[0].range, 10000.0f);
    EXPECT_EQ(s.rs[RS_NORMALIZENORMALS], 1u);
    // The same record again is not re-sent unless forced.
    Rec()->ClearLog();
    LIGHT_Set(0, LIGHT_Record(0), false);
    EXPECT_EQ(Rec()->CallCount(CALL_SETLIGHT), 0);
    LIGHT_Set(0, LIGHT_Record(0), true);
    EXPECT_EQ(Rec()->CallCount(CALL_SETLIGHT), 1);
    LIGHT_Enable(false);
    EXPECT_FALSE(LIGHT_IsEnabled());
    EXPECT_FALSE(Rec()->State().lightEnabled[0]);
    EXPECT_EQ(Rec()->State().rs[RS_LIGHTING], 0u);
    CAM_Eye = savedEye;
}

TEST_F(DrawTest, ColourConversionTruncatesAndWraps)
{
    EXPECT_EQ(SCR_SetColour(1, 1, 1, 1), 0xFFFFFFFFu);
    EXPECT_EQ(SCR_SetColour(0.5f, 0.5f, 0.5f, 1), 0xFF7F7F7Fu);
    EXPECT_EQ((SCR_SetColour(1.5f, 0, 0, 0) >> 16) & 0xFF, 126u);
    EXPECT_EQ(QUAD_SetColourRGBA(0, 0, 1.5f, 1), 0xFF00007Eu);
    EXPECT_EQ(QUAD_Vertices()[3].colour, 0xFF00007Eu);
    EXPECT_EQ(SCR_Vertices()[2].colour, SCR_Vertices()[0].colour);
}

TEST_F(DrawTest, ClipKeepsTheVisiblePartInPlace)
{
    SCR_SetRect(0.25f, 0.25f, 0.75f, 0.75f);   // 200..600 × 150..450 pixels
    SCR_SetUV(0, 0, 1, 1);
    EXPECT_FALSE(SCR_Clip(0, 0, 800, 600));
    EXPECT_EQ(SCR_Vertices()[0].x, 200.0f);
    EXPECT_EQ(SCR_Vertices()[0].u, 0.0f);
    EXPECT_EQ(SCR_Vertices()[3].v, 1.0f);

    // The left 10 % lies outside: the right 90 % of the image stays where it was.
    EXPECT_FALSE(SCR_Clip(240, 0, 800, 600));
    const PRCT_Vect* q = SCR_Vertices();
    EXPECT_FLOAT_EQ(q[0].x, 240);
    EXPECT_FLOAT_EQ(q[2].x, 240);
    EXPECT_FLOAT_EQ(q[0].u, 0.1f);
    EXPECT_FLOAT_EQ(q[2].u, 0.1f);
    EXPECT_FLOAT_EQ(q[1].x, 600);
    EXPECT_FLOAT_EQ(q[1].u, 1.0f);

    // Bottom and right cut too, then a rectangle that misses it altogether.
    EXPECT_FALSE(SCR_Clip(0, 0, 500, 300));
    EXPECT_FLOAT_EQ(q[3].x, 500);
    EXPECT_FLOAT_EQ(q[3].u, 0.1f + (500.0f - 240.0f) / 360.0f * 0.9f);
    EXPECT_FLOAT_EQ(q[3].v, 0.5f);
    EXPECT_TRUE(SCR_Clip(700, 0, 800, 600));
}

TEST_F(DrawTest, QuadScaleAndRotate)
{
    QUAD_SetRect(1, 1, 3, 2, 5);
    QUAD_Scale(2, -1, -1, -1);
    const PNCT_Vect* q = QUAD_Vertices();
    EXPECT_FLOAT_EQ(q[0].x, 0);
    EXPECT_FLOAT_EQ(q[0].y, 0.5f);
    EXPECT_FLOAT_EQ(q[3].x, 4);
    EXPECT_FLOAT_EQ(q[3].y, 2.5f);
    EXPECT_FLOAT_EQ(q[3].z, 5);
    QUAD_Scale(1, 3, 0, 0);   // separate factors about the origin
    EXPECT_FLOAT_EQ(q[3].x, 4);
    EXPECT_FLOAT_EQ(q[3].y, 7.5f);
    QUAD_SetRect(-1, -1, 1, 1, 0);
    QUAD_Rotate(MTH_PI / 2, -1, -1);
    EXPECT_NEAR(q[1].x, 1, 1e-5);    // TR (1, -1) turns to (1, 1)
    EXPECT_NEAR(q[1].y, 1, 1e-5);
    const Vec3 mid = QUAD_Lerp(0.5f, 0.5f);
    EXPECT_NEAR(mid.x, 0, 1e-5);
    EXPECT_NEAR(mid.y, 0, 1e-5);
}

TEST_F(DrawTest, ScreenQuadPlacementLineLerpAndHitTest)
{
    SCR_SetRect(0.25f, 0.5f, 0.5f, 1.0f);
    SCR_Scale(2, -1, -1);
    const PRCT_Vect* q = SCR_Vertices();
    EXPECT_FLOAT_EQ(q[0].x, 100);
    EXPECT_FLOAT_EQ(q[0].y, 150);
    EXPECT_FLOAT_EQ(q[3].x, 500);
    EXPECT_FLOAT_EQ(q[3].y, 750);
    float x, y, z;
    SCR_SetDepth(0.25f);
    SCR_Lerp(0.5f, 0.5f, &x, &y, &z);
    EXPECT_FLOAT_EQ(x, 0.375f);
    EXPECT_FLOAT_EQ(y, 0.75f);
    EXPECT_FLOAT_EQ(z, 0.25f);

    const float mx = MOU_X, my = MOU_Y;
    MOU_X = 0.3f;
    MOU_Y = 0.6f;
    EXPECT_TRUE(SCR_HitTest());
    MOU_X = 0.125f;   // exactly on the left edge: outside
    EXPECT_FALSE(SCR_HitTest());

    // A horizontal band of half width 0.01 (measured in widths): ±8 pixels in y.
    SCR_Line(0.1f, 0.5f, 0.9f, 0.5f, 0.01f);
    EXPECT_FLOAT_EQ(q[0].x, 80);
    EXPECT_FLOAT_EQ(q[0].y, 308);
    EXPECT_FLOAT_EQ(q[1].y, 292);
    EXPECT_FLOAT_EQ(q[3].x, 720);
    SCR_Line(0.5f, 0.5f, 0.5f, 0.5f, 0.01f);   // no length: no NaNs
    EXPECT_FLOAT_EQ(q[0].x, 400);

    // The pointer turned into a panel's frame.
    MOU_X = 0.6f;
    MOU_Y = 0.5f;
    SCR_RotatePoint(MTH_PI / 2, 0.5f, 0.5f, &x, &y);
    EXPECT_NEAR(x, 0.5f, 1e-5);
    EXPECT_NEAR(y, 0.4f, 1e-5);
    MOU_X = mx;
    MOU_Y = my;
}

TEST_F(DrawTest, DrawImageMapsTheWholePictureAndRestoresState)
{
    Texture* pic = MakeTexture();
    TEX_Table[360].texture = pic;
    TEX_Table[360].width = 1024;
    TEX_Table[360].height = 768;
    DRW_SetFilter(true);
    DRW_SetAddress(0);
    CFG_Width = 1024;
    CFG_Height = 768;
    Rec()->ClearLog();
    SCR_DrawImage(360, true, true, false, false);
    ASSERT_EQ(Rec()->Draws().size(), 1u);
    const DrawRecord& d = Rec()->Draws()[0];
    EXPECT_EQ(d.primType, (uint32_t)PT_TRIANGLESTRIP);
    EXPECT_EQ(d.primCount, 2u);
    EXPECT_EQ(d.stride, 28u);
    EXPECT_EQ(d.state.textures[0], pic);
    EXPECT_EQ(d.state.fvf, DRW_FVF_PRCT);
    EXPECT_EQ(d.state.tss[0][TSS_MINFILTER], TEXF_POINT);   // 1024 × 768 on 1024 × 768: pixel for pixel
    EXPECT_EQ(d.state.tss[0][TSS_ADDRESSU], TADDRESS_WRAP);
    EXPECT_EQ(d.state.tss[0][TSS_ADDRESSV], TADDRESS_CLAMP);
    PRCT_Vect v[4];
    ASSERT_EQ(d.vertices.size(), sizeof v);
    std::memcpy(v, d.vertices.data(), sizeof v);
    EXPECT_FLOAT_EQ(v[0].x, 0);
    EXPECT_NEAR(v[0].y, -0.768f, 1e-4);
    EXPECT_FLOAT_EQ(v[3].x, 1024);
    EXPECT_EQ(v[0].colour, 0xFF7F7F7Fu);
    EXPECT_EQ(v[0].u, 0.0f);
    EXPECT_EQ(v[3].u, 1.0f);
    EXPECT_EQ(v[3].v, 1.0f);
    EXPECT_TRUE(DRW_IsLinear());
    EXPECT_EQ(DRW_GetAddress(), 0u);

    // Mirrored and upside down.
    CFG_Width = 800;
    CFG_Height = 600;
    SCR_DrawImage(0, true, true, true, true);
    std::memcpy(v, Rec()->Draws().back().vertices.data(), sizeof v);
    EXPECT_EQ(Rec()->Draws().back().state.tss[0][TSS_MINFILTER], TEXF_LINEAR);
    EXPECT_EQ(v[0].u, 1.0f);
    EXPECT_EQ(v[0].v, 1.0f);
    EXPECT_EQ(v[3].u, 0.0f);
    EXPECT_NEAR(v[0].y, 0.6f, 1e-4);
}

} // namespace

// ---------------------------------------------------------------- on the GL device
// Runs where an X display is available (`make test` runs under xvfb-run); skipped elsewhere.
#include <SDL.h>
#include <png.h>

namespace {

using namespace gfx;

void PngToVector(png_structp png, png_bytep data, png_size_t n)
{
    auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + n);
}

// An RGBA PNG of w × h from rows of 0xRRGGBBAA pixels.
std::vector<uint8_t> MakePng(int w, int h, const std::vector<uint32_t>& pixels)
{
    std::vector<uint8_t> out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return {};
    }
    png_set_write_fn(png, &out, PngToVector, nullptr);
    png_set_IHDR(png, info, w, h, 8, PNG_COLOR_TYPE_RGBA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    std::vector<uint8_t> row((size_t)w * 4);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x)
            for (int c = 0; c < 4; ++c) row[x * 4 + c] = (pixels[(size_t)y * w + x] >> (24 - 8 * c)) & 0xFF;
        png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return out;
}

SDL_Window* g_glWindow = nullptr;
Device* MakeGl(int w, int h, bool windowed) { return GFX_CreateGlDevice(g_glWindow, w, h, windowed); }

class DrawGl : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        const char* display = getenv("DISPLAY");
        if (!display || !*display) {
            why_ = "no X display";
            return;
        }
        if (SDL_VideoInit("x11") != 0) {
            why_ = std::string("SDL video: ") + SDL_GetError();
            return;
        }
        videoUp_ = true;
        g_glWindow = SDL_CreateWindow("draw test", 0, 0, 800, 600, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
        if (!g_glWindow) why_ = std::string("window: ") + SDL_GetError();
    }
    static void TearDownTestSuite()
    {
        if (g_glWindow) SDL_DestroyWindow(g_glWindow);
        g_glWindow = nullptr;
        if (videoUp_) SDL_VideoQuit();
        videoUp_ = false;
    }
    void SetUp() override
    {
        if (!g_glWindow) GTEST_SKIP() << why_;
        DEV_ResetForTests();
        TEX_ResetForTests();
        CFG_Width = 800;
        CFG_Height = 600;
        CFG_Windowed = 1;
        CFG_TestForHoles = 0;
        DEV_SetFactory(MakeGl);
        DEV_Init();
        if (!DEV_Device) GTEST_SKIP() << "GL device: " << GFX_LastError();
        DEV_Reset("test");
    }
    void TearDown() override
    {
        TEX_ResetForTests();
        DEV_ResetForTests();
    }
    uint32_t Pixel(const std::vector<uint8_t>& px, uint32_t w, int x, int y)
    {
        const uint8_t* p = &px[((size_t)y * w + x) * 4];
        return (uint32_t)p[0] << 16 | (uint32_t)p[1] << 8 | p[2];
    }
    static void ExpectNear(uint32_t got, uint32_t want, const char* where)
    {
        for (int s = 0; s < 24; s += 8) {
            int g = (int)((got >> s) & 255), w = (int)((want >> s) & 255);
            EXPECT_NEAR(g, w, 4) << where << std::hex << ": got 0x" << got << " want 0x" << want;
        }
    }
    static inline bool videoUp_ = false;
    static inline std::string why_;
};

TEST_F(DrawGl, ScreenImageAndFadeComeOutAtTheirColours)
{
    const std::vector<uint8_t> white = MakePng(1, 1, {0xFFFFFFFFu});
    const std::vector<uint8_t> quads = MakePng(2, 2, {0xFF0000FFu, 0x00FF00FFu, 0x0000FFFFu, 0xFFFFFFFFu});
    ASSERT_EQ(TEX_LoadNamed("TEX_FX_WHITE", white.data(), white.size()), 1);
    const int slot = TEX_LoadNamed("TEX_QUARTERS", quads.data(), quads.size());
    ASSERT_GT(slot, 0);

    // Two frames: the picture alone, then with a quarter-level fade over it.
    for (int frame = 0; frame < 2; ++frame) {
        DEV_SetViewport(-1, -1);
        DEV_Clear(true, 0, 0, 0);
        ASSERT_EQ(DEV_Device->BeginScene(), GFX_OK);
        DRW_FrameDefaults();
        LIGHT_Enable(false);
        DRW_SetFilter(false);   // texel for texel, so each quarter is one flat colour
        SCR_SetRect(0.1f, 0.1f, 0.5f, 0.5f);
        SCR_SetDepth(0.5f);
        SCR_DrawImage(slot, true, false, false, false);
        if (frame == 1) {
            const float savedDelta = TIM_RealDelta;
            TIM_RealDelta = 1.0f;
            FX_SetFade(0.75f, 0.75f, 0.01f);   // level 0.25: the picture at half brightness
            FX_DrawScreenEffects();
            TIM_RealDelta = savedDelta;
        }
        ASSERT_EQ(DEV_Device->EndScene(), GFX_OK);
        std::vector<uint8_t> px;
        uint32_t w = 0, h = 0;
        ASSERT_EQ(DEV_Device->ReadBackBuffer(&px, &w, &h), GFX_OK);
        ASSERT_EQ(w, 800u);
        ASSERT_EQ(h, 600u);
        DEV_Present();
        // Darken blend: dest × (1 − 2 × 0.247) ≈ dest × 0.506.
        const auto k = [frame](uint32_t c) {
            if (frame == 0) return c;
            uint32_t out = 0;
            for (int s = 0; s < 24; s += 8) out |= (uint32_t)((((c >> s) & 255) * 129 + 127) / 255) << s;
            return out;
        };
        ExpectNear(Pixel(px, w, 160, 120), k(0xFE0000), "top left");
        ExpectNear(Pixel(px, w, 320, 120), k(0x00FE00), "top right");
        ExpectNear(Pixel(px, w, 160, 240), k(0x0000FE), "bottom left");
        ExpectNear(Pixel(px, w, 320, 240), k(0xFEFEFE), "bottom right");
        ExpectNear(Pixel(px, w, 600, 450), 0x000000, "outside");
    }
}

} // namespace
