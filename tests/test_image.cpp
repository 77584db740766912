// Image decoding: source size and format (from which the texture table derives "has alpha"),
// pixel layout, DXT block decoding, and refusal of truncated or lying files.
#include <gtest/gtest.h>

#include <png.h>
#include <jpeglib.h>

#include <csetjmp>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/gfx/image.h"

using namespace gfx;

namespace {

using Bytes = std::vector<uint8_t>;

void Put16(Bytes& b, size_t at, uint32_t v)
{
    b[at] = (uint8_t)v;
    b[at + 1] = (uint8_t)(v >> 8);
}
void Put32(Bytes& b, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; ++i) b[at + i] = (uint8_t)(v >> (8 * i));
}

// ---- fixtures written by hand ----

// A w × h BMP; pixel (x, y) (y = 0 at the top) has the colour pix(x, y) as ARGB.
template <class F>
Bytes MakeBmp(int w, int h, int bpp, uint32_t headerSize, uint32_t alphaMask, F pix)
{
    uint32_t stride = ((w * bpp + 31) / 32) * 4;
    bool fields = headerSize >= 56;
    uint32_t offset = 14 + headerSize;
    Bytes b(offset + stride * h, 0);
    b[0] = 'B', b[1] = 'M';
    Put32(b, 2, (uint32_t)b.size());
    Put32(b, 10, offset);
    Put32(b, 14, headerSize);
    Put32(b, 18, (uint32_t)w);
    Put32(b, 22, (uint32_t)h);                  // bottom-up
    Put16(b, 26, 1);
    Put16(b, 28, (uint32_t)bpp);
    Put32(b, 30, fields ? 3 : 0);
    if (fields) {
        Put32(b, 54, 0x00FF0000);
        Put32(b, 58, 0x0000FF00);
        Put32(b, 62, 0x000000FF);
        Put32(b, 66, alphaMask);
    }
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint32_t c = pix(x, y);
            size_t at = offset + (size_t)(h - 1 - y) * stride + (size_t)x * (bpp / 8);
            b[at] = (uint8_t)c, b[at + 1] = (uint8_t)(c >> 8), b[at + 2] = (uint8_t)(c >> 16);
            if (bpp == 32) b[at + 3] = (uint8_t)(c >> 24);
        }
    return b;
}

Bytes MakeDds(uint32_t w, uint32_t h, const char* fourcc, uint32_t bits, uint32_t alphaMask, const Bytes& payload)
{
    Bytes b(128, 0);
    memcpy(b.data(), "DDS ", 4);
    Put32(b, 4, 124);
    Put32(b, 8, 0x1007);
    Put32(b, 12, h);
    Put32(b, 16, w);
    Put32(b, 76, 32);
    if (fourcc) {
        Put32(b, 80, 0x4);
        memcpy(b.data() + 84, fourcc, 4);
    } else {
        Put32(b, 80, 0x40 | (alphaMask ? 0x1 : 0));
        Put32(b, 88, bits);
        Put32(b, 92, 0x00FF0000);
        Put32(b, 96, 0x0000FF00);
        Put32(b, 100, 0x000000FF);
        Put32(b, 104, alphaMask);
    }
    b.insert(b.end(), payload.begin(), payload.end());
    return b;
}

// One DXT1 block: colours c0, c1 (RGB565) and 16 two-bit indices (pixel 0 in the low bits).
Bytes Dxt1Block(uint16_t c0, uint16_t c1, uint32_t indices)
{
    Bytes b(8);
    Put16(b, 0, c0);
    Put16(b, 2, c1);
    Put32(b, 4, indices);
    return b;
}

// ---- fixtures written through the libraries ----

void PngWriteToVector(png_structp png, png_bytep data, png_size_t n)
{
    auto* out = static_cast<Bytes*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + n);
}

