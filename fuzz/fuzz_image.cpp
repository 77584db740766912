// Fuzz target for the image decoders (PNG, JPEG, BMP, DDS): any bytes must either decode into
// an image whose pixel data matches its stated size and format, or be refused; never crash,
// hang or read outside the input. Compressed results are also run through the DXT decoder.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "platform/gfx/image.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    gfx::Image img;
    if (!gfx::IMG_Decode(data, size, &img)) {
        if (!img.data.empty() || img.width || img.height) abort();
        return 0;
    }
    if (img.width == 0 || img.height == 0 || img.width > gfx::IMG_MAX_SIZE || img.height > gfx::IMG_MAX_SIZE) abort();
    if (img.data.size() != gfx::GFX_TextureDataSize(img.dataFormat, img.width, img.height)) abort();
    if (img.dataFormat != gfx::FMT_RGBA8 && (size_t)img.width * img.height <= (1u << 20)) {
        std::vector<uint8_t> rgba((size_t)img.width * img.height * 4);
        if (!gfx::IMG_DecodeDXT(img.dataFormat, img.data.data(), img.data.size(), img.width, img.height, rgba.data()))
            abort();
    }
    (void)gfx::IMG_HasAlpha(img.sourceFormat);
    return 0;
}
