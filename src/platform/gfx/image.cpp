// platform/gfx/image — PNG, JPEG, BMP and DDS decoders over bytes in memory, and the DXT block
// decoder the GL device falls back on when the driver has no S3TC.
//
// Each decoder checks the header fields it relies on (sizes, offsets, bit depths, masks) against
// the byte count before reading pixels and refuses anything it does not fully understand.
// libpng and libjpeg report errors through longjmp back into the decoder that called them; no
// C++ object with a destructor lives in the frames such a jump crosses.
// Depends on: gfx.h, libpng, libjpeg. Limits: see image.h.
#include "platform/gfx/image.h"

#include <csetjmp>
#include <cstdio>
#include <cstring>

#include <png.h>
#include <jpeglib.h>
#include <jerror.h>

namespace gfx {
namespace {

char s_error[256] = "";

bool Fail(const char* why)
{
    snprintf(s_error, sizeof s_error, "%s", why);
    return false;
}

uint16_t Rd16(const uint8_t* p) { return (uint16_t)(p[0] | (p[1] << 8)); }
uint32_t Rd32(const uint8_t* p) { return (uint32_t)p[0] | ((uint32_t)p[1] << 8) | ((uint32_t)p[2] << 16) | ((uint32_t)p[3] << 24); }

bool SizeOk(uint64_t w, uint64_t h) { return w >= 1 && h >= 1 && w <= IMG_MAX_SIZE && h <= IMG_MAX_SIZE; }

// ---------------------------------------------------------------- PNG

struct PngSource {
    const uint8_t* data;
    size_t size;
    size_t pos;
    char message[160];
};

void PngRead(png_structp png, png_bytep out, png_size_t n)
{
    auto* src = static_cast<PngSource*>(png_get_io_ptr(png));
    if (n > src->size - src->pos) png_error(png, "truncated PNG data");
    memcpy(out, src->data + src->pos, n);
    src->pos += n;
}

void PngError(png_structp png, png_const_charp msg)
{
    auto* src = static_cast<PngSource*>(png_get_error_ptr(png));
    snprintf(src->message, sizeof src->message, "PNG: %s", msg ? msg : "error");
    png_longjmp(png, 1);
}

void PngWarning(png_structp, png_const_charp) {}

// The part that may be jumped out of. Pixels go into out->data, sized before any row is read.
bool PngDecodeInner(png_structp png, png_infop info, Image* out, png_bytep* rows)
{
    png_read_info(png, info);
    png_uint_32 w = 0, h = 0;
    int depth = 0, colour = 0, interlace = 0;
    png_get_IHDR(png, info, &w, &h, &depth, &colour, &interlace, nullptr, nullptr);
    if (!SizeOk(w, h)) return Fail("PNG: size out of range");
    bool alpha = (colour & PNG_COLOR_MASK_ALPHA) || png_get_valid(png, info, PNG_INFO_tRNS);

    png_set_expand(png);                        // palette → RGB, small greys → 8 bits, tRNS → alpha
    png_set_strip_16(png);
    png_set_gray_to_rgb(png);
    if (!alpha) png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    if (png_get_rowbytes(png, info) != (size_t)w * 4) return Fail("PNG: unexpected row layout");

    out->width = w;
    out->height = h;
    out->sourceFormat = alpha ? FMT_A8R8G8B8 : FMT_R8G8B8;
    out->dataFormat = FMT_RGBA8;
    out->data.resize((size_t)w * h * 4);
    for (png_uint_32 y = 0; y < h; ++y) rows[y] = out->data.data() + (size_t)y * w * 4;
    png_read_image(png, rows);
    png_read_end(png, nullptr);
    return true;
}

bool DecodePng(const uint8_t* data, size_t size, Image* out)
{
    PngSource src{data, size, 0, ""};
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &src, PngError, PngWarning);
    if (!png) return Fail("PNG: out of memory");
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        return Fail("PNG: out of memory");
    }
    png_set_user_limits(png, IMG_MAX_SIZE, IMG_MAX_SIZE);
    png_set_read_fn(png, &src, PngRead);
    // Row pointers live outside the jump so they can be freed after an error.
    png_bytep* rows = static_cast<png_bytep*>(calloc(IMG_MAX_SIZE, sizeof(png_bytep)));
    if (!rows) {
        png_destroy_read_struct(&png, &info, nullptr);
        return Fail("PNG: out of memory");
    }
    bool ok = false;
    if (setjmp(png_jmpbuf(png)) == 0) {
        ok = PngDecodeInner(png, info, out, rows);
    } else {
        Fail(src.message[0] ? src.message : "PNG: error");
        ok = false;
    }
    free(rows);
    png_destroy_read_struct(&png, &info, nullptr);
    return ok;
}

