// The graphics device layer: the recording backend's state keeping, draw records, argument
// checks and scripted failures; vertex-format arithmetic; screenshots; and the GL backend's
// pixels (modulate 2×, blending, depth, culling, lighting, texture upload) read back from a real
// context. The GL tests start their own Xvfb when there is no display and skip when SDL video or
// a GL 3.3 context cannot be had.
#include <gtest/gtest.h>

#include <SDL.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "platform/gfx/gfx.h"
#include "platform/gfx/image.h"

extern char** environ;

using namespace gfx;

namespace {

struct DeviceDeleter {
    void operator()(Device* d) const { GFX_DestroyDevice(d); }
};
using RecPtr = std::unique_ptr<RecordingDevice, DeviceDeleter>;

// The engine's screen vertex (FVF 0x144) and world vertex (0x152).
struct ScreenVertex {
    float x, y, z, rhw;
    uint32_t colour;
    float u, v;
};
struct WorldVertex {
    float x, y, z, nx, ny, nz;
    uint32_t colour;
    float u, v;
};
static_assert(sizeof(ScreenVertex) == 28 && sizeof(WorldVertex) == 36);

constexpr uint32_t kScreenFvf = FVF_XYZRHW | FVF_DIFFUSE | FVF_TEX1;
constexpr uint32_t kWorldFvf = FVF_XYZ | FVF_NORMAL | FVF_DIFFUSE | FVF_TEX1;

// A rectangle as a two-triangle strip in the engine's corner order TL, TR, BL, BR.
void ScreenQuad(ScreenVertex q[4], float l, float t, float r, float b, float z, uint32_t colour)
{
    q[0] = {l, t, z, 1, colour, 0, 0};
    q[1] = {r, t, z, 1, colour, 1, 0};
    q[2] = {l, b, z, 1, colour, 0, 1};
    q[3] = {r, b, z, 1, colour, 1, 1};
}

} // namespace

// ---------------------------------------------------------------- helpers

TEST(Gfx, VertexFormatsAndPrimitiveCounts)
{
    EXPECT_EQ(GFX_FvfStride(0x144), 28u);
    EXPECT_EQ(GFX_FvfStride(0x152), 36u);
    EXPECT_EQ(GFX_FvfStride(0x142), 24u);
    EXPECT_EQ(GFX_FvfStride(FVF_NORMAL | FVF_DIFFUSE), 0u);      // no position
    EXPECT_EQ(GFX_FvfStride(FVF_XYZ | 0x1000), 0u);             // unknown bit
    const struct { uint32_t type, prims, vertices; } cases[] = {
        {PT_TRIANGLELIST, 10, 30}, {PT_TRIANGLESTRIP, 2, 4}, {PT_TRIANGLEFAN, 3, 5},
        {PT_LINELIST, 4, 8}, {PT_LINESTRIP, 4, 5}, {PT_POINTLIST, 7, 7},
        {PT_TRIANGLELIST, 0, 0}, {99, 1, 0}, {PT_TRIANGLELIST, 0x7FFFFFFF, 0},
    };
    for (const auto& c : cases) EXPECT_EQ(GFX_VertexCount(c.type, c.prims), c.vertices) << c.type << "/" << c.prims;
    EXPECT_STREQ(GFX_ResultName(GFX_DEVICELOST), "GFX_DEVICELOST");
    EXPECT_STREQ(GFX_ResultName(GFX_DEVICENOTRESET), "GFX_DEVICENOTRESET");
    EXPECT_STREQ(GFX_ResultName(12345), "GFX_UNKNOWN");
}

// ---------------------------------------------------------------- recording device

TEST(GfxRecording, KeepsEveryStateAndReportsItBack)
{
    RecPtr dev(GFX_CreateRecordingDevice());
    ASSERT_EQ(dev->SetRenderState(RS_SRCBLEND, BLEND_SRCALPHA), GFX_OK);
    ASSERT_EQ(dev->SetRenderState(RS_ALPHAREF, 5), GFX_OK);
    ASSERT_EQ(dev->SetRenderState(200, 0x9E39817Bu), GFX_OK);   // unknown numbers are kept too
    ASSERT_EQ(dev->SetTextureStageState(0, TSS_COLOROP, TOP_MODULATE2X), GFX_OK);
    ASSERT_EQ(dev->SetTextureStageState(7, TSS_ADDRESSV, TADDRESS_CLAMP), GFX_OK);
    float m[16];
    for (int i = 0; i < 16; ++i) m[i] = (float)i;
    ASSERT_EQ(dev->SetTransform(TS_PROJECTION, m), GFX_OK);
    Light l = {};
    l.type = LIGHT_DIRECTIONAL;
    l.diffuse = {1, 0.5f, 0.25f, 0};
    l.direction = {0, 0, 1};
    ASSERT_EQ(dev->SetLight(3, l), GFX_OK);
    ASSERT_EQ(dev->LightEnable(3, true), GFX_OK);
    ASSERT_EQ(dev->SetViewport(Viewport{10, 20, 100, 50, 0.0f, 1.0f}), GFX_OK);
    ASSERT_EQ(dev->SetVertexFormat(kScreenFvf), GFX_OK);

    uint32_t v = 0;
    ASSERT_EQ(dev->GetRenderState(RS_SRCBLEND, &v), GFX_OK);
    EXPECT_EQ(v, BLEND_SRCALPHA);
    ASSERT_EQ(dev->GetRenderState(200, &v), GFX_OK);
    EXPECT_EQ(v, 0x9E39817Bu);
    ASSERT_EQ(dev->GetTextureStageState(7, TSS_ADDRESSV, &v), GFX_OK);
    EXPECT_EQ(v, TADDRESS_CLAMP);
    float back[16];
    ASSERT_EQ(dev->GetTransform(TS_PROJECTION, back), GFX_OK);
    EXPECT_EQ(memcmp(back, m, sizeof m), 0);
    Light lb = {};
    bool on = false;
    ASSERT_EQ(dev->GetLight(3, &lb), GFX_OK);
    ASSERT_EQ(dev->GetLightEnable(3, &on), GFX_OK);
    EXPECT_TRUE(on);
    EXPECT_EQ(lb.diffuse.g, 0.5f);
    Viewport vp;
    ASSERT_EQ(dev->GetViewport(&vp), GFX_OK);
    EXPECT_EQ(vp.x, 10u);
    EXPECT_EQ(vp.height, 50u);
    EXPECT_EQ(dev->GetVertexFormat(), kScreenFvf);
    EXPECT_EQ(dev->CallCount(CALL_SETRENDERSTATE), 3);
    EXPECT_EQ(dev->Calls()[0].kind, (uint32_t)CALL_SETRENDERSTATE);
    EXPECT_EQ(dev->Calls()[0].a, (uint32_t)RS_SRCBLEND);
    EXPECT_EQ(dev->Calls()[0].b, (uint32_t)BLEND_SRCALPHA);
}

