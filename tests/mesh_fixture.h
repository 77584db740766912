// A small mesh-image writer for tests: triangles over their own corners, one part with one
// texture, optionally the same triangles as the pick mesh.
#pragma once
#include <array>
#include <cstdio>
#include <cstring>
#include <vector>

#include "core/math.h"
#include "data/mesh_format.h"

using TEST_Tri = std::array<Vec3, 3>;

template <class T>
uint32_t TEST_MeshPut(std::vector<uint8_t>& img, const T* items, size_t count)
{
    while (img.size() % 4) img.push_back(0);
    uint32_t at = (uint32_t)img.size();
    img.resize(img.size() + sizeof(T) * count);
    if (count) memcpy(img.data() + at, items, sizeof(T) * count);
    return at;
}

inline std::vector<uint8_t> TEST_MeshImage(const std::vector<TEST_Tri>& tris, const char* texture, bool pick)
{
    std::vector<uint8_t> img(sizeof(MeshHeader), 0);
    MeshHeader h{};
    memcpy(h.magic, MESHF_Magic, 3);
    h.version = MESHF_Version;
    std::vector<MeshVertex> v;
    std::vector<uint16_t> idx;
    std::vector<MeshPoint> pts;
    std::vector<MeshPickTriangle> pt;
    for (const TEST_Tri& t : tris) {
        MeshPickTriangle p{};
        for (int k = 0; k < 3; k++) {
            idx.push_back((uint16_t)v.size());
            p.index[k] = (uint16_t)pts.size();
            v.push_back(MeshVertex{t[k].x, t[k].y, t[k].z, 0, 0, 1, 0xFF808080u, 0, 0});
            pts.push_back(MeshPoint{t[k].x, t[k].y, t[k].z});
        }
        pt.push_back(p);
    }
    h.vertexCount = (uint32_t)v.size();
    h.vertexOfs = TEST_MeshPut(img, v.data(), v.size());
    h.indexCount = (uint32_t)idx.size();
    h.indexOfs = TEST_MeshPut(img, idx.data(), idx.size());
    MeshPart part{0, (uint32_t)tris.size(), 0, h.vertexCount, 0, h.indexCount};
    h.partCount = 1;
    h.partOfs = TEST_MeshPut(img, &part, 1);
    snprintf(h.textures[0], MESHF_NameSize, "%s", texture);
    if (pick) {
        MeshPickHeader ph{};
        h.pickOfs = TEST_MeshPut(img, &ph, 1);
        ph.pointCount = (uint32_t)pts.size();
        ph.pointOfs = TEST_MeshPut(img, pts.data(), pts.size()) - h.pickOfs;
        ph.triangleCount = (uint32_t)pt.size();
        ph.triangleOfs = TEST_MeshPut(img, pt.data(), pt.size()) - h.pickOfs;
        memcpy(img.data() + h.pickOfs, &ph, sizeof ph);
    }
    memcpy(img.data(), &h, sizeof h);
    return img;
}