// ---------------------------------------------------------------- JPEG

struct JpegError {
    jpeg_error_mgr mgr;
    jmp_buf jump;
    char message[JMSG_LENGTH_MAX + 8];
};

void JpegErrorExit(j_common_ptr cinfo)
{
    auto* err = reinterpret_cast<JpegError*>(cinfo->err);
    char text[JMSG_LENGTH_MAX] = "";
    (*cinfo->err->format_message)(cinfo, text);
    snprintf(err->message, sizeof err->message, "JPEG: %s", text);
    longjmp(err->jump, 1);
}

// Warnings are quiet, except that a file ending early is refused rather than padded.
void JpegEmit(j_common_ptr cinfo, int level)
{
    if (level < 0 && cinfo->err->msg_code == JWRN_JPEG_EOF) JpegErrorExit(cinfo);
}

// Memory source: the whole file is one buffer; asking for more means the data was truncated.
void JpegInitSource(j_decompress_ptr) {}
boolean JpegFill(j_decompress_ptr cinfo)
{
    WARNMS(cinfo, JWRN_JPEG_EOF);               // refused by JpegEmit
    return FALSE;
}
void JpegSkip(j_decompress_ptr cinfo, long n)
{
    jpeg_source_mgr* s = cinfo->src;
    if (n <= 0) return;
    if ((size_t)n > s->bytes_in_buffer) {
        s->next_input_byte += s->bytes_in_buffer;
        s->bytes_in_buffer = 0;
        JpegFill(cinfo);
        return;
    }
    s->next_input_byte += n;
    s->bytes_in_buffer -= (size_t)n;
}
void JpegTerm(j_decompress_ptr) {}

bool JpegDecodeInner(jpeg_decompress_struct* cinfo, Image* out)
{
    if (jpeg_read_header(cinfo, TRUE) != JPEG_HEADER_OK) return Fail("JPEG: no image");
    if (!SizeOk(cinfo->image_width, cinfo->image_height)) return Fail("JPEG: size out of range");
    if (cinfo->num_components != 1 && cinfo->num_components != 3) return Fail("JPEG: unsupported colour space");
    cinfo->out_color_space = JCS_RGB;
    jpeg_start_decompress(cinfo);
    uint32_t w = cinfo->output_width, h = cinfo->output_height;
    if (cinfo->output_components != 3 || !SizeOk(w, h)) return Fail("JPEG: unexpected output");
    out->width = w;
    out->height = h;
    out->sourceFormat = FMT_R8G8B8;
    out->dataFormat = FMT_RGBA8;
    out->data.resize((size_t)w * h * 4);
    // Each row is decoded into the tail of its RGBA row, then spread out from the left so the
    // writes never overtake the reads.
    while (cinfo->output_scanline < h) {
        uint8_t* row = out->data.data() + (size_t)cinfo->output_scanline * w * 4;
        uint8_t* rgb = row + (size_t)w;
        JSAMPROW rp = rgb;
        if (jpeg_read_scanlines(cinfo, &rp, 1) != 1) return Fail("JPEG: truncated");
        for (uint32_t x = 0; x < w; ++x) {
            uint8_t r = rgb[x * 3], g = rgb[x * 3 + 1], b = rgb[x * 3 + 2];
            row[x * 4] = r;
            row[x * 4 + 1] = g;
            row[x * 4 + 2] = b;
            row[x * 4 + 3] = 255;
        }
    }
    jpeg_finish_decompress(cinfo);
    return true;
}