// What the render queue's tests assert: each draw from memory, its size and the state it ran with.
TEST(GfxRecording, RecordsDrawsWithTheirState)
{
    RecPtr dev(GFX_CreateRecordingDevice());
    Texture* tex = nullptr;
    uint8_t white[4] = {255, 255, 255, 255};
    ASSERT_EQ(dev->CreateTexture(1, 1, FMT_RGBA8, white, 4, &tex), GFX_OK);
    std::vector<ScreenVertex> verts(30);
    for (size_t i = 0; i < verts.size(); ++i) verts[i] = {(float)i, 2, 0.5f, 1, 0x80808080u, 0, 0};

    dev->BeginScene();
    dev->SetVertexFormat(kScreenFvf);
    dev->SetTexture(0, tex);
    dev->SetRenderState(RS_SRCBLEND, BLEND_ONE);
    dev->SetRenderState(RS_DESTBLEND, BLEND_ZERO);
    ASSERT_EQ(dev->DrawPrimitiveUP(PT_TRIANGLELIST, 10, verts.data(), sizeof(ScreenVertex)), GFX_OK);
    dev->SetRenderState(RS_SRCBLEND, BLEND_SRCALPHA);
    dev->SetRenderState(RS_DESTBLEND, BLEND_INVSRCALPHA);
    dev->SetTexture(0, nullptr);
    ASSERT_EQ(dev->DrawPrimitiveUP(PT_TRIANGLELIST, 4, verts.data() + 18, sizeof(ScreenVertex)), GFX_OK);
    dev->EndScene();
    ASSERT_EQ(dev->DrawPrimitiveUP(PT_TRIANGLESTRIP, 2, verts.data(), sizeof(ScreenVertex)), GFX_OK);

    const auto& d = dev->Draws();
    ASSERT_EQ(d.size(), 3u);
    EXPECT_EQ(d[0].kind, (uint32_t)DRAW_USERMEMORY);
    EXPECT_EQ(d[0].primCount, 10u);
    EXPECT_EQ(d[0].vertexBytes, 30u * 28u);
    EXPECT_EQ(d[0].state.rs[RS_SRCBLEND], BLEND_ONE);
    EXPECT_EQ(d[0].state.textures[0], tex);
    EXPECT_TRUE(d[0].inScene);
    EXPECT_EQ(d[1].primCount, 4u);
    EXPECT_EQ(d[1].state.rs[RS_DESTBLEND], BLEND_INVSRCALPHA);
    EXPECT_EQ(d[1].state.textures[0], nullptr);
    // The copy is of the caller's bytes at the time of the call.
    ScreenVertex first;
    memcpy(&first, d[1].vertices.data(), sizeof first);
    EXPECT_EQ(first.x, 18.0f);
    EXPECT_FALSE(d[2].inScene);
    EXPECT_EQ(dev->CallCount(CALL_DRAWPRIMITIVEUP), 3);

    dev->ClearLog();
    EXPECT_TRUE(dev->Draws().empty());
    EXPECT_EQ(dev->CallCount(CALL_DRAWPRIMITIVEUP), 0);
    EXPECT_EQ(dev->State().rs[RS_SRCBLEND], BLEND_SRCALPHA);   // state survives the log
    tex->Release();
}