// colourType PNG_COLOR_TYPE_RGBA / RGB / PALETTE (palette: 2 entries, entry 1 transparent when trns).
Bytes MakePng(uint32_t w, uint32_t h, int colourType, bool trns = false)
{
    Bytes out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return {};
    }
    png_set_write_fn(png, &out, PngWriteToVector, nullptr);
    png_set_IHDR(png, info, w, h, 8, colourType, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    int channels = colourType == PNG_COLOR_TYPE_RGBA ? 4 : colourType == PNG_COLOR_TYPE_RGB ? 3 : 1;
    if (colourType == PNG_COLOR_TYPE_PALETTE) {
        png_color pal[2] = {{10, 20, 30}, {200, 100, 50}};
        png_set_PLTE(png, info, pal, 2);
        if (trns) {
            png_byte alpha[2] = {255, 0};
            png_set_tRNS(png, info, alpha, 2, nullptr);
        }
    }
    png_write_info(png, info);
    std::vector<uint8_t> row(w * channels);
    for (uint32_t y = 0; y < h; ++y) {
        for (uint32_t x = 0; x < w; ++x) {
            uint8_t* p = &row[x * channels];
            if (channels == 1) {
                p[0] = (uint8_t)((x + y) & 1);
            } else {
                p[0] = (uint8_t)x, p[1] = (uint8_t)y, p[2] = 77;
                if (channels == 4) p[3] = (uint8_t)(x * 16);
            }
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return out;
}

Bytes MakeJpeg(uint32_t w, uint32_t h)
{
    jpeg_compress_struct c;
    jpeg_error_mgr err;
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    unsigned char* buf = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&c, &buf, &size);
    c.image_width = w;
    c.image_height = h;
    c.input_components = 3;
    c.in_color_space = JCS_RGB;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, 95, TRUE);
    jpeg_start_compress(&c, TRUE);
    std::vector<uint8_t> row(w * 3);
    for (uint32_t x = 0; x < w; ++x) row[x * 3] = 200, row[x * 3 + 1] = 120, row[x * 3 + 2] = 40;
    while (c.next_scanline < h) {
        JSAMPROW r = row.data();
        jpeg_write_scanlines(&c, &r, 1);
    }
    jpeg_finish_compress(&c);
    Bytes out(buf, buf + size);
    jpeg_destroy_compress(&c);
    free(buf);
    return out;
}

const uint8_t* Px(const Image& img, uint32_t x, uint32_t y) { return &img.data[((size_t)y * img.width + x) * 4]; }

} // namespace