bool DecodeJpeg(const uint8_t* data, size_t size, Image* out)
{
    jpeg_decompress_struct cinfo;
    JpegError err;
    memset(&cinfo, 0, sizeof cinfo);
    err.message[0] = 0;
    cinfo.err = jpeg_std_error(&err.mgr);
    err.mgr.error_exit = JpegErrorExit;
    err.mgr.emit_message = JpegEmit;
    jpeg_source_mgr src;
    memset(&src, 0, sizeof src);
    src.next_input_byte = data;
    src.bytes_in_buffer = size;
    src.init_source = JpegInitSource;
    src.fill_input_buffer = JpegFill;
    src.skip_input_data = JpegSkip;
    src.resync_to_restart = jpeg_resync_to_restart;
    src.term_source = JpegTerm;
    bool ok = false;
    if (setjmp(err.jump) == 0) {
        jpeg_create_decompress(&cinfo);
        cinfo.src = &src;
        // Refuse images whose decoding would need absurd amounts of memory.
        cinfo.mem->max_memory_to_use = 512L << 20;
        ok = JpegDecodeInner(&cinfo, out);
    } else {
        Fail(err.message[0] ? err.message : "JPEG: error");
        ok = false;
    }
    jpeg_destroy_decompress(&cinfo);
    return ok;
}

// ---------------------------------------------------------------- BMP

// A channel mask: where it sits and how wide it is (contiguous, at most 8 bits wide is not
// required: wider fields are scaled down).
struct Channel {
    uint32_t mask = 0, shift = 0, max = 0;
};

bool MakeChannel(uint32_t mask, Channel* c)
{
    *c = Channel();
    if (mask == 0) return true;
    uint32_t shift = 0;
    while (!((mask >> shift) & 1)) ++shift;
    uint32_t bits = mask >> shift;
    if (bits & (bits + 1)) return false;        // not contiguous
    c->mask = mask;
    c->shift = shift;
    c->max = bits;
    return true;
}

uint8_t Extract(uint32_t px, const Channel& c)
{
    if (!c.mask) return 0;
    uint64_t v = (px & c.mask) >> c.shift;
    return (uint8_t)((v * 255 + c.max / 2) / c.max);
}

