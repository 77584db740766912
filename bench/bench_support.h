// Shared pieces of the benchmarks: a fresh render start, a graphics device that accepts
// everything and keeps nothing (what the engine itself costs, without a device's own work), and
// a 24-vertex box mesh image with one texture, the cost of a block mesh in the render queue.
#pragma once
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "core/mem.h"
#include "data/mesh_format.h"
#include "platform/gfx/gfx.h"
#include "render/device.h"
#include "render/draw.h"
#include "render/material.h"
#include "render/mesh.h"
#include "render/texture.h"

namespace bench {

class NullVb final : public gfx::VertexBuffer {
public:
    explicit NullVb(uint32_t n) : bytes(n) {}
    gfx::Result Lock(uint32_t, uint32_t, void** data, uint32_t) override { *data = bytes.data(); return gfx::GFX_OK; }
    gfx::Result Unlock() override { return gfx::GFX_OK; }
    uint32_t Size() const override { return (uint32_t)bytes.size(); }
    void Release() override { delete this; }
    std::vector<uint8_t> bytes;
};
class NullIb final : public gfx::IndexBuffer {
public:
    explicit NullIb(uint32_t n) : bytes(n) {}
    gfx::Result Lock(uint32_t, uint32_t, void** data, uint32_t) override { *data = bytes.data(); return gfx::GFX_OK; }
    gfx::Result Unlock() override { return gfx::GFX_OK; }
    uint32_t Size() const override { return (uint32_t)bytes.size(); }
    void Release() override { delete this; }
    std::vector<uint8_t> bytes;
};

class NullDevice final : public gfx::Device {
public:
    using R = gfx::Result;
    R TestCooperativeLevel() override { return gfx::GFX_OK; }
    R Reset(const gfx::PresentParams&) override { return gfx::GFX_OK; }
    R GetCaps(gfx::Caps*) override { return gfx::GFX_OK; }
    R GetAdapterInfo(gfx::AdapterInfo*) override { return gfx::GFX_OK; }
    R GetDesktopMode(gfx::DisplayMode*) override { return gfx::GFX_OK; }
    R SetViewport(const gfx::Viewport&) override { return gfx::GFX_OK; }
    R GetViewport(gfx::Viewport*) override { return gfx::GFX_OK; }
    R Clear(uint32_t, uint32_t, float, uint32_t) override { return gfx::GFX_OK; }
    R BeginScene() override { return gfx::GFX_OK; }
    R EndScene() override { return gfx::GFX_OK; }
    R Present() override { return gfx::GFX_OK; }
    R SetTransform(uint32_t, const float m[16]) override { benchmark::DoNotOptimize(m[0]); return gfx::GFX_OK; }
    R GetTransform(uint32_t, float*) override { return gfx::GFX_OK; }
    R SetRenderState(uint32_t, uint32_t) override { return gfx::GFX_OK; }
    R GetRenderState(uint32_t, uint32_t*) override { return gfx::GFX_OK; }
    R SetTextureStageState(uint32_t, uint32_t, uint32_t) override { return gfx::GFX_OK; }
    R GetTextureStageState(uint32_t, uint32_t, uint32_t*) override { return gfx::GFX_OK; }
    R SetTexture(uint32_t, gfx::Texture*) override { return gfx::GFX_OK; }
    gfx::Texture* GetTexture(uint32_t) override { return nullptr; }
    R SetVertexFormat(uint32_t) override { return gfx::GFX_OK; }
    uint32_t GetVertexFormat() override { return 0; }
    R SetLight(uint32_t, const gfx::Light&) override { return gfx::GFX_OK; }
    R GetLight(uint32_t, gfx::Light*) override { return gfx::GFX_OK; }
    R LightEnable(uint32_t, bool) override { return gfx::GFX_OK; }
    R GetLightEnable(uint32_t, bool*) override { return gfx::GFX_OK; }
    R CreateTexture(uint32_t, uint32_t, uint32_t, const void*, size_t, gfx::Texture**) override { return gfx::GFX_FAIL; }
    R CreateVertexBuffer(uint32_t bytes, uint32_t, uint32_t, gfx::VertexBuffer** out) override
    {
        *out = new NullVb(bytes);
        return gfx::GFX_OK;
    }
    R CreateIndexBuffer(uint32_t bytes, uint32_t, uint32_t, gfx::IndexBuffer** out) override
    {
        *out = new NullIb(bytes);
        return gfx::GFX_OK;
    }
    R SetStreamSource(uint32_t, gfx::VertexBuffer*, uint32_t) override { return gfx::GFX_OK; }
    R SetIndices(gfx::IndexBuffer*, uint32_t) override { return gfx::GFX_OK; }
    R DrawPrimitive(uint32_t, uint32_t, uint32_t) override { return gfx::GFX_OK; }
    R DrawIndexedPrimitive(uint32_t, uint32_t, uint32_t, uint32_t, uint32_t prims) override
    {
        benchmark::DoNotOptimize(prims);
        return gfx::GFX_OK;
    }
    R DrawPrimitiveUP(uint32_t, uint32_t, const void* data, uint32_t) override
    {
        benchmark::DoNotOptimize(data);
        return gfx::GFX_OK;
    }
    R ReadBackBuffer(std::vector<uint8_t>*, uint32_t*, uint32_t*) override { return gfx::GFX_FAIL; }
};

// The render side as a fresh start-up leaves it, drawing on dev.
inline void StartRender(gfx::Device* dev)
{
    DEV_Device = dev;
    DRW_InvalidateCache();
    TEX_ResetForTests();
    MESH_ResetForTests();
    MTL_ResetForTests();
    MEM_F_Init();
}

// A box of six quads, textured with one named texture.
inline std::vector<uint8_t> BoxImage(const char* texture)
{
    std::vector<MeshVertex> v;
    std::vector<uint16_t> idx;
    for (int face = 0; face < 6; face++) {
        uint16_t b = (uint16_t)v.size();
        for (int k = 0; k < 4; k++)
            v.push_back(MeshVertex{(float)(k & 1), (float)(k >> 1), (float)face, 0, 0, 1, 0xFF808080u, 0, 0});
        for (uint16_t i : {0, 1, 2, 2, 1, 3}) idx.push_back((uint16_t)(b + i));
    }
    MeshHeader h{};
    std::memcpy(h.magic, MESHF_Magic, 3);
    h.version = MESHF_Version;
    h.vertexOfs = sizeof h;
    h.vertexCount = (uint32_t)v.size();
    h.indexOfs = h.vertexOfs + (uint32_t)(v.size() * sizeof(MeshVertex));
    h.indexCount = (uint32_t)idx.size();
    h.partOfs = h.indexOfs + (uint32_t)(idx.size() * 2);
    h.partCount = 1;
    std::snprintf(h.textures[0], MESHF_NameSize, "%s", texture);
    MeshPart part{0, 12, 0, 24, 0, 36};
    std::vector<uint8_t> img(h.partOfs + sizeof part);
    std::memcpy(img.data(), &h, sizeof h);
    std::memcpy(img.data() + h.vertexOfs, v.data(), v.size() * sizeof(MeshVertex));
    std::memcpy(img.data() + h.indexOfs, idx.data(), idx.size() * 2);
    std::memcpy(img.data() + h.partOfs, &part, sizeof part);
    return img;
}

} // namespace bench