TEST(GfxRecording, IndexedDrawsFromBuffers)
{
    RecPtr dev(GFX_CreateRecordingDevice());
    VertexBuffer* vb = nullptr;
    IndexBuffer* ib = nullptr;
    ASSERT_EQ(dev->CreateVertexBuffer(4 * 36, USAGE_WRITEONLY, kWorldFvf, &vb), GFX_OK);
    ASSERT_EQ(dev->CreateIndexBuffer(6 * 2, USAGE_WRITEONLY, FMT_INDEX16, &ib), GFX_OK);
    void* p = nullptr;
    ASSERT_EQ(vb->Lock(0, 0, &p, LOCK_DISCARD), GFX_OK);
    memset(p, 0, 4 * 36);
    EXPECT_EQ(vb->Lock(0, 0, &p, 0), GFX_INVALIDCALL);          // already locked
    ASSERT_EQ(vb->Unlock(), GFX_OK);
    const uint16_t idx[6] = {0, 1, 2, 2, 1, 3};
    ASSERT_EQ(ib->Lock(0, 0, &p, LOCK_DISCARD), GFX_OK);
    memcpy(p, idx, sizeof idx);
    ASSERT_EQ(ib->Unlock(), GFX_OK);
    dev->SetVertexFormat(kWorldFvf);
    dev->SetStreamSource(0, vb, 36);
    dev->SetIndices(ib, 0);
    float world[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 5, 6, 7, 1};
    dev->SetTransform(TS_WORLD, world);
    ASSERT_EQ(dev->DrawIndexedPrimitive(PT_TRIANGLELIST, 0, 4, 0, 2), GFX_OK);
    ASSERT_EQ(dev->Draws().size(), 1u);
    const DrawRecord& d = dev->Draws()[0];
    EXPECT_EQ(d.kind, (uint32_t)DRAW_INDEXED);
    EXPECT_EQ(d.numVertices, 4u);
    EXPECT_EQ(d.streamSource, vb);
    EXPECT_EQ(d.state.world[12], 5.0f);

    // Indices outside the promised vertex range, past the index buffer or into a vertex buffer
    // too short for them are refused rather than drawn.
    EXPECT_EQ(dev->DrawIndexedPrimitive(PT_TRIANGLELIST, 0, 3, 0, 2), GFX_INVALIDCALL);  // index 3 ≥ 3
    EXPECT_EQ(dev->DrawIndexedPrimitive(PT_TRIANGLELIST, 0, 4, 3, 2), GFX_INVALIDCALL);  // 9 indices > 6
    EXPECT_EQ(dev->DrawIndexedPrimitive(PT_TRIANGLELIST, 0, 5, 0, 2), GFX_INVALIDCALL);  // 5 vertices > 4
    dev->SetIndices(ib, 1);
    EXPECT_EQ(dev->DrawIndexedPrimitive(PT_TRIANGLELIST, 0, 4, 0, 2), GFX_INVALIDCALL);  // base pushes past
    dev->SetIndices(ib, 0);
    ib->Lock(0, 0, &p, 0);
    EXPECT_EQ(dev->DrawIndexedPrimitive(PT_TRIANGLELIST, 0, 4, 0, 2), GFX_INVALIDCALL);  // still locked
    ib->Unlock();
    EXPECT_EQ(dev->Draws().size(), 1u);

    vb->Release();
    ib->Release();
    EXPECT_EQ(dev->DrawIndexedPrimitive(PT_TRIANGLELIST, 0, 4, 0, 2), GFX_INVALIDCALL);  // released: unbound
}

TEST(GfxRecording, RefusesCallsARealDeviceWouldRefuse)
{
    RecPtr dev(GFX_CreateRecordingDevice());                 // 640 × 480
    ScreenVertex q[4];
    ScreenQuad(q, 0, 0, 10, 10, 0, 0xFFFFFFFFu);
    Texture* gone = nullptr;
    uint8_t px[4] = {};
    ASSERT_EQ(dev->CreateTexture(1, 1, FMT_RGBA8, px, 4, &gone), GFX_OK);
    gone->Release();

    EXPECT_EQ(dev->DrawPrimitiveUP(PT_TRIANGLESTRIP, 2, q, 28), GFX_INVALIDCALL);   // no vertex format yet
    dev->SetVertexFormat(kWorldFvf);
    EXPECT_EQ(dev->DrawPrimitiveUP(PT_TRIANGLESTRIP, 2, q, 28), GFX_INVALIDCALL);   // stride below 36
    dev->SetVertexFormat(kScreenFvf);
    EXPECT_EQ(dev->DrawPrimitiveUP(PT_TRIANGLESTRIP, 0, q, 28), GFX_INVALIDCALL);
    EXPECT_EQ(dev->DrawPrimitiveUP(PT_TRIANGLESTRIP, 2, nullptr, 28), GFX_INVALIDCALL);
    EXPECT_EQ(dev->SetViewport(Viewport{0, 0, 800, 600, 0, 1}), GFX_INVALIDCALL);    // larger than 640 × 480
    EXPECT_EQ(dev->SetViewport(Viewport{600, 0, 100, 10, 0, 1}), GFX_INVALIDCALL);
    EXPECT_EQ(dev->SetTexture(0, gone), GFX_INVALIDCALL);                           // released texture
    EXPECT_EQ(dev->SetTexture(8, nullptr), GFX_INVALIDCALL);
    EXPECT_EQ(dev->SetRenderState(RS_LIMIT, 1), GFX_INVALIDCALL);
    EXPECT_EQ(dev->SetTextureStageState(0, TSS_LIMIT, 1), GFX_INVALIDCALL);
    EXPECT_EQ(dev->SetLight(MAX_LIGHTS, Light{}), GFX_INVALIDCALL);
    EXPECT_EQ(dev->EndScene(), GFX_INVALIDCALL);
    EXPECT_EQ(dev->BeginScene(), GFX_OK);
    EXPECT_EQ(dev->BeginScene(), GFX_INVALIDCALL);
    Texture* t = nullptr;
    EXPECT_EQ(dev->CreateTexture(4, 4, FMT_DXT1, px, 4, &t), GFX_INVALIDCALL);       // 8 bytes needed
    EXPECT_EQ(t, nullptr);
    EXPECT_EQ(dev->CreateTexture(0, 4, FMT_RGBA8, px, 4, &t), GFX_INVALIDCALL);
    EXPECT_TRUE(dev->Draws().empty());
}