bool DecodeBmp(const uint8_t* d, size_t size, Image* out)
{
    if (size < 14 + 12) return Fail("BMP: truncated header");
    uint32_t pixelOffset = Rd32(d + 10);
    uint32_t hdr = Rd32(d + 14);
    if (hdr != 12 && hdr != 40 && hdr != 52 && hdr != 56 && hdr != 108 && hdr != 124)
        return Fail("BMP: unknown header");
    if (size < 14 + (size_t)hdr) return Fail("BMP: truncated header");
    int64_t w, h;
    uint32_t bpp, compression = 0;
    const uint8_t* ih = d + 14;
    if (hdr == 12) {
        w = Rd16(ih + 4);
        h = (int16_t)Rd16(ih + 6);
        if (Rd16(ih + 8) != 1) return Fail("BMP: bad planes");
        bpp = Rd16(ih + 10);
    } else {
        w = (int32_t)Rd32(ih + 4);
        h = (int32_t)Rd32(ih + 8);
        if (Rd16(ih + 12) != 1) return Fail("BMP: bad planes");
        bpp = Rd16(ih + 14);
        compression = Rd32(ih + 16);
    }
    bool topDown = h < 0;
    if (topDown) h = -h;
    if (!SizeOk((uint64_t)(w < 0 ? 0 : w), (uint64_t)h)) return Fail("BMP: size out of range");
    if (bpp != 24 && bpp != 32) return Fail("BMP: only 24- and 32-bit images");

    Channel r, g, b, a;
    MakeChannel(0x00FF0000u, &r);
    MakeChannel(0x0000FF00u, &g);
    MakeChannel(0x000000FFu, &b);
    bool alphaMask = false;
    size_t headerEnd = 14 + (size_t)hdr;
    if (compression == 3 || compression == 6) {        // bit fields (6: with an alpha field)
        if (bpp != 32) return Fail("BMP: bit fields need 32 bits");
        uint32_t rm, gm, bm, am = 0;
        if (hdr >= 52) {
            rm = Rd32(ih + 40), gm = Rd32(ih + 44), bm = Rd32(ih + 48);
            if (hdr >= 56) am = Rd32(ih + 52);
        } else {
            size_t masks = compression == 6 ? 16 : 12;
            if (size < headerEnd + masks) return Fail("BMP: truncated masks");
            rm = Rd32(d + headerEnd), gm = Rd32(d + headerEnd + 4), bm = Rd32(d + headerEnd + 8);
            if (compression == 6) am = Rd32(d + headerEnd + 12);
            headerEnd += masks;
        }
        if (!rm || !gm || !bm || (rm & gm) || (rm & bm) || (gm & bm) || (am & (rm | gm | bm)) ||
            !MakeChannel(rm, &r) || !MakeChannel(gm, &g) || !MakeChannel(bm, &b) || !MakeChannel(am, &a))
            return Fail("BMP: bad channel masks");
        alphaMask = am != 0;
    } else if (compression == 0) {
        // A 32-bit file without masks keeps its fourth byte unused, unless a V4/V5 header names an
        // alpha mask.
        if (bpp == 32 && hdr >= 56 && Rd32(ih + 52) != 0) {
            if (!MakeChannel(Rd32(ih + 52), &a) || (a.mask & 0x00FFFFFFu)) return Fail("BMP: bad alpha mask");
            alphaMask = true;
        }
    } else {
        return Fail("BMP: compressed images are not supported");
    }

    uint64_t stride = (((uint64_t)w * bpp + 31) / 32) * 4;
    if (pixelOffset < headerEnd || pixelOffset > size || stride * (uint64_t)h > size - pixelOffset)
        return Fail("BMP: pixel data outside the file");

    uint32_t W = (uint32_t)w, H = (uint32_t)h;
    out->width = W;
    out->height = H;
    out->sourceFormat = bpp == 24 ? FMT_R8G8B8 : (alphaMask ? FMT_A8R8G8B8 : FMT_X8R8G8B8);
    out->dataFormat = FMT_RGBA8;
    out->data.resize((size_t)W * H * 4);
    for (uint32_t y = 0; y < H; ++y) {
        const uint8_t* src = d + pixelOffset + stride * (topDown ? y : H - 1 - y);
        uint8_t* dst = out->data.data() + (size_t)y * W * 4;
        for (uint32_t x = 0; x < W; ++x, dst += 4) {
            if (bpp == 24) {
                dst[0] = src[x * 3 + 2];
                dst[1] = src[x * 3 + 1];
                dst[2] = src[x * 3];
                dst[3] = 255;
            } else {
                uint32_t px = Rd32(src + x * 4);
                dst[0] = Extract(px, r);
                dst[1] = Extract(px, g);
                dst[2] = Extract(px, b);
                dst[3] = alphaMask ? Extract(px, a) : 255;
            }
        }
    }
    return true;
}

// ---------------------------------------------------------------- DDS

constexpr uint32_t DDPF_ALPHAPIXELS = 0x1, DDPF_FOURCC = 0x4, DDPF_RGB = 0x40;
constexpr uint32_t DDSCAPS2_CUBEMAP = 0x200, DDSCAPS2_VOLUME = 0x200000;

uint32_t FourCC(const char* s) { return (uint32_t)s[0] | ((uint32_t)s[1] << 8) | ((uint32_t)s[2] << 16) | ((uint32_t)s[3] << 24); }