// The texture table's alpha rule follows the source format.
TEST(Image, DecodesEachFormatWithItsSourceSizeAndFormat)
{
    auto grad = [](int x, int y) { return 0x80000000u | (uint32_t)(x * 40) << 16 | (uint32_t)(y * 40) << 8 | 0x11; };
    Bytes dxt1 = Dxt1Block(0xF800, 0x001F, 0);
    Bytes dxt5(16, 0);
    Bytes argb(4 * 4 * 2, 0x7F);
    Bytes rgb(3 * 4 * 2, 0x7F);
    struct Case {
        const char* name;
        Bytes file;
        uint32_t w, h, source, data;
        bool alpha;
    } cases[] = {
        {"BMP 24-bit", MakeBmp(3, 2, 24, 40, 0, grad), 3, 2, FMT_R8G8B8, FMT_RGBA8, false},
        {"BMP 32-bit, no mask", MakeBmp(3, 2, 32, 40, 0, grad), 3, 2, FMT_X8R8G8B8, FMT_RGBA8, false},
        {"BMP 32-bit, alpha mask", MakeBmp(3, 2, 32, 124, 0xFF000000u, grad), 3, 2, FMT_A8R8G8B8, FMT_RGBA8, true},
        {"BMP 32-bit, fields without alpha", MakeBmp(3, 2, 32, 124, 0, grad), 3, 2, FMT_X8R8G8B8, FMT_RGBA8, false},
        {"PNG RGBA", MakePng(5, 3, PNG_COLOR_TYPE_RGBA), 5, 3, FMT_A8R8G8B8, FMT_RGBA8, true},
        {"PNG RGB", MakePng(5, 3, PNG_COLOR_TYPE_RGB), 5, 3, FMT_R8G8B8, FMT_RGBA8, false},
        {"PNG palette", MakePng(4, 4, PNG_COLOR_TYPE_PALETTE), 4, 4, FMT_R8G8B8, FMT_RGBA8, false},
        {"PNG palette + tRNS", MakePng(4, 4, PNG_COLOR_TYPE_PALETTE, true), 4, 4, FMT_A8R8G8B8, FMT_RGBA8, true},
        {"PNG 640x480", MakePng(640, 480, PNG_COLOR_TYPE_RGB), 640, 480, FMT_R8G8B8, FMT_RGBA8, false},
        {"JPEG", MakeJpeg(17, 9), 17, 9, FMT_R8G8B8, FMT_RGBA8, false},
        {"DDS DXT1", MakeDds(4, 4, "DXT1", 0, 0, dxt1), 4, 4, FMT_DXT1, FMT_DXT1, false},
        {"DDS DXT5", MakeDds(3, 3, "DXT5", 0, 0, dxt5), 3, 3, FMT_DXT5, FMT_DXT5, true},
        {"DDS A8R8G8B8", MakeDds(4, 2, nullptr, 32, 0xFF000000u, argb), 4, 2, FMT_A8R8G8B8, FMT_RGBA8, true},
        {"DDS X8R8G8B8", MakeDds(4, 2, nullptr, 32, 0, argb), 4, 2, FMT_X8R8G8B8, FMT_RGBA8, false},
        {"DDS R8G8B8", MakeDds(4, 2, nullptr, 24, 0, rgb), 4, 2, FMT_R8G8B8, FMT_RGBA8, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Image img;
        ASSERT_TRUE(IMG_Decode(c.file.data(), c.file.size(), &img)) << IMG_LastError();
        EXPECT_EQ(img.width, c.w);
        EXPECT_EQ(img.height, c.h);
        EXPECT_EQ(img.sourceFormat, c.source) << GFX_FormatName(img.sourceFormat);
        EXPECT_EQ(img.dataFormat, c.data);
        EXPECT_EQ(IMG_HasAlpha(img.sourceFormat), c.alpha);
        EXPECT_EQ(img.data.size(), GFX_TextureDataSize(c.data, c.w, c.h));
    }
}

TEST(Image, PixelsComeOutRgbaTopRowFirst)
{
    // BMP stores rows bottom up and channels B, G, R; we hand out R, G, B, A from the top.
    auto pix = [](int x, int y) { return 0x40000000u | (uint32_t)(10 + x) << 16 | (uint32_t)(20 + y) << 8 | 30; };
    Image bmp;
    Bytes f = MakeBmp(3, 2, 24, 40, 0, pix);
    ASSERT_TRUE(IMG_Decode(f.data(), f.size(), &bmp));
    EXPECT_EQ(Px(bmp, 2, 0)[0], 12);
    EXPECT_EQ(Px(bmp, 2, 0)[1], 20);
    EXPECT_EQ(Px(bmp, 2, 0)[2], 30);
    EXPECT_EQ(Px(bmp, 2, 0)[3], 255);           // 24-bit: opaque
    EXPECT_EQ(Px(bmp, 0, 1)[1], 21);

    Image masked;
    f = MakeBmp(3, 2, 32, 124, 0xFF000000u, pix);
    ASSERT_TRUE(IMG_Decode(f.data(), f.size(), &masked));
    EXPECT_EQ(Px(masked, 1, 1)[3], 0x40);
    Image unmasked;
    f = MakeBmp(3, 2, 32, 40, 0, pix);
    ASSERT_TRUE(IMG_Decode(f.data(), f.size(), &unmasked));
    EXPECT_EQ(Px(unmasked, 1, 1)[3], 255);      // the fourth byte is not alpha

    Image png;
    f = MakePng(5, 3, PNG_COLOR_TYPE_RGBA);
    ASSERT_TRUE(IMG_Decode(f.data(), f.size(), &png));
    EXPECT_EQ(Px(png, 4, 2)[0], 4);
    EXPECT_EQ(Px(png, 4, 2)[1], 2);
    EXPECT_EQ(Px(png, 4, 2)[2], 77);
    EXPECT_EQ(Px(png, 4, 2)[3], 64);

    Image pal;
    f = MakePng(4, 4, PNG_COLOR_TYPE_PALETTE, true);
    ASSERT_TRUE(IMG_Decode(f.data(), f.size(), &pal));
    EXPECT_EQ(Px(pal, 0, 0)[3], 255);           // entry 0 opaque
    EXPECT_EQ(Px(pal, 1, 0)[0], 200);           // entry 1 transparent
    EXPECT_EQ(Px(pal, 1, 0)[3], 0);

    Image jpg;
    f = MakeJpeg(17, 9);
    ASSERT_TRUE(IMG_Decode(f.data(), f.size(), &jpg));
    EXPECT_NEAR(Px(jpg, 8, 4)[0], 200, 4);
    EXPECT_NEAR(Px(jpg, 8, 4)[1], 120, 4);
    EXPECT_NEAR(Px(jpg, 8, 4)[2], 40, 4);
    EXPECT_EQ(Px(jpg, 8, 4)[3], 255);
}

TEST(Image, Dxt1BlockDecodesKnownColours)
{
    // c0 red > c1 blue: four colours, index 2 = ⅔ red + ⅓ blue, index 3 = ⅓ red + ⅔ blue.
    uint32_t idx = 0 | 1u << 2 | 2u << 4 | 3u << 6;            // pixels 0..3 use indices 0..3
    Bytes blk = Dxt1Block(0xF800, 0x001F, idx);
    uint8_t px[64];
    IMG_DecodeDXTBlock(FMT_DXT1, blk.data(), px);
    const uint8_t want[4][4] = {{255, 0, 0, 255}, {0, 0, 255, 255}, {170, 0, 85, 255}, {85, 0, 170, 255}};
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        for (int ch = 0; ch < 4; ++ch) EXPECT_EQ(px[i * 4 + ch], want[i][ch]);
    }
    EXPECT_EQ(px[15 * 4 + 0], 255);             // the rest use index 0

    // c0 <= c1: three colours and transparent black at index 3.
    blk = Dxt1Block(0x001F, 0xF800, 2u | 3u << 2);
    IMG_DecodeDXTBlock(FMT_DXT1, blk.data(), px);
    EXPECT_EQ(px[0], 127);                      // index 2: the mean
    EXPECT_EQ(px[2], 127);
    EXPECT_EQ(px[4 + 3], 0);                    // index 3: transparent
    EXPECT_EQ(px[4 + 0], 0);
}