// The lost-device protocol the display device runs: lost → not reset → Reset → ok.
TEST(GfxRecording, ScriptsLostDevicesAndFailingResets)
{
    RecPtr dev(GFX_CreateRecordingDevice());
    EXPECT_EQ(dev->TestCooperativeLevel(), GFX_OK);
    dev->SetCooperativeLevel(GFX_DEVICELOST);
    EXPECT_EQ(dev->TestCooperativeLevel(), GFX_DEVICELOST);
    EXPECT_EQ(dev->Present(), GFX_DEVICELOST);
    PresentParams pp;
    pp.backBufferWidth = 800;
    pp.backBufferHeight = 600;
    EXPECT_EQ(dev->Reset(pp), GFX_DEVICELOST);                 // cannot reset while lost
    dev->SetCooperativeLevel(GFX_DEVICENOTRESET);
    EXPECT_EQ(dev->TestCooperativeLevel(), GFX_DEVICENOTRESET);
    dev->FailNext(CALL_RESET, GFX_OUTOFVIDEOMEMORY, 1);
    EXPECT_EQ(dev->Reset(pp), GFX_OUTOFVIDEOMEMORY);
    EXPECT_EQ(dev->TestCooperativeLevel(), GFX_DEVICENOTRESET);
    dev->SetRenderState(RS_ZFUNC, CMP_ALWAYS);
    EXPECT_EQ(dev->Reset(pp), GFX_OK);
    EXPECT_EQ(dev->TestCooperativeLevel(), GFX_OK);
    EXPECT_EQ(dev->LastPresentParams().backBufferWidth, 800u);
    // A reset returns every state to its default and the viewport to the new back buffer.
    EXPECT_EQ(dev->State().rs[RS_ZFUNC], CMP_LESSEQUAL);
    EXPECT_EQ(dev->State().viewport.width, 800u);
    EXPECT_EQ(dev->SetViewport(Viewport{0, 0, 800, 600, 0, 1}), GFX_OK);

    dev->QueueCooperativeLevels({GFX_DEVICELOST, GFX_DEVICELOST, GFX_DEVICENOTRESET});
    EXPECT_EQ(dev->TestCooperativeLevel(), GFX_DEVICELOST);
    EXPECT_EQ(dev->TestCooperativeLevel(), GFX_DEVICELOST);
    EXPECT_EQ(dev->TestCooperativeLevel(), GFX_DEVICENOTRESET);
    EXPECT_EQ(dev->TestCooperativeLevel(), GFX_OK);            // queue empty: the standing level

    // Buffers left alive across a reset are a fault the strict mode catches.
    dev->SetStrictReset(true);
    VertexBuffer* vb = nullptr;
    ASSERT_EQ(dev->CreateVertexBuffer(36, 0, kWorldFvf, &vb), GFX_OK);
    EXPECT_EQ(dev->Reset(pp), GFX_INVALIDCALL);
    vb->Release();
    EXPECT_EQ(dev->Reset(pp), GFX_OK);

    // Any call kind can be made to fail a number of times.
    dev->FailNext(CALL_CREATEVERTEXBUFFER, GFX_OUTOFVIDEOMEMORY, 2);
    EXPECT_EQ(dev->CreateVertexBuffer(36, 0, kWorldFvf, &vb), GFX_OUTOFVIDEOMEMORY);
    EXPECT_EQ(vb, nullptr);
    EXPECT_EQ(dev->CreateVertexBuffer(36, 0, kWorldFvf, &vb), GFX_OUTOFVIDEOMEMORY);
    EXPECT_EQ(dev->CreateVertexBuffer(36, 0, kWorldFvf, &vb), GFX_OK);
    vb->Release();
    dev->FailNext(CALL_BEGINSCENE, GFX_FAIL, 1);
    EXPECT_EQ(dev->BeginScene(), GFX_FAIL);
    EXPECT_EQ(dev->BeginScene(), GFX_OK);
}

TEST(GfxRecording, TracksResourcesForLeakChecks)
{
    Texture* t = nullptr;
    VertexBuffer* vb = nullptr;
    IndexBuffer* ib = nullptr;
    {
        RecPtr dev(GFX_CreateRecordingDevice());
        uint8_t px[16] = {1, 2, 3, 4};
        ASSERT_EQ(dev->CreateTexture(2, 2, FMT_RGBA8, px, sizeof px, &t), GFX_OK);
        ASSERT_EQ(dev->CreateVertexBuffer(64, 0, kWorldFvf, &vb), GFX_OK);
        ASSERT_EQ(dev->CreateIndexBuffer(12, 0, FMT_INDEX16, &ib), GFX_OK);
        EXPECT_EQ(dev->LiveTextures(), 1);
        EXPECT_EQ(dev->LiveVertexBuffers(), 1);
        EXPECT_EQ(dev->LiveIndexBuffers(), 1);
        ASSERT_NE(dev->TextureData(t), nullptr);
        EXPECT_EQ((*dev->TextureData(t))[3], 4);
        dev->SetTexture(0, t);
        t->Release();
        EXPECT_EQ(dev->State().textures[0], nullptr);          // a released texture is unbound
        EXPECT_EQ(dev->LiveTextures(), 0);
        EXPECT_EQ(dev->CreatedTextures(), 1);
        EXPECT_EQ(dev->CallCount(CALL_TEXTURERELEASE), 1);
        vb->Release();
        EXPECT_EQ(dev->LiveVertexBuffers(), 0);
        EXPECT_EQ(dev->LiveIndexBuffers(), 1);
    }
    // The device went first: the buffer it left behind can still be released safely.
    ib->Release();
}

TEST(GfxRecording, ScreenshotsWriteTheBackBufferAsPng)
{
    RecPtr dev(GFX_CreateRecordingDevice());
    dev->Clear(CLEAR_TARGET, 0xFF336699u, 1.0f, 0);
    std::string dir = std::filesystem::temp_directory_path() / ("zandor-shot-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    setenv("ZANDOR_SHOT_DIR", dir.c_str(), 1);
    GFX_InstallScreenshotHook(dev.get());

    ASSERT_TRUE(GFX_ScreenshotNamed("title_01-a"));
    std::vector<uint8_t> file;
    {
        FILE* f = fopen((dir + "/title_01-a.png").c_str(), "rb");
        ASSERT_NE(f, nullptr);
        uint8_t buf[4096];
        size_t n;
        while ((n = fread(buf, 1, sizeof buf, f)) > 0) file.insert(file.end(), buf, buf + n);
        fclose(f);
    }
    Image img;
    ASSERT_TRUE(IMG_Decode(file.data(), file.size(), &img));
    EXPECT_EQ(img.width, 640u);
    EXPECT_EQ(img.height, 480u);
    EXPECT_EQ(img.data[0], 0x33);
    EXPECT_EQ(img.data[1], 0x66);
    EXPECT_EQ(img.data[2], 0x99);

    // Names come from script files: nothing that could leave the folder gets through.
    const char* bad[] = {"", "../evil", "a/b", "a.b", "name with space", "x\\y", "$(rm)",
                         "0123456789012345678901234567890123456789012345678901234567890123456789"};
    for (const char* n : bad) {
        EXPECT_FALSE(GFX_ScreenshotNameOk(n)) << n;
        EXPECT_FALSE(GFX_ScreenshotNamed(n)) << n;
    }
    EXPECT_TRUE(GFX_ScreenshotNameOk("A-z_9"));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), std::filesystem::directory_iterator()), 1);

    GFX_InstallScreenshotHook(nullptr);
    EXPECT_FALSE(GFX_ScreenshotNamed("after"));
    unsetenv("ZANDOR_SHOT_DIR");
    std::filesystem::remove_all(dir);
}

