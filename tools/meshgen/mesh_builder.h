// meshgen/mesh_builder — builds one triangle model in memory and writes it as a binary mesh image
// (the layout of data/mesh_format.h, version 8).
//
// Geometry is added through a current transform, a current texture (which becomes the part's
// material) and a current vertex colour. Primitives: bevelled boxes (each face a 4 × 4 patch whose
// outer ring is the bevel, textured as a 3 × 3 grid so the texture's border band paints the
// bevel), lathed profiles (cylinders, spheres, rings, partial arcs), straight sweeps of a profile,
// flat polygons and faceted triangles. Triangles are wound the way the game sees front faces: the
// cross product (b − a) × (c − a) points out of the model (clockwise on screen under the game's
// left-handed camera). The pick mesh is kept separately (boxes only) with the same winding.
//
// Depends on: data/mesh_format.h only (host tool, does not link the engine).
// Limits: 10 textures per model, 65536 vertices per model; parts are one per texture in the order
// the textures were first used.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "data/mesh_format.h"

namespace mg {

struct V3 {
    float x = 0, y = 0, z = 0;
};
inline V3 operator+(V3 a, V3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline V3 operator-(V3 a, V3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline V3 operator*(V3 a, float s) { return {a.x * s, a.y * s, a.z * s}; }
inline V3 operator-(V3 a) { return {-a.x, -a.y, -a.z}; }
float Dot(V3 a, V3 b);
V3 Cross(V3 a, V3 b);
float Len(V3 a);
V3 Norm(V3 a);                       // a zero vector stays zero

// Affine transform p' = M p + t (M as rows).
struct Xf {
    float m[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    V3 t;
    V3 Point(V3 p) const;
    V3 Dir(V3 d) const;               // M d
    V3 Normal(V3 n) const;            // inverse-transpose of M, normalised
    float Det() const;
};
Xf XfIdentity();
Xf XfTranslate(V3 t);
Xf XfScale(V3 s);
Xf XfRotZ(float a);                   // turns +x towards +y
Xf XfRotX(float a);                   // turns +y towards +z
Xf XfRotY(float a);                   // turns +z towards +x
Xf operator*(const Xf& a, const Xf& b);  // a after b

// A rectangle of the texture: u0, v0 top-left, u1, v1 bottom-right.
struct UvRect {
    float u0 = 0, v0 = 0, u1 = 1, v1 = 1;
};

// One profile point for lathes and sweeps: r outwards (or the sweep's outward distance), z up.
// A sharp point splits the normals of the segments meeting there.
struct ProfilePt {
    float r, z;
    bool sharp = false;
};

class MeshBuilder {
public:
    explicit MeshBuilder(const char* name);

    // ---- State ----
    void Texture(const char* texName);      // selects (and registers) the texture for what follows
    void Colour(uint32_t argb) { colour_ = argb; }
    uint32_t Colour() const { return colour_; }
    void Push(const Xf& x);                 // current = current × x (x applies first)
    void Pop();
    const Xf& Current() const { return xf_; }

    // ---- Primitives (positions in the current transform's model space) ----
    int Vertex(V3 p, V3 n, float u, float v);   // returns the index in the current part
    void Tri(int a, int b, int c);              // indices returned by Vertex, same part
    // Flat quad p0 p1 p2 p3 counter-clockwise seen from outside; UVs per corner.
    void Quad(V3 p0, V3 p1, V3 p2, V3 p3, const float uv[8]);
    // Flat triangle with its own normal; UVs per corner.
    void FlatTri(V3 a, V3 b, V3 c, const float uv[6]);
    // Box of half extents h around c with bevel b; the six faces use `rect` (or rects[6] in the
    // order +x, −x, +y, −y, +z, −z). border is the width of the texture band that paints the
    // bevel, as a fraction of the rect. tile repeats the inner face (panel blocks). Faces whose
    // bit is set in skipMask (bit i = face i in the order above) are left out.
    void Box(V3 c, V3 h, float b, const UvRect& rect, float border = 0.1f, float tile = 1.0f,
             unsigned skipMask = 0);
    void BoxRects(V3 c, V3 h, float b, const UvRect rects[6], float border = 0.1f, float tile = 1.0f,
                  unsigned skipMask = 0);
    // Lathe: revolves the profile (listed from the bottom up) about the z axis through c, from
    // angle a0 to a1 (radians, +x towards +y) in `segments` steps. u runs across rect against
    // the turn (so the picture reads unmirrored in the game's view), v along the profile by arc
    // length: the rect's bottom at the profile's first point, its top at the last.
    void Lathe(V3 c, const std::vector<ProfilePt>& profile, int segments, const UvRect& rect,
               float a0 = 0.0f, float a1 = 6.28318531f);
    // Sweep: the profile (r = outward distance along +y, z up) pushed along x from x0 to x1;
    // u runs along x, v along the profile as for Lathe.
    void Sweep(const std::vector<ProfilePt>& profile, float x0, float x1, const UvRect& rect);
    // Flat convex polygon (counter-clockwise seen from outside) with planar UVs from its own
    // axes: u along `uAxis`, v along −(n × uAxis), scaled by uvScale into rect about its centre.
    void Polygon(const std::vector<V3>& pts, V3 uAxis, float uvScale, const UvRect& rect);

    // ---- Pick mesh ----
    void PickBox(V3 lo, V3 hi);             // an axis-aligned box in model space (no transform)

    // ---- Output ----
    bool Empty() const;
    std::vector<uint8_t> Image() const;     // the finished mesh image
    const std::string& Name() const { return name_; }
    int TriangleCount() const;

private:
    struct Part {
        int texture;                         // index into textures_
        std::vector<MeshVertex> verts;
        std::vector<uint16_t> idx;
    };
    Part& Cur();
    std::string name_;
    std::vector<std::string> textures_;
    std::vector<Part> parts_;
    int cur_ = -1;
    uint32_t colour_ = 0xFFB0B0B0u;
    Xf xf_;
    std::vector<Xf> stack_;
    std::vector<MeshPoint> pickPts_;
    std::vector<MeshPickTriangle> pickTris_;
    bool overflow_ = false;
};

// Packs a colour from 0–1 floats (alpha 1).
uint32_t Argb(float r, float g, float b, float a = 1.0f);
uint32_t Grey(float v);

}  // namespace mg