TEST(Image, Dxt3AndDxt5AlphaHalves)
{
    Bytes blk(16, 0);
    blk[0] = 0xF0;                              // DXT3: pixel 0 nibble 0, pixel 1 nibble 15
    Bytes colour = Dxt1Block(0xFFFF, 0xFFFF, 0);
    std::copy(colour.begin(), colour.end(), blk.begin() + 8);
    uint8_t px[64];
    IMG_DecodeDXTBlock(FMT_DXT3, blk.data(), px);
    EXPECT_EQ(px[3], 0);
    EXPECT_EQ(px[7], 255);
    EXPECT_EQ(px[0], 255);

    // DXT5: a0 = 255 > a1 = 0, eight levels; pixel 0 index 2 → (6·255 + 0) / 7.
    std::fill(blk.begin(), blk.begin() + 8, 0);
    blk[0] = 255, blk[1] = 0, blk[2] = 2 | 1 << 3;  // pixel 0 index 2, pixel 1 index 1
    IMG_DecodeDXTBlock(FMT_DXT5, blk.data(), px);
    EXPECT_EQ(px[3], 219);
    EXPECT_EQ(px[7], 0);
    EXPECT_EQ(px[11], 255);                     // index 0
    // a0 <= a1: six levels plus 0 and 255 at indices 6 and 7.
    blk[0] = 0, blk[1] = 100, blk[2] = 6 | 7 << 3;
    IMG_DecodeDXTBlock(FMT_DXT5, blk.data(), px);
    EXPECT_EQ(px[3], 0);
    EXPECT_EQ(px[7], 255);
}

TEST(Image, DxtImagesClipToOddSizes)
{
    // 5 × 5 needs 2 × 2 blocks; the right and bottom blocks are cut.
    Bytes blocks;
    uint16_t colours[4] = {0xF800, 0x07E0, 0x001F, 0xFFFF};
    for (uint16_t c : colours) {
        Bytes b = Dxt1Block(c, 0, 0);
        blocks.insert(blocks.end(), b.begin(), b.end());
    }
    std::vector<uint8_t> rgba(5 * 5 * 4);
    ASSERT_TRUE(IMG_DecodeDXT(FMT_DXT1, blocks.data(), blocks.size(), 5, 5, rgba.data()));
    auto at = [&](int x, int y) { return &rgba[(y * 5 + x) * 4]; };
    EXPECT_EQ(at(3, 3)[0], 255);                // block 0: red
    EXPECT_EQ(at(4, 0)[1], 255);                // block 1: green
    EXPECT_EQ(at(0, 4)[2], 255);                // block 2: blue
    EXPECT_EQ(at(4, 4)[0], 255);                // block 3: white
    EXPECT_EQ(at(4, 4)[1], 255);
    EXPECT_FALSE(IMG_DecodeDXT(FMT_DXT1, blocks.data(), blocks.size() - 1, 5, 5, rgba.data()));
}