// ---------------------------------------------------------------- GL device

namespace {

// An X server for this test program when the environment has none: Xvfb picks a free display
// and tells us its number through a pipe. Started without a shell.
class OwnXServer {
public:
    bool Start()
    {
        if (getenv("DISPLAY") && *getenv("DISPLAY")) return true;
        int fds[2];
        if (pipe(fds) != 0) return false;
        std::string fd = std::to_string(fds[1]);
        const char* argv[] = {"Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "640x480x24", "-nolisten", "tcp", nullptr};
        posix_spawn_file_actions_t acts;
        posix_spawn_file_actions_init(&acts);
        posix_spawn_file_actions_addclose(&acts, fds[0]);
        posix_spawn_file_actions_addopen(&acts, 2, "/dev/null", O_WRONLY, 0);
        int rc = posix_spawnp(&pid_, "Xvfb", &acts, nullptr, const_cast<char**>(argv), environ);
        posix_spawn_file_actions_destroy(&acts);
        close(fds[1]);
        if (rc != 0) {
            close(fds[0]);
            pid_ = 0;
            return false;
        }
        char buf[32] = {};
        size_t got = 0;
        pollfd p{fds[0], POLLIN, 0};
        while (got < sizeof buf - 1 && poll(&p, 1, 10000) > 0) {
            ssize_t n = read(fds[0], buf + got, sizeof buf - 1 - got);
            if (n <= 0) break;
            got += (size_t)n;
            if (memchr(buf, '\n', got)) break;
        }
        close(fds[0]);
        if (got == 0) {
            Stop();
            return false;
        }
        std::string display = ":" + std::string(buf, strcspn(buf, "\n"));
        setenv("DISPLAY", display.c_str(), 1);
        setDisplay_ = true;
        return true;
    }
    void Stop()
    {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
            pid_ = 0;
        }
        if (setDisplay_) unsetenv("DISPLAY");
        setDisplay_ = false;
    }
    ~OwnXServer() { Stop(); }

private:
    pid_t pid_ = 0;
    bool setDisplay_ = false;
};

class GfxGl : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        server_ = new OwnXServer();
        if (!server_->Start()) {
            why_ = "no X display and Xvfb could not be started";
            return;
        }
        // The test environment names the dummy video driver for everything else; this test
        // asks for X11 by name.
        if (SDL_VideoInit("x11") != 0) {
            why_ = std::string("SDL video: ") + SDL_GetError();
            return;
        }
        videoUp_ = true;
        window_ = SDL_CreateWindow("gfx test", 0, 0, kW, kH, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
        if (!window_) {
            why_ = std::string("window: ") + SDL_GetError();
            return;
        }
        dev_ = GFX_CreateGlDevice(window_, kW, kH, true);
        if (!dev_) why_ = std::string("GL device: ") + GFX_LastError();
    }
    static void TearDownTestSuite()
    {
        GFX_DestroyDevice(dev_);
        dev_ = nullptr;
        if (window_) SDL_DestroyWindow(window_);
        window_ = nullptr;
        if (videoUp_) SDL_VideoQuit();
        videoUp_ = false;
        delete server_;
        server_ = nullptr;
    }
    void SetUp() override
    {
        if (!dev_) GTEST_SKIP() << why_;
        PresentParams pp;
        pp.backBufferWidth = kW;
        pp.backBufferHeight = kH;
        ASSERT_EQ(dev_->Reset(pp), GFX_OK);
        // The engine's per-frame defaults that matter here.
        dev_->SetTextureStageState(0, TSS_COLOROP, TOP_MODULATE2X);
        dev_->SetTextureStageState(0, TSS_ALPHAOP, TOP_MODULATE);
        dev_->SetRenderState(RS_LIGHTING, 0);
        dev_->SetRenderState(RS_CULLMODE, CULL_NONE);
        dev_->SetVertexFormat(kScreenFvf);
        ASSERT_EQ(dev_->Clear(CLEAR_TARGET | CLEAR_ZBUFFER, 0xFF0000FFu, 1.0f, 0), GFX_OK);
    }

    void Quad(float l, float t, float r, float b, float z, uint32_t colour)
    {
        ScreenVertex q[4];
        ScreenQuad(q, l, t, r, b, z, colour);
        ASSERT_EQ(dev_->DrawPrimitiveUP(PT_TRIANGLESTRIP, 2, q, sizeof(ScreenVertex)), GFX_OK);
    }

    // The pixel at (x, y), y down, as 0xRRGGBB.
    uint32_t Pixel(int x, int y)
    {
        std::vector<uint8_t> px;
        uint32_t w = 0, h = 0;
        EXPECT_EQ(dev_->ReadBackBuffer(&px, &w, &h), GFX_OK);
        if (px.empty()) return 0;
        const uint8_t* p = &px[((size_t)y * w + x) * 4];
        return (uint32_t)p[0] << 16 | (uint32_t)p[1] << 8 | p[2];
    }

    static void ExpectNear(uint32_t got, uint32_t want, int tol = 3)
    {
        for (int s = 0; s < 24; s += 8) {
            int g = (int)((got >> s) & 255), w = (int)((want >> s) & 255);
            EXPECT_NEAR(g, w, tol) << std::hex << "got 0x" << got << " want 0x" << want;
        }
    }