bool DecodeDds(const uint8_t* d, size_t size, Image* out)
{
    if (size < 128) return Fail("DDS: truncated header");
    if (Rd32(d + 4) != 124 || Rd32(d + 76) != 32) return Fail("DDS: bad header size");
    uint32_t h = Rd32(d + 12), w = Rd32(d + 16);
    if (!SizeOk(w, h)) return Fail("DDS: size out of range");
    if (Rd32(d + 112) & (DDSCAPS2_CUBEMAP | DDSCAPS2_VOLUME)) return Fail("DDS: cube and volume maps are not supported");
    uint32_t pfFlags = Rd32(d + 80), fourcc = Rd32(d + 84);
    const uint8_t* px = d + 128;
    size_t avail = size - 128;

    if (pfFlags & DDPF_FOURCC) {
        uint32_t fmt;
        if (fourcc == FourCC("DXT1")) fmt = FMT_DXT1;
        else if (fourcc == FourCC("DXT3")) fmt = FMT_DXT3;
        else if (fourcc == FourCC("DXT5")) fmt = FMT_DXT5;
        else return Fail("DDS: unsupported compression");
        size_t need = GFX_TextureDataSize(fmt, w, h);
        if (need == 0 || avail < need) return Fail("DDS: truncated pixel data");
        out->width = w;
        out->height = h;
        out->sourceFormat = fmt;
        out->dataFormat = fmt;
        out->data.assign(px, px + need);
        return true;
    }
    if (!(pfFlags & DDPF_RGB)) return Fail("DDS: unsupported pixel format");
    uint32_t bits = Rd32(d + 88), rm = Rd32(d + 92), gm = Rd32(d + 96), bm = Rd32(d + 100), am = Rd32(d + 104);
    if (rm != 0x00FF0000u || gm != 0x0000FF00u || bm != 0x000000FFu) return Fail("DDS: unsupported channel layout");
    uint32_t fmt;
    if (bits == 32) fmt = ((pfFlags & DDPF_ALPHAPIXELS) && am == 0xFF000000u) ? FMT_A8R8G8B8 : FMT_X8R8G8B8;
    else if (bits == 24) fmt = FMT_R8G8B8;
    else return Fail("DDS: unsupported bit count");
    uint32_t bpp = bits / 8;
    uint64_t need = (uint64_t)w * h * bpp;
    if (avail < need) return Fail("DDS: truncated pixel data");
    out->width = w;
    out->height = h;
    out->sourceFormat = fmt;
    out->dataFormat = FMT_RGBA8;
    out->data.resize((size_t)w * h * 4);
    uint8_t* dst = out->data.data();
    for (size_t i = 0; i < (size_t)w * h; ++i, px += bpp, dst += 4) {
        dst[0] = px[2];
        dst[1] = px[1];
        dst[2] = px[0];
        dst[3] = fmt == FMT_A8R8G8B8 ? px[3] : 255;
    }
    return true;
}

// ---------------------------------------------------------------- DXT

void Rgb565(uint16_t v, uint8_t* c)
{
    uint8_t r = (v >> 11) & 31, g = (v >> 5) & 63, b = v & 31;
    c[0] = (uint8_t)((r << 3) | (r >> 2));
    c[1] = (uint8_t)((g << 2) | (g >> 4));
    c[2] = (uint8_t)((b << 3) | (b >> 2));
    c[3] = 255;
}

// The colour half of every DXT block. DXT1 blocks with c0 <= c1 have three colours and a
// transparent black; DXT3/5 colour halves always use four colours.
void DecodeColourBlock(const uint8_t* blk, bool dxt1, uint8_t rgba[64])
{
    uint16_t c0 = Rd16(blk), c1 = Rd16(blk + 2);
    uint8_t pal[4][4];
    Rgb565(c0, pal[0]);
    Rgb565(c1, pal[1]);
    if (c0 > c1 || !dxt1) {
        for (int i = 0; i < 3; ++i) {
            pal[2][i] = (uint8_t)((2 * pal[0][i] + pal[1][i] + 1) / 3);
            pal[3][i] = (uint8_t)((pal[0][i] + 2 * pal[1][i] + 1) / 3);
        }
        pal[2][3] = pal[3][3] = 255;
    } else {
        for (int i = 0; i < 3; ++i) pal[2][i] = (uint8_t)((pal[0][i] + pal[1][i]) / 2);
        pal[2][3] = 255;
        pal[3][0] = pal[3][1] = pal[3][2] = pal[3][3] = 0;
    }
    uint32_t idx = Rd32(blk + 4);
    for (int p = 0; p < 16; ++p) memcpy(rgba + p * 4, pal[(idx >> (2 * p)) & 3], 4);
}

} // namespace

