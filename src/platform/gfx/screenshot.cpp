// platform/gfx — screenshots: the back buffer read back and written as a PNG, and the hook the
// os layer calls for a scripted "screenshot NAME" step.
//
// The hook writes <dir>/<NAME>.png, dir being $ZANDOR_SHOT_DIR or the current directory. NAME
// comes from a script file, so it is used in a path only when it is 1–64 characters of
// [A-Za-z0-9_-]: no separators, no dots, nothing that climbs out of the folder.
// Depends on: gfx.h, os.h (the hook), libpng. Limits: one device is hooked at a time; destroying it unhooks it.
#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/gfx/gfx_local.h"
#include "platform/os/os.h"

namespace gfx {
namespace {

void PngWriteError(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void PngWriteWarning(png_structp, png_const_charp) {}

// Rows are prepared before the jump point; nothing with a destructor is created after it.
bool WritePng(FILE* f, const uint8_t* rgba, uint32_t w, uint32_t h, png_bytep* rows)
{
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, PngWriteError, PngWriteWarning);
    if (!png) return false;
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        return false;
    }
    bool ok = false;
    if (setjmp(png_jmpbuf(png)) == 0) {
        png_init_io(png, f);
        png_set_IHDR(png, info, w, h, 8, PNG_COLOR_TYPE_RGBA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                     PNG_FILTER_TYPE_DEFAULT);
        png_write_info(png, info);
        for (uint32_t y = 0; y < h; ++y) rows[y] = const_cast<png_bytep>(rgba + (size_t)y * w * 4);
        png_write_image(png, rows);
        png_write_end(png, nullptr);
        ok = true;
    }
    png_destroy_write_struct(&png, &info);
    return ok;
}

bool ScreenshotHook(const char* name) { return GFX_ScreenshotNamed(name); }

} // namespace

bool GFX_ScreenshotNamed(const char* name)
{
    Device* dev = GFX_ScreenshotDevice();
    if (!dev) return false;
    if (!GFX_ScreenshotNameOk(name)) {
        fprintf(stderr, "screenshot: refused the name \"%s\" (use 1-64 of A-Z a-z 0-9 _ -)\n", name ? name : "");
        return false;
    }
    const char* dir = getenv("ZANDOR_SHOT_DIR");
    std::string path = (dir && *dir) ? std::string(dir) : std::string(".");
    path += "/";
    path += name;
    path += ".png";
    if (!GFX_SaveScreenshot(dev, path.c_str())) {
        fprintf(stderr, "screenshot: could not write %s\n", path.c_str());
        return false;
    }
    return true;
}

bool GFX_ScreenshotNameOk(const char* name)
{
    if (!name) return false;
    size_t n = 0;
    for (; name[n]; ++n) {
        char c = name[n];
        bool ok = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' || c == '-';
        if (!ok || n >= 64) return false;
    }
    return n > 0;
}

bool GFX_SaveScreenshot(Device* dev, const char* path)
{
    if (!dev || !path || !*path) return false;
    std::vector<uint8_t> rgba;
    uint32_t w = 0, h = 0;
    if (dev->ReadBackBuffer(&rgba, &w, &h) != GFX_OK || w == 0 || h == 0) return false;
    std::vector<png_bytep> rows(h);
    FILE* f = fopen(path, "wb");
    if (!f) return false;
    bool ok = WritePng(f, rgba.data(), w, h, rows.data());
    if (fclose(f) != 0) ok = false;
    if (!ok) remove(path);                      // never leave half a file behind
    return ok;
}

void GFX_InstallScreenshotHook(Device* dev)
{
    GFX_ScreenshotDevice() = dev;
    os::OS_SetScreenshotHook(dev ? ScreenshotHook : nullptr);
}

} // namespace gfx