    static constexpr int kW = 64, kH = 48;
    static inline OwnXServer* server_ = nullptr;
    static inline SDL_Window* window_ = nullptr;
    static inline Device* dev_ = nullptr;
    static inline bool videoUp_ = false;
    static inline std::string why_;
};

} // namespace

// A 0.5 grey vertex colour doubled over a texture shows the texture at its own brightness.
TEST_F(GfxGl, Modulate2xOfHalfGreyShowsTheTexture)
{
    uint8_t texel[4 * 4];
    for (int i = 0; i < 4; ++i) texel[i * 4] = 200, texel[i * 4 + 1] = 100, texel[i * 4 + 2] = 50, texel[i * 4 + 3] = 255;
    Texture* tex = nullptr;
    ASSERT_EQ(dev_->CreateTexture(2, 2, FMT_RGBA8, texel, sizeof texel, &tex), GFX_OK);
    dev_->SetTexture(0, tex);
    Quad(0, 0, kW, kH, 0.5f, 0xFF808080u);
    ExpectNear(Pixel(kW / 2, kH / 2), 0xC86432);
    // No texture bound draws as white: doubled grey is white.
    dev_->SetTexture(0, nullptr);
    Quad(0, 0, kW, kH, 0.5f, 0xFF808080u);
    ExpectNear(Pixel(5, 5), 0xFFFFFF);
    tex->Release();
    ASSERT_EQ(dev_->Present(), GFX_OK);
}

TEST_F(GfxGl, PreTransformedVerticesAreBackBufferPixelsYDown)
{
    // A red band over the top 12 rows and the left 16 columns only.
    Quad(0, 0, 16, 12, 0.5f, 0xFF800000u);
    ExpectNear(Pixel(0, 0), 0xFF0000);
    ExpectNear(Pixel(15, 11), 0xFF0000);
    ExpectNear(Pixel(16, 11), 0x0000FF);
    ExpectNear(Pixel(15, 12), 0x0000FF);
    ExpectNear(Pixel(0, kH - 1), 0x0000FF);
}

TEST_F(GfxGl, AlphaBlendAndAlphaTest)
{
    dev_->SetRenderState(RS_ALPHABLENDENABLE, 1);
    dev_->SetRenderState(RS_SRCBLEND, BLEND_SRCALPHA);
    dev_->SetRenderState(RS_DESTBLEND, BLEND_INVSRCALPHA);
    Quad(0, 0, kW, kH, 0.5f, 0x80800000u);                  // half-transparent red over blue
    ExpectNear(Pixel(10, 10), 0x80007F);
    // Additive.
    dev_->SetRenderState(RS_SRCBLEND, BLEND_ONE);
    dev_->SetRenderState(RS_DESTBLEND, BLEND_ONE);
    Quad(0, 0, kW, kH, 0.5f, 0xFF004000u);
    ExpectNear(Pixel(10, 10), 0x80807F);
    // Alpha test "greater than 5": alpha 5 is dropped, 6 passes.
    dev_->SetRenderState(RS_SRCBLEND, BLEND_ONE);
    dev_->SetRenderState(RS_DESTBLEND, BLEND_ZERO);
    dev_->SetRenderState(RS_ALPHATESTENABLE, 1);
    dev_->SetRenderState(RS_ALPHAFUNC, CMP_GREATER);
    dev_->SetRenderState(RS_ALPHAREF, 5);
    // Vertex alpha a is modulated with the texture's 1.0: a stays a.
    Quad(0, 0, 32, kH, 0.5f, 0x05000000u);
    Quad(32, 0, kW, kH, 0.5f, 0x06000000u);
    ExpectNear(Pixel(10, 10), 0x80807F);
    ExpectNear(Pixel(40, 10), 0x000000);
}

// Each texture-stage and alpha-test set-up gets a program of its own. Going back to a set-up
// seen before must find its program again with this draw's values, not the ones it last had.
TEST_F(GfxGl, ASetUpSeenBeforeTakesTheNewValues)
{
    dev_->SetRenderState(RS_ALPHATESTENABLE, 1);
    dev_->SetRenderState(RS_ALPHAFUNC, CMP_GREATER);
    dev_->SetRenderState(RS_ALPHAREF, 5);
    Quad(0, 0, 32, kH, 0.5f, 0x40008000u);                  // alpha 0x40 passes "> 5"
    ExpectNear(Pixel(10, 10), 0x00FF00);
    dev_->SetRenderState(RS_ALPHATESTENABLE, 0);
    dev_->SetTextureStageState(0, TSS_COLOROP, TOP_SELECTARG2);   // the vertex colour as it is
    Quad(32, 0, kW, kH, 0.5f, 0xFF800000u);
    ExpectNear(Pixel(40, 10), 0x800000);
    // The first set-up again, with a reference the same alpha no longer passes.
    dev_->SetTextureStageState(0, TSS_COLOROP, TOP_MODULATE2X);
    dev_->SetRenderState(RS_ALPHATESTENABLE, 1);
    dev_->SetRenderState(RS_ALPHAREF, 100);
    Quad(0, 0, 32, kH, 0.5f, 0x40000080u);
    ExpectNear(Pixel(10, 10), 0x00FF00);
    dev_->SetRenderState(RS_ALPHATESTENABLE, 0);
}

