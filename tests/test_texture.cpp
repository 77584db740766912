// The texture table on the recording device: fixed names and slot choice, a second load of a
// name, alpha detection and the source size from images made here, temporary slots, the full
// table and broken images.
#include <gtest/gtest.h>
#include <png.h>

#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/app.h"
#include "app/err.h"
#include "core/log.h"
#include "core/settings.h"
#include "platform/gfx/gfx.h"
#include "platform/os/os.h"
#include "render/device.h"
#include "render/texture.h"

namespace {

using Bytes = std::vector<uint8_t>;

void Put16(Bytes& b, uint16_t v) { b.push_back(v & 0xFF); b.push_back(v >> 8); }
void Put32(Bytes& b, uint32_t v) { for (int i = 0; i < 4; ++i) b.push_back((v >> (8 * i)) & 0xFF); }

Bytes Bmp24(int w, int h)
{
    const int stride = (w * 3 + 3) & ~3;
    Bytes b;
    b.push_back('B'); b.push_back('M');
    Put32(b, 54 + stride * h); Put32(b, 0); Put32(b, 54);
    Put32(b, 40); Put32(b, w); Put32(b, h); Put16(b, 1); Put16(b, 24);
    Put32(b, 0); Put32(b, stride * h); Put32(b, 2835); Put32(b, 2835); Put32(b, 0); Put32(b, 0);
    b.resize(b.size() + (size_t)stride * h, 0x80);
    return b;
}

Bytes DdsDxt1(int w, int h)
{
    Bytes b = {'D', 'D', 'S', ' '};
    Put32(b, 124); Put32(b, 0x1 | 0x2 | 0x4 | 0x1000 | 0x80000); Put32(b, h); Put32(b, w);
    Put32(b, ((w + 3) / 4) * ((h + 3) / 4) * 8); Put32(b, 0); Put32(b, 1);
    for (int i = 0; i < 11; ++i) Put32(b, 0);
    Put32(b, 32); Put32(b, 0x4); b.insert(b.end(), {'D', 'X', 'T', '1'});
    for (int i = 0; i < 5; ++i) Put32(b, 0);
    Put32(b, 0x1000); Put32(b, 0); Put32(b, 0); Put32(b, 0); Put32(b, 0);
    b.resize(b.size() + (size_t)((w + 3) / 4) * ((h + 3) / 4) * 8, 0x55);
    return b;
}

void PngWrite(png_structp png, png_bytep data, png_size_t n)
{
    auto* out = static_cast<Bytes*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + n);
}