// Every prefix of a valid file is refused without reading past it (ASan would catch a read).
TEST(Image, TruncatedFilesAreRefused)
{
    Bytes dxt = MakeDds(8, 8, "DXT1", 0, 0, Bytes(32, 0x55));
    const Bytes files[] = {
        MakeBmp(3, 2, 24, 40, 0, [](int, int) { return 0u; }),
        MakeBmp(3, 2, 32, 124, 0xFF000000u, [](int, int) { return 0u; }),
        MakePng(9, 7, PNG_COLOR_TYPE_RGBA),
        MakeJpeg(16, 16),
        dxt,
        MakeDds(4, 2, nullptr, 32, 0xFF000000u, Bytes(32, 1)),
    };
    for (size_t f = 0; f < std::size(files); ++f) {
        const Bytes& full = files[f];
        Image img;
        ASSERT_TRUE(IMG_Decode(full.data(), full.size(), &img)) << f << ": " << IMG_LastError();
        for (size_t n = 0; n < full.size(); ++n) {
            // Copy into an exact-size buffer so a read past the end is a real overrun.
            Bytes cut(full.begin(), full.begin() + n);
            Image out;
            out.width = 99;
            ASSERT_FALSE(IMG_Decode(cut.data(), cut.size(), &out)) << "file " << f << " cut at " << n;
            EXPECT_EQ(out.width, 0u);
            EXPECT_TRUE(out.data.empty());
        }
    }
}

TEST(Image, LyingHeadersAreRefused)
{
    auto black = [](int, int) { return 0u; };
    struct Case {
        const char* name;
        Bytes file;
    };
    std::vector<Case> cases;
    Bytes b = MakeBmp(4, 4, 24, 40, 0, black);
    Put32(b, 10, (uint32_t)b.size());           // pixels said to start at the end
    cases.push_back({"BMP pixel offset past the data", b});
    b = MakeBmp(4, 4, 24, 40, 0, black);
    Put32(b, 10, 0xFFFFFFF0u);
    cases.push_back({"BMP pixel offset near 4 GiB", b});
    b = MakeBmp(4, 4, 24, 40, 0, black);
    Put32(b, 18, 0x40000000u);
    cases.push_back({"BMP huge width", b});
    b = MakeBmp(4, 4, 24, 40, 0, black);
    Put32(b, 22, 0x80000000u);
    cases.push_back({"BMP height INT_MIN", b});
    b = MakeBmp(4, 4, 24, 40, 0, black);
    Put32(b, 14, 4000);
    cases.push_back({"BMP header larger than the file", b});
    b = MakeBmp(4, 4, 24, 40, 0, black);
    Put16(b, 28, 8);
    cases.push_back({"BMP 8-bit", b});
    b = MakeBmp(2, 2, 32, 124, 0xFF000000u, black);
    Put32(b, 54, 0x00F0F000u);
    cases.push_back({"BMP overlapping masks", b});
    b = MakeDds(8, 8, "DXT1", 0, 0, Bytes(24, 0));   // needs 32 bytes
    cases.push_back({"DDS DXT1 short of blocks", b});
    b = MakeDds(9000, 4, "DXT5", 0, 0, Bytes(64, 0));
    cases.push_back({"DDS wider than the limit", b});
    b = MakeDds(4, 4, "DXT2", 0, 0, Bytes(16, 0));
    cases.push_back({"DDS premultiplied DXT2", b});
    b = MakeDds(4, 4, "DXT1", 0, 0, Bytes(8, 0));
    Put32(b, 4, 100);
    cases.push_back({"DDS bad header size", b});
    b = MakeDds(0, 4, nullptr, 32, 0, Bytes(64, 0));
    cases.push_back({"DDS zero width", b});
    b = MakePng(4, 4, PNG_COLOR_TYPE_RGB);
    Put32(b, 16, 0x10000000u);                  // IHDR width (CRC now wrong as well)
    cases.push_back({"PNG huge width", b});
    b = MakePng(4, 4, PNG_COLOR_TYPE_RGB);
    b[b.size() / 2] ^= 0xFF;
    cases.push_back({"PNG corrupted data", b});
    cases.push_back({"not an image", Bytes{'h', 'e', 'l', 'l', 'o', '!'}});
    cases.push_back({"empty", Bytes{}});

    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Image img;
        EXPECT_FALSE(IMG_Decode(c.file.data(), c.file.size(), &img));
        EXPECT_TRUE(img.data.empty());
        EXPECT_STRNE(IMG_LastError(), "");
    }
    EXPECT_FALSE(IMG_Decode(nullptr, 10, nullptr));
}

TEST(Image, HasAlphaFollowsTheTextureTableRule)
{
    const struct { uint32_t format; bool alpha; } cases[] = {
        {FMT_R8G8B8, false}, {FMT_X8R8G8B8, false}, {FMT_DXT1, false},
        {FMT_A8R8G8B8, true}, {FMT_DXT3, true}, {FMT_DXT5, true}, {FMT_P8, true}, {FMT_L8, true},
    };
    for (const auto& c : cases) EXPECT_EQ(IMG_HasAlpha(c.format), c.alpha) << GFX_FormatName(c.format);
}