TEST_F(GfxGl, DepthTestAndWrites)
{
    Quad(0, 0, kW, kH, 0.2f, 0xFF008000u);                  // near green
    Quad(0, 0, kW, kH, 0.8f, 0xFF800000u);                  // far red: hidden (LESSEQUAL)
    ExpectNear(Pixel(20, 20), 0x00FF00);
    dev_->SetRenderState(RS_ZFUNC, CMP_GREATER);
    Quad(0, 0, 32, kH, 0.8f, 0xFF800000u);                  // now the far one wins on the left
    ExpectNear(Pixel(10, 20), 0xFF0000);
    ExpectNear(Pixel(40, 20), 0x00FF00);
    dev_->SetRenderState(RS_ZFUNC, CMP_LESSEQUAL);
    dev_->SetRenderState(RS_ZWRITEENABLE, 0);
    Quad(0, 0, kW, kH, 0.1f, 0xFF000080u);                  // drawn but leaves depth alone
    ExpectNear(Pixel(40, 20), 0x0000FF);
    dev_->SetRenderState(RS_ZWRITEENABLE, 1);
    Quad(0, 0, kW, kH, 0.15f, 0xFF808080u);                 // passes: depth is still 0.2 / 0.8
    ExpectNear(Pixel(40, 20), 0xFFFFFF);
    dev_->SetRenderState(RS_ZENABLE, 0);
    Quad(0, 0, kW, kH, 0.9f, 0xFF800000u);                  // no depth test at all
    ExpectNear(Pixel(40, 20), 0xFF0000);
}

// CULL_CCW drops triangles whose corners run counter-clockwise as seen on screen (y down).
TEST_F(GfxGl, CullCcwDropsCounterClockwiseScreenTriangles)
{
    dev_->SetRenderState(RS_CULLMODE, CULL_CCW);
    // Left half: top-left → top-right → bottom-left runs clockwise on screen.
    ScreenVertex cw[3] = {{0, 0, 0.5f, 1, 0xFF800000u, 0, 0}, {32, 0, 0.5f, 1, 0xFF800000u, 0, 0},
                          {0, 48, 0.5f, 1, 0xFF800000u, 0, 0}};
    // Right half: top-left → bottom-left → top-right runs counter-clockwise.
    ScreenVertex ccw[3] = {{32, 0, 0.5f, 1, 0xFF008000u, 0, 0}, {32, 48, 0.5f, 1, 0xFF008000u, 0, 0},
                           {64, 0, 0.5f, 1, 0xFF008000u, 0, 0}};
    ASSERT_EQ(dev_->DrawPrimitiveUP(PT_TRIANGLELIST, 1, cw, 28), GFX_OK);
    ASSERT_EQ(dev_->DrawPrimitiveUP(PT_TRIANGLELIST, 1, ccw, 28), GFX_OK);
    ExpectNear(Pixel(4, 4), 0xFF0000);                      // kept
    ExpectNear(Pixel(36, 4), 0x0000FF);                     // culled
    dev_->SetRenderState(RS_CULLMODE, CULL_CW);
    ASSERT_EQ(dev_->DrawPrimitiveUP(PT_TRIANGLELIST, 1, ccw, 28), GFX_OK);
    ExpectNear(Pixel(36, 4), 0x00FF00);
    // The engine's quad strip TL, TR, BL, BR is clockwise: it survives CCW culling.
    dev_->SetRenderState(RS_CULLMODE, CULL_CCW);
    Quad(0, 0, kW, kH, 0.5f, 0xFF808080u);
    ExpectNear(Pixel(60, 40), 0xFFFFFF);
}

