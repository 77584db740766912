// meshgen — writes every model of the game as a binary mesh image (version 8).
//
// Usage: meshgen OUTDIR [CID...]. Writes one file per model into OUTDIR, named by its content ID
// with no extension (all models when no CID is given). Before a model is written it is checked:
// the image must pass the game's own validation (data/mesh_format.h), its triangles must be
// wound the way their normals point, a model the cursor may pick must carry a pick mesh and
// every other model none, and the pick mesh must answer the game's cursor test the way the game
// expects: seen from the play camera at any angle round the board, the cursor on the block's
// middle hits it, the cursor beside it does not, and a triangle under the cursor is accepted
// exactly when it faces the camera (the test only accepts one winding). Any failure
// stops the tool with a message and a non-zero exit, so the content build fails.
// Depends on: meshgen/models, meshgen/mesh_builder, data/mesh_format.h (host tool).
// Limits: everything is built in memory; the output is deterministic (no clocks, no seeds from
// outside).
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "mesh_builder.h"
#include "models.h"

namespace {

using mg::V3;

// ---- The game's camera conventions: left-handed look-at and perspective, y down on screen ----
struct Camera {
    V3 eye, xa, ya, za;
    float xs, ys, zn, zf, w, h;
};

Camera MakeCamera(V3 eye, V3 at, V3 up, float w, float h)
{
    Camera c{};
    c.eye = eye;
    c.za = mg::Norm(at - eye);
    c.xa = mg::Norm(mg::Cross(up, c.za));
    c.ya = mg::Cross(c.za, c.xa);
    c.ys = 1.0f / std::tan(0.7853982f * 0.5f);
    c.xs = c.ys / (w / h);
    c.zn = 0.1f;
    c.zf = 500.0f;
    c.w = w;
    c.h = h;
    return c;
}

// Screen pixels (x right, y down) and depth 0..1.
V3 Project(const Camera& c, V3 p)
{
    V3 d = p - c.eye;
    float vx = mg::Dot(d, c.xa), vy = mg::Dot(d, c.ya), vz = mg::Dot(d, c.za);
    float cx = vx * c.xs, cy = vy * c.ys, cz = vz * c.zf / (c.zf - c.zn) - c.zn * c.zf / (c.zf - c.zn);
    return {(cx / vz + 1.0f) * 0.5f * c.w, (1.0f - cy / vz) * 0.5f * c.h, cz / vz};
}

// The game's cursor test on one projected triangle: inside when all three edge functions are
// strictly positive.
bool Inside(V3 a, V3 b, V3 c, float px, float py)
{
    float e1 = (b.y - a.y) * (a.x - px) - (b.x - a.x) * (a.y - py);
    float e2 = (c.y - b.y) * (b.x - px) - (c.x - b.x) * (b.y - py);
    float e3 = (a.y - c.y) * (c.x - px) - (a.x - c.x) * (c.y - py);
    return e1 > 0 && e2 > 0 && e3 > 0;
}

// The game's cursor test over the whole pick mesh. Also checks every triangle under the cursor:
// the test must accept it exactly when it faces the camera (its outward normal, stored beside
// it, points at the eye). *wrongWay is set when one does not.
bool PickHits(const uint8_t* img, size_t size, const Camera& cam, float px, float py, bool* wrongWay)
{
    const MeshPickHeader* ph = MESHF_Pick(img, size);
    const MeshPoint* pts = MESHF_PickPoints(img, size);
    const MeshPickTriangle* tris = MESHF_PickTriangles(img, size);
    if (!ph || !pts || !tris) return false;
    bool hit = false;
    for (uint32_t i = 0; i < ph->triangleCount; i++) {
        V3 s[3], w[3];
        for (int k = 0; k < 3; k++) {
            const MeshPoint& p = pts[tris[i].index[k]];
            w[k] = V3{p.x, p.y, p.z};
            s[k] = Project(cam, w[k]);
            if (s[k].z > 1.0f) return false;
        }
        bool accepted = Inside(s[0], s[1], s[2], px, py);
        bool under = accepted || Inside(s[0], s[2], s[1], px, py);
        if (!under) continue;
        V3 centroid = (w[0] + w[1] + w[2]) * (1.0f / 3.0f);
        V3 n{tris[i].normal[0], tris[i].normal[1], tris[i].normal[2]};
        bool facing = mg::Dot(n, cam.eye - centroid) > 0;
        if (accepted != facing) *wrongWay = true;
        hit = hit || accepted;
    }
    return hit;
}

// Looks at the model from the play camera's height at eight angles round it.
bool CheckPick(const char* name, const uint8_t* img, size_t size)
{
    for (int k = 0; k < 8; k++) {
        float a = 0.3f + k * 0.785f;
        V3 at{0, 0, 0.5f};
        V3 eye{std::sin(a) * 14.0f, std::cos(a) * 14.0f, 10.0f};
        Camera cam = MakeCamera(eye, at, V3{0, 0, 1}, 800, 600);
        V3 mid = Project(cam, at);
        V3 side = Project(cam, V3{0, 0, 0.5f} + mg::Norm(mg::Cross(V3{0, 0, 1}, at - eye)) * 1.2f);
        bool wrong = false;
        if (!PickHits(img, size, cam, mid.x, mid.y, &wrong)) {
            fprintf(stderr, "meshgen: %s: the cursor on the block's middle misses it (angle %d)\n", name, k);
            return false;
        }
        if (PickHits(img, size, cam, side.x, side.y, &wrong)) {
            fprintf(stderr, "meshgen: %s: the cursor beside the block hits it (angle %d)\n", name, k);
            return false;
        }
        if (wrong) {
            fprintf(stderr, "meshgen: %s: a pick triangle is wound the wrong way (angle %d)\n", name, k);
            return false;
        }
    }
    return true;
}

bool CheckModel(const mg::ModelDef& def, const std::vector<uint8_t>& img)
{
    if (img.empty()) {
        fprintf(stderr, "meshgen: %s: no image\n", def.name);
        return false;
    }
    MeshCheck r = MESHF_Check(img.data(), img.size());
    if (r != MESHF_CHECK_OK) {
        fprintf(stderr, "meshgen: %s: refused by the mesh check: %s\n", def.name, MESHF_CheckName(r));
        return false;
    }
    const MeshHeader* h = MESHF_Header(img.data(), img.size());
    if ((h->pickOfs != 0) != def.pickable) {
        fprintf(stderr, "meshgen: %s: %s\n", def.name,
                def.pickable ? "the cursor may pick it but it has no pick mesh" : "has a pick mesh it must not have");
        return false;
    }
    // Every part's vertex normals must agree with its triangles' winding.
    const MeshVertex* v = MESHF_Vertices(img.data(), img.size());
    const uint16_t* idx = MESHF_Indices(img.data(), img.size());
    for (uint32_t i = 0; i + 2 < h->indexCount; i += 3) {
        if (h->partCount == 0) break;
        const MeshVertex &a = v[idx[i]], &b = v[idx[i + 1]], &c = v[idx[i + 2]];
        V3 fn = mg::Cross(V3{b.x - a.x, b.y - a.y, b.z - a.z}, V3{c.x - a.x, c.y - a.y, c.z - a.z});
        V3 vn{a.nx + b.nx + c.nx, a.ny + b.ny + c.ny, a.nz + b.nz + c.nz};
        if (mg::Dot(fn, vn) <= 0) {
            fprintf(stderr, "meshgen: %s: triangle %u is wound against its normals\n", def.name, i / 3);
            return false;
        }
    }
    if (def.pickable && !CheckPick(def.name, img.data(), img.size())) return false;
    return true;
}

bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes)
{
    FILE* f = fopen(path.c_str(), "wb");
    if (!f) {
        fprintf(stderr, "meshgen: cannot write %s\n", path.c_str());
        return false;
    }
    bool ok = fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    ok = (fclose(f) == 0) && ok;
    if (!ok) fprintf(stderr, "meshgen: writing %s failed\n", path.c_str());
    return ok;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        fprintf(stderr, "usage: meshgen OUTDIR [CID...]\n");
        return 2;
    }
    std::string outDir = argv[1];
    int written = 0;
    for (const mg::ModelDef& def : mg::ModelList()) {
        if (argc > 2) {
            bool wanted = false;
            for (int i = 2; i < argc; i++) wanted = wanted || strcmp(argv[i], def.name) == 0;
            if (!wanted) continue;
        }
        mg::MeshBuilder mb(def.name);
        def.build(mb, def.variant);
        std::vector<uint8_t> img = mb.Image();
        if (!CheckModel(def, img)) return 1;
        if (!WriteFile(outDir + "/" + def.name, img)) return 1;
        written++;
    }
    if (written == 0) {
        fprintf(stderr, "meshgen: no model written\n");
        return 1;
    }
    return 0;
}
