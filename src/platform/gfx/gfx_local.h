// platform/gfx (local) — what the backends of this layer share and nothing outside it uses:
// the default device state both backends start from and after every Reset, and the factory
// error text.
#pragma once
#include "platform/gfx/gfx.h"

namespace gfx {

// The state a freshly created or reset device has: render states, stage states, transforms
// (identity), no textures, no lights, viewport over the whole back buffer.
void GFX_DefaultState(StateSnapshot* s, uint32_t backBufferW, uint32_t backBufferH);
void GFX_SetLastError(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
void GFX_Identity(float m[16]);
// The state's matrix for TS_WORLD / TS_VIEW / TS_PROJECTION; null for any other value.
float* GFX_StateMatrix(StateSnapshot& s, uint32_t which);
// The device screenshots are taken from; GFX_DestroyDevice forgets it when it goes away.
Device*& GFX_ScreenshotDevice();

} // namespace gfx