// World vertices: row vectors through World × View × Projection, left-handed with depth 0..1,
// lit by a directional light.
TEST_F(GfxGl, WorldGeometryIsProjectedCulledAndLit)
{
    // Left-handed perspective, 90° vertical field of view, near 1, far 100; camera at the origin
    // looking along +z with y up.
    float zn = 1, zf = 100, a = (float)kW / kH;
    float proj[16] = {1 / a, 0, 0, 0, 0, 1, 0, 0, 0, 0, zf / (zf - zn), 1, 0, 0, -zn * zf / (zf - zn), 0};
    float id[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    float world[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 5, 1};   // move 5 along +z
    dev_->SetTransform(TS_PROJECTION, proj);
    dev_->SetTransform(TS_VIEW, id);
    dev_->SetTransform(TS_WORLD, world);
    dev_->SetVertexFormat(kWorldFvf);
    dev_->SetRenderState(RS_CULLMODE, CULL_CCW);
    dev_->SetRenderState(RS_LIGHTING, 1);
    dev_->SetRenderState(RS_NORMALIZENORMALS, 1);
    dev_->SetRenderState(RS_AMBIENTMATERIALSOURCE, MCS_COLOR1);
    Light l = {};
    l.type = LIGHT_DIRECTIONAL;
    l.diffuse = {1, 1, 1, 0};
    l.direction = {0, 0, 1};                                // shining away from the camera
    dev_->SetLight(0, l);
    dev_->LightEnable(0, true);

    // A square facing the camera (normal −z), corners TL, TR, BL, BR in y-up world space: on
    // screen that strip is clockwise, so CCW culling keeps it.
    const uint32_t grey = 0xFF808080u;
    WorldVertex q[4] = {{-20, 20, 0, 0, 0, -1, grey, 0, 0}, {20, 20, 0, 0, 0, -1, grey, 1, 0},
                        {-20, -20, 0, 0, 0, -1, grey, 0, 1}, {20, -20, 0, 0, 0, -1, grey, 1, 1}};
    ASSERT_EQ(dev_->DrawPrimitiveUP(PT_TRIANGLESTRIP, 2, q, 36), GFX_OK);
    ExpectNear(Pixel(kW / 2, kH / 2), 0xFFFFFF);            // fully lit grey, doubled

    // Light from behind: only the (black) ambient remains.
    l.direction = {0, 0, -1};
    dev_->SetLight(0, l);
    dev_->SetRenderState(RS_ZFUNC, CMP_ALWAYS);
    ASSERT_EQ(dev_->DrawPrimitiveUP(PT_TRIANGLESTRIP, 2, q, 36), GFX_OK);
    ExpectNear(Pixel(kW / 2, kH / 2), 0x000000);
    // Global ambient lights it by the vertex colour.
    dev_->SetRenderState(RS_AMBIENT, 0xFF404040u);
    ASSERT_EQ(dev_->DrawPrimitiveUP(PT_TRIANGLESTRIP, 2, q, 36), GFX_OK);
    ExpectNear(Pixel(kW / 2, kH / 2), 0x404040, 4);

    // The same square wound the other way is culled.
    dev_->SetRenderState(RS_LIGHTING, 0);
    WorldVertex r[4] = {q[1], q[0], q[3], q[2]};
    for (auto& v : r) v.colour = 0xFF800000u;
    ASSERT_EQ(dev_->DrawPrimitiveUP(PT_TRIANGLESTRIP, 2, r, 36), GFX_OK);
    ExpectNear(Pixel(kW / 2, kH / 2), 0x404040, 4);

    // In front of the near plane, or beyond the far plane, nothing is drawn; just inside is.
    dev_->SetRenderState(RS_CULLMODE, CULL_NONE);
    float nearer[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0.9f, 1};
    dev_->SetTransform(TS_WORLD, nearer);
    ASSERT_EQ(dev_->DrawPrimitiveUP(PT_TRIANGLESTRIP, 2, r, 36), GFX_OK);
    ExpectNear(Pixel(kW / 2, kH / 2), 0x404040, 4);
    float far[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 101, 1};
    dev_->SetTransform(TS_WORLD, far);
    ASSERT_EQ(dev_->DrawPrimitiveUP(PT_TRIANGLESTRIP, 2, r, 36), GFX_OK);
    ExpectNear(Pixel(kW / 2, kH / 2), 0x404040, 4);
    float inside[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 99, 1};
    dev_->SetTransform(TS_WORLD, inside);
    ASSERT_EQ(dev_->DrawPrimitiveUP(PT_TRIANGLESTRIP, 2, r, 36), GFX_OK);
    ExpectNear(Pixel(kW / 2, kH / 2), 0xFF0000);
}

TEST_F(GfxGl, IndexedMeshesAndDxtTextures)
{
    // A 4 × 4 DXT1 texture, all red.
    uint8_t block[8] = {0x00, 0xF8, 0x00, 0x00, 0, 0, 0, 0};
    Texture* tex = nullptr;
    ASSERT_EQ(dev_->CreateTexture(4, 4, FMT_DXT1, block, sizeof block, &tex), GFX_OK);
    dev_->SetTexture(0, tex);

    VertexBuffer* vb = nullptr;
    IndexBuffer* ib = nullptr;
    ASSERT_EQ(dev_->CreateVertexBuffer(5 * 28, USAGE_WRITEONLY, kScreenFvf, &vb), GFX_OK);
    ASSERT_EQ(dev_->CreateIndexBuffer(6 * 2, USAGE_WRITEONLY, FMT_INDEX16, &ib), GFX_OK);
    ScreenVertex v[5];
    v[0] = {999, 999, 0, 1, 0, 0, 0};                       // skipped by the base vertex
    ScreenQuad(v + 1, 0, 0, kW, kH, 0.5f, 0xFF808080u);
    void* p = nullptr;
    ASSERT_EQ(vb->Lock(0, 0, &p, LOCK_DISCARD), GFX_OK);
    memcpy(p, v, sizeof v);
    ASSERT_EQ(vb->Unlock(), GFX_OK);
    const uint16_t idx[6] = {0, 1, 2, 2, 1, 3};
    ASSERT_EQ(ib->Lock(0, 0, &p, LOCK_DISCARD), GFX_OK);
    memcpy(p, idx, sizeof idx);
    ASSERT_EQ(ib->Unlock(), GFX_OK);
    dev_->SetStreamSource(0, vb, 28);
    dev_->SetIndices(ib, 1);
    ASSERT_EQ(dev_->DrawIndexedPrimitive(PT_TRIANGLELIST, 0, 4, 0, 2), GFX_OK);
    ExpectNear(Pixel(kW / 2, kH / 2), 0xFF0000);
    // An index buffer reaching past the vertex buffer is refused, not drawn.
    dev_->SetIndices(ib, 2);
    EXPECT_EQ(dev_->DrawIndexedPrimitive(PT_TRIANGLELIST, 0, 3, 0, 2), GFX_INVALIDCALL);

    Caps caps;
    ASSERT_EQ(dev_->GetCaps(&caps), GFX_OK);
    EXPECT_GE(caps.maxTextureWidth, 2048u);
    EXPECT_FALSE(caps.texturePow2Only);
    AdapterInfo info;
    ASSERT_EQ(dev_->GetAdapterInfo(&info), GFX_OK);
    EXPECT_STRNE(info.description, "");
    EXPECT_EQ(dev_->TestCooperativeLevel(), GFX_OK);
    vb->Release();
    ib->Release();
    tex->Release();
}

TEST_F(GfxGl, ResetResizesTheBackBuffer)
{
    PresentParams pp;
    pp.backBufferWidth = 80;
    pp.backBufferHeight = 30;
    ASSERT_EQ(dev_->Reset(pp), GFX_OK);
    Viewport vp;
    dev_->GetViewport(&vp);
    EXPECT_EQ(vp.width, 80u);
    EXPECT_EQ(dev_->SetViewport(Viewport{0, 0, 80, 30, 0, 1}), GFX_OK);
    dev_->SetVertexFormat(kScreenFvf);
    dev_->SetRenderState(RS_LIGHTING, 0);
    dev_->Clear(CLEAR_TARGET, 0xFF00FF00u, 1.0f, 0);
    std::vector<uint8_t> px;
    uint32_t w = 0, h = 0;
    ASSERT_EQ(dev_->ReadBackBuffer(&px, &w, &h), GFX_OK);
    EXPECT_EQ(w, 80u);
    EXPECT_EQ(h, 30u);
    EXPECT_EQ(px[(29 * 80 + 79) * 4 + 1], 255);
    EXPECT_EQ(dev_->Present(), GFX_OK);                     // scaled into the 64 × 48 window
}