void IMG_DecodeDXTBlock(uint32_t format, const uint8_t* block, uint8_t rgba[64])
{
    if (format == FMT_DXT1) {
        DecodeColourBlock(block, true, rgba);
        return;
    }
    DecodeColourBlock(block + 8, false, rgba);
    if (format == FMT_DXT3) {
        for (int p = 0; p < 16; ++p) {
            uint8_t nib = (block[p / 2] >> ((p & 1) * 4)) & 15;
            rgba[p * 4 + 3] = (uint8_t)(nib * 17);
        }
        return;
    }
    uint8_t a0 = block[0], a1 = block[1], al[8];
    al[0] = a0;
    al[1] = a1;
    if (a0 > a1) {
        for (int i = 1; i < 7; ++i) al[i + 1] = (uint8_t)(((7 - i) * a0 + i * a1 + 3) / 7);
    } else {
        for (int i = 1; i < 5; ++i) al[i + 1] = (uint8_t)(((5 - i) * a0 + i * a1 + 2) / 5);
        al[6] = 0;
        al[7] = 255;
    }
    uint64_t bits = 0;
    for (int i = 0; i < 6; ++i) bits |= (uint64_t)block[2 + i] << (8 * i);
    for (int p = 0; p < 16; ++p) rgba[p * 4 + 3] = al[(bits >> (3 * p)) & 7];
}

bool IMG_DecodeDXT(uint32_t format, const uint8_t* blocks, size_t size, uint32_t w, uint32_t h, uint8_t* rgba)
{
    size_t need = GFX_TextureDataSize(format, w, h);
    if (need == 0 || !blocks || !rgba || size < need || format == FMT_RGBA8) return false;
    size_t blockBytes = format == FMT_DXT1 ? 8 : 16;
    uint32_t bw = (w + 3) / 4, bh = (h + 3) / 4;
    uint8_t px[64];
    for (uint32_t by = 0; by < bh; ++by) {
        for (uint32_t bx = 0; bx < bw; ++bx) {
            IMG_DecodeDXTBlock(format, blocks + ((size_t)by * bw + bx) * blockBytes, px);
            for (uint32_t y = 0; y < 4 && by * 4 + y < h; ++y) {
                uint32_t n = w - bx * 4 < 4 ? w - bx * 4 : 4;
                memcpy(rgba + (((size_t)(by * 4 + y) * w) + bx * 4) * 4, px + y * 16, n * 4);
            }
        }
    }
    return true;
}

bool IMG_Decode(const uint8_t* data, size_t size, Image* out)
{
    if (!out) return Fail("no output");
    *out = Image();
    if (!data || size < 4) return Fail("not an image");
    bool ok;
    static const uint8_t pngSig[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (size >= 8 && memcmp(data, pngSig, 8) == 0) ok = DecodePng(data, size, out);
    else if (data[0] == 0xFF && data[1] == 0xD8 && data[2] == 0xFF) ok = DecodeJpeg(data, size, out);
    else if (data[0] == 'B' && data[1] == 'M') ok = DecodeBmp(data, size, out);
    else if (memcmp(data, "DDS ", 4) == 0) ok = DecodeDds(data, size, out);
    else ok = Fail("unknown image format");
    if (!ok) *out = Image();
    else s_error[0] = 0;
    return ok;
}

const char* IMG_LastError() { return s_error; }

bool IMG_HasAlpha(uint32_t sourceFormat)
{
    return sourceFormat != FMT_R8G8B8 && sourceFormat != FMT_X8R8G8B8 && sourceFormat != FMT_DXT1;
}

Result IMG_CreateTexture(Device* dev, const Image& img, Texture** out)
{
    if (out) *out = nullptr;
    if (!dev || !out || img.data.empty()) return GFX_INVALIDCALL;
    return dev->CreateTexture(img.width, img.height, img.dataFormat, img.data.data(), img.data.size(), out);
}

} // namespace gfx