Bytes Png(int w, int h, bool alpha)
{
    Bytes out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return {};
    }
    png_set_write_fn(png, &out, PngWrite, nullptr);
    png_set_IHDR(png, info, w, h, 8, alpha ? PNG_COLOR_TYPE_RGBA : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    std::vector<uint8_t> row((size_t)w * (alpha ? 4 : 3), 0x40);
    for (int y = 0; y < h; ++y) png_write_row(png, row.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return out;
}

gfx::Device* MakeRecording(int, int, bool) { return gfx::GFX_CreateRecordingDevice(); }

class TextureTest : public testing::Test {
protected:
    void SetUp() override
    {
        os::FAKE_Reset();
        LOG_ResetForTests();
        ERR_ResetForTests();
        DEV_ResetForTests();
        dir_ = std::string(getenv("HOME")) + "/textest";
        os::OS_MakeDir(dir_);
        savedDir_ = APP_DataDir;
        APP_DataDir = dir_;
        LOG_Open();
        APP_Quit = 0;
        DEV_SetFactory(MakeRecording);
        DEV_Init();
        TEX_ResetForTests();
        TEX_Init();
        png_ = Png(4, 4, true);
    }
    void TearDown() override
    {
        TEX_ResetForTests();
        DEV_ResetForTests();
        LOG_ResetForTests();
        ERR_ResetForTests();
        APP_DataDir = savedDir_;
        APP_Quit = 0;
    }
    gfx::RecordingDevice* Rec() { return static_cast<gfx::RecordingDevice*>(DEV_Device); }
    std::string Log()
    {
        std::ifstream f(dir_ + "/Log.txt");
        std::stringstream ss;
        ss << f.rdbuf();
        return ss.str();
    }
    static bool BoxSays(const std::string& what)
    {
        for (const std::string& b : os::FAKE_MessageBoxes())
            if (b.find(what) != std::string::npos) return true;
        return false;
    }
    std::string dir_, savedDir_;
    Bytes png_;
};

TEST_F(TextureTest, FixedNamesAndDynamicSlots)
{
    const struct { const char* name; int slot; } fixed[] = {
        {"TEX_FX_WHITE", 1}, {"TEX_FX_GLARE", 2}, {"TEX_FX_NOISE", 12}, {"TEX_ARROWON", 13},
        {"TEX_CHECKBOX", 17}, {"TEX_FONT_ARIALEX", 21}, {"TEX_T_PAGE00", 22}, {"TEX_T_PAGE34", 56},
        {"TEX_T_00", 57}, {"TEX_T_40", 97}, {"TEX_NULL", 0}, {"tex_fx_glare", 0}, {"", 0},
    };
    for (const auto& f : fixed) EXPECT_EQ(TEX_Find(f.name), f.slot) << f.name;

    EXPECT_EQ(TEX_LoadNamed("TEX_FX_GLARE", png_.data(), png_.size()), 2);
    EXPECT_EQ(TEX_LoadNamed("TEX_FLOOR01", png_.data(), png_.size()), 353);
    EXPECT_EQ(TEX_LoadNamed("TEX_WALL01", png_.data(), png_.size()), 354);
    EXPECT_EQ(TEX_Find("TEX_WALL01"), 354);
    EXPECT_NE(TEX_Table[2].texture, nullptr);

    // TEX_Init keeps the fixed names and frees the dynamic ones.
    TEX_ResetForTests();
    TEX_Init();
    EXPECT_EQ(TEX_Find("TEX_FLOOR01"), 0);
    EXPECT_EQ(TEX_Find("TEX_FX_GLARE"), 2);
}

TEST_F(TextureTest, SecondLoadOfANameKeepsTheFirst)
{
    const Bytes big = Bmp24(8, 6);
    ASSERT_EQ(TEX_LoadNamed("TEX_TWICE", png_.data(), png_.size()), 353);
    gfx::Texture* first = TEX_Table[353].texture;
    const int created = Rec()->CreatedTextures();
    EXPECT_EQ(TEX_LoadNamed("TEX_TWICE", big.data(), big.size()), 353);
    EXPECT_EQ(TEX_Table[353].texture, first);
    EXPECT_EQ(Rec()->CreatedTextures(), created);
    EXPECT_EQ(TEX_Table[353].width, 4.0f);
    EXPECT_TRUE(TEX_Table[353].hasAlpha);
}

TEST_F(TextureTest, AlphaAndSourceSizeFollowTheImage)
{
    const struct { const char* name; Bytes bytes; bool alpha; float w, h; } cases[] = {
        {"TEX_BMP24", Bmp24(5, 3), false, 5, 3},
        {"TEX_DXT1", DdsDxt1(8, 8), false, 8, 8},
        {"TEX_PNG32", Png(6, 2, true), true, 6, 2},
        {"TEX_PNG24", Png(3, 3, false), false, 3, 3},
        {"TEX_BIG", Bmp24(640, 480), false, 640, 480},   // source size, whatever the texture's
    };
    for (const auto& c : cases) {
        int slot = TEX_LoadNamed(c.name, c.bytes.data(), c.bytes.size());
        ASSERT_GT(slot, 0) << c.name;
        EXPECT_EQ(TEX_Table[slot].hasAlpha, c.alpha) << c.name;
        EXPECT_EQ(TEX_Table[slot].width, c.w) << c.name;
        EXPECT_EQ(TEX_Table[slot].height, c.h) << c.name;
    }
}

TEST_F(TextureTest, TemporarySlotsAreRenamedAndNotReloadedInAnyCase)
{
    ASSERT_TRUE(TEX_FillTemporary(29, "TEX_TITLEBACK", png_.data(), png_.size()));
    EXPECT_EQ(TEX_Find("TEX_TITLEBACK"), 29);
    EXPECT_EQ(TEX_Find("TEX_T_PAGE07"), 0);   // the fixed name is gone until restart
    const int created = Rec()->CreatedTextures();
    EXPECT_TRUE(TEX_FillTemporary(29, "tex_titleBack", png_.data(), png_.size()));
    EXPECT_EQ(Rec()->CreatedTextures(), created);
    EXPECT_STREQ(TEX_Table[29].name, "TEX_TITLEBACK");

    // Another name replaces it and releases the old texture.
    const int live = Rec()->LiveTextures();
    ASSERT_TRUE(TEX_FillTemporary(29, "TEX_LOADINGBACK", png_.data(), png_.size()));
    EXPECT_EQ(Rec()->LiveTextures(), live);
    EXPECT_EQ(TEX_Find("TEX_TITLEBACK"), 0);
    EXPECT_EQ(TEX_Find("TEX_LOADINGBACK"), 29);
    std::string log = Log();
    size_t n = 0;
    for (size_t p = log.find("Loading Temporary Texture : "); p != std::string::npos;
         p = log.find("Loading Temporary Texture : ", p + 1))
        ++n;
    EXPECT_EQ(n, 2u);

    // Not in any archive: false, and the slot keeps what it had.
    EXPECT_FALSE(TEX_LoadTemporary(29, "TEX_NOT_THERE"));
    EXPECT_EQ(TEX_Find("TEX_LOADINGBACK"), 29);
}

TEST_F(TextureTest, FullDynamicRangeIsFatal)
{
    char name[32];
    for (int i = 0; i < TEX_MaxSlots - TEX_FirstDynamic; ++i) {
        std::snprintf(name, sizeof name, "TEX_FILL%03d", i);
        int slot = TEX_FreeSlot();
        ASSERT_EQ(slot, TEX_FirstDynamic + i);
        std::snprintf(TEX_Table[slot].name, 32, "%s", name);
    }
    EXPECT_EQ(TEX_FreeSlot(), 0);
    EXPECT_TRUE(BoxSays("Reached Max Textures : DT0"));
    EXPECT_EQ(TEX_LoadNamed("TEX_ONEMORE", png_.data(), png_.size()), 0);
    EXPECT_EQ(TEX_LoadSlot(609, png_.data(), png_.size()), 0);
    EXPECT_EQ(TEX_LoadSlot(0, png_.data(), png_.size()), 0);
}

TEST_F(TextureTest, BrokenImageIsFatalWithTheSlot)
{
    const Bytes junk(100, 0x11);
    EXPECT_EQ(TEX_LoadNamed("TEX_JUNK", junk.data(), junk.size()), 0);
    EXPECT_TRUE(BoxSays("CreateFromFileInMemory : 353 : "));
    EXPECT_EQ(TEX_Table[353].texture, nullptr);
}

TEST_F(TextureTest, PointFilterListIsCaseInsensitiveAndBounded)
{
    TEX_AddPointFilter("TEX_PRESPLASH");
    TEX_AddPointFilter("tex_presplash");
    EXPECT_TRUE(TEX_IsPointFiltered("Tex_PreSplash"));
    char name[32];
    for (int i = 0; i < 150; ++i) {
        std::snprintf(name, sizeof name, "TEX_P%03d", i);
        TEX_AddPointFilter(name);
    }
    EXPECT_TRUE(TEX_IsPointFiltered("TEX_P098"));    // 1 + 99 names fit
    EXPECT_FALSE(TEX_IsPointFiltered("TEX_P099"));
}

TEST_F(TextureTest, ReleaseEmptiesTheSlotButKeepsItsFacts)
{
    ASSERT_EQ(TEX_LoadNamed("TEX_GONE", png_.data(), png_.size()), 353);
    const int live = Rec()->LiveTextures();
    TEX_Release(353);
    EXPECT_EQ(Rec()->LiveTextures(), live - 1);
    EXPECT_EQ(TEX_Table[353].texture, nullptr);
    EXPECT_EQ(TEX_Table[353].name[0], 0);
    EXPECT_EQ(TEX_Table[353].width, 4.0f);
    EXPECT_EQ(TEX_FreeSlot(), 353);
}

} // namespace
