// platform/gfx/image — texture images decoded from bytes in memory.
//
// Stands in for creating a texture from an in-memory image file: PNG (libpng), JPEG (libjpeg),
// BMP (24- and 32-bit, uncompressed or bit fields), DDS (DXT1, DXT3, DXT5 kept compressed;
// uncompressed A8R8G8B8, X8R8G8B8, R8G8B8). Reports the source width, height and format, from
// which the texture table decides "has alpha". Never opens files; every size and offset in the
// data is checked before use; truncated or lying headers are refused.
// Depends on: gfx.h (formats, device for IMG_CreateTexture), libpng, libjpeg.
// Limits: images up to IMG_MAX_SIZE on a side; one mip level (further DDS levels are ignored);
// no interlaced-BMP, RLE-BMP, palette-BMP or cube/volume DDS.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/gfx/gfx.h"

namespace gfx {

constexpr uint32_t IMG_MAX_SIZE = 8192;

struct Image {
    uint32_t width = 0, height = 0;             // the source image's own size in pixels
    uint32_t sourceFormat = FMT_UNKNOWN;        // how the file stored it: FMT_R8G8B8, FMT_A8R8G8B8, …
    uint32_t dataFormat = FMT_UNKNOWN;          // FMT_RGBA8, or FMT_DXT1/3/5 for compressed DDS
    std::vector<uint8_t> data;                  // RGBA8 rows top down, or DXT blocks
};

// Decode any supported file; false (with the reason in IMG_LastError) when the bytes are not a
// supported, well-formed image. *out is left empty on failure.
bool IMG_Decode(const uint8_t* data, size_t size, Image* out);
const char* IMG_LastError();

// Whether a source format carries alpha: false for FMT_R8G8B8, FMT_X8R8G8B8 and FMT_DXT1,
// true for every other format.
bool IMG_HasAlpha(uint32_t sourceFormat);

// Decode one 4×4 DXT block (8 bytes for DXT1, 16 for DXT3/5) into 16 RGBA8 pixels, row by row.
void IMG_DecodeDXTBlock(uint32_t format, const uint8_t* block, uint8_t rgba[64]);
// Decode w × h of DXT blocks into RGBA8 (rgba holds w·h·4 bytes); false if size is too small.
bool IMG_DecodeDXT(uint32_t format, const uint8_t* blocks, size_t size, uint32_t w, uint32_t h,
                   uint8_t* rgba);

// Create a device texture from a decoded image (compressed data stays compressed).
Result IMG_CreateTexture(Device* dev, const Image& img, Texture** out);

} // namespace gfx
