// meshgen/mesh_builder — see mesh_builder.h.
#include "mesh_builder.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace mg {

float Dot(V3 a, V3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
V3 Cross(V3 a, V3 b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
float Len(V3 a) { return std::sqrt(Dot(a, a)); }
V3 Norm(V3 a)
{
    float l = Len(a);
    return l > 1e-12f ? a * (1.0f / l) : a;
}

V3 Xf::Point(V3 p) const { return Dir(p) + t; }
V3 Xf::Dir(V3 d) const
{
    return {m[0][0] * d.x + m[0][1] * d.y + m[0][2] * d.z, m[1][0] * d.x + m[1][1] * d.y + m[1][2] * d.z,
            m[2][0] * d.x + m[2][1] * d.y + m[2][2] * d.z};
}
float Xf::Det() const
{
    return m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1]) - m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0]) +
           m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]);
}
V3 Xf::Normal(V3 n) const
{
    // Cofactor matrix = det × inverse-transpose; the scale drops out in the normalisation, and
    // multiplying by the sign of det keeps the normal pointing the same way for reflections.
    float c[3][3];
    c[0][0] = m[1][1] * m[2][2] - m[1][2] * m[2][1];
    c[0][1] = m[1][2] * m[2][0] - m[1][0] * m[2][2];
    c[0][2] = m[1][0] * m[2][1] - m[1][1] * m[2][0];
    c[1][0] = m[0][2] * m[2][1] - m[0][1] * m[2][2];
    c[1][1] = m[0][0] * m[2][2] - m[0][2] * m[2][0];
    c[1][2] = m[0][1] * m[2][0] - m[0][0] * m[2][1];
    c[2][0] = m[0][1] * m[1][2] - m[0][2] * m[1][1];
    c[2][1] = m[0][2] * m[1][0] - m[0][0] * m[1][2];
    c[2][2] = m[0][0] * m[1][1] - m[0][1] * m[1][0];
    V3 r{c[0][0] * n.x + c[0][1] * n.y + c[0][2] * n.z, c[1][0] * n.x + c[1][1] * n.y + c[1][2] * n.z,
         c[2][0] * n.x + c[2][1] * n.y + c[2][2] * n.z};
    if (Det() < 0) r = -r;
    return Norm(r);
}

Xf XfIdentity() { return Xf{}; }
Xf XfTranslate(V3 t)
{
    Xf x;
    x.t = t;
    return x;
}
Xf XfScale(V3 s)
{
    Xf x;
    x.m[0][0] = s.x;
    x.m[1][1] = s.y;
    x.m[2][2] = s.z;
    return x;
}
Xf XfRotZ(float a)
{
    Xf x;
    float c = std::cos(a), s = std::sin(a);
    x.m[0][0] = c; x.m[0][1] = -s;
    x.m[1][0] = s; x.m[1][1] = c;
    return x;
}
Xf XfRotX(float a)
{
    Xf x;
    float c = std::cos(a), s = std::sin(a);
    x.m[1][1] = c; x.m[1][2] = -s;
    x.m[2][1] = s; x.m[2][2] = c;
    return x;
}
Xf XfRotY(float a)
{
    Xf x;
    float c = std::cos(a), s = std::sin(a);
    x.m[0][0] = c; x.m[0][2] = s;
    x.m[2][0] = -s; x.m[2][2] = c;
    return x;
}
Xf operator*(const Xf& a, const Xf& b)
{
    Xf r;
    for (int i = 0; i < 3; i++)
        for (int j = 0; j < 3; j++) r.m[i][j] = a.m[i][0] * b.m[0][j] + a.m[i][1] * b.m[1][j] + a.m[i][2] * b.m[2][j];
    r.t = a.Point(b.t);
    return r;
}

uint32_t Argb(float r, float g, float b, float a)
{
    auto c = [](float v) { return (uint32_t)std::lround(std::clamp(v, 0.0f, 1.0f) * 255.0f); };
    return (c(a) << 24) | (c(r) << 16) | (c(g) << 8) | c(b);
}
uint32_t Grey(float v) { return Argb(v, v, v, 1.0f); }

MeshBuilder::MeshBuilder(const char* name) : name_(name) {}

void MeshBuilder::Texture(const char* texName)
{
    int t = -1;
    for (size_t i = 0; i < textures_.size(); i++)
        if (textures_[i] == texName) t = (int)i;
    if (t < 0) {
        if (textures_.size() >= (size_t)MESHF_MaxTextures || strlen(texName) >= (size_t)MESHF_NameSize) {
            fprintf(stderr, "meshgen: %s: too many textures or name too long (%s)\n", name_.c_str(), texName);
            overflow_ = true;
            t = 0;
        } else {
            textures_.push_back(texName);
            t = (int)textures_.size() - 1;
        }
    }
    for (size_t i = 0; i < parts_.size(); i++)
        if (parts_[i].texture == t) {
            cur_ = (int)i;
            return;
        }
    parts_.push_back(Part{t, {}, {}});
    cur_ = (int)parts_.size() - 1;
}

MeshBuilder::Part& MeshBuilder::Cur()
{
    if (cur_ < 0) Texture("TEX_FX_WHITE");
    return parts_[cur_];
}

void MeshBuilder::Push(const Xf& x)
{
    stack_.push_back(xf_);
    xf_ = xf_ * x;
}
void MeshBuilder::Pop()
{
    if (!stack_.empty()) {
        xf_ = stack_.back();
        stack_.pop_back();
    }
}

int MeshBuilder::Vertex(V3 p, V3 n, float u, float v)
{
    Part& part = Cur();
    V3 wp = xf_.Point(p);
    V3 wn = xf_.Normal(n);
    MeshVertex mv{wp.x, wp.y, wp.z, wn.x, wn.y, wn.z, colour_, u, v};
    part.verts.push_back(mv);
    return (int)part.verts.size() - 1;
}

void MeshBuilder::Tri(int a, int b, int c)
{
    Part& part = Cur();
    part.idx.push_back((uint16_t)a);
    part.idx.push_back((uint16_t)b);
    part.idx.push_back((uint16_t)c);
}

namespace {
V3 Pos(const MeshVertex& v) { return {v.x, v.y, v.z}; }
V3 Nrm(const MeshVertex& v) { return {v.nx, v.ny, v.nz}; }
}  // namespace

// Adds a triangle wound so that its face normal agrees with its vertex normals; drops triangles
// without area (the poles of lathes, bevels of width 0).
static void TriAuto(std::vector<MeshVertex>& verts, std::vector<uint16_t>& idx, int a, int b, int c)
{
    V3 pa = Pos(verts[a]), pb = Pos(verts[b]), pc = Pos(verts[c]);
    V3 fn = Cross(pb - pa, pc - pa);
    if (Len(fn) < 1e-9f) return;
    V3 want = Nrm(verts[a]) + Nrm(verts[b]) + Nrm(verts[c]);
    if (Dot(fn, want) < 0) std::swap(b, c);
    idx.push_back((uint16_t)a);
    idx.push_back((uint16_t)b);
    idx.push_back((uint16_t)c);
}

void MeshBuilder::Quad(V3 p0, V3 p1, V3 p2, V3 p3, const float uv[8])
{
    V3 n = Norm(Cross(p1 - p0, p2 - p0));
    int a = Vertex(p0, n, uv[0], uv[1]);
    int b = Vertex(p1, n, uv[2], uv[3]);
    int c = Vertex(p2, n, uv[4], uv[5]);
    int d = Vertex(p3, n, uv[6], uv[7]);
    Part& part = Cur();
    TriAuto(part.verts, part.idx, a, b, c);
    TriAuto(part.verts, part.idx, a, c, d);
}

void MeshBuilder::FlatTri(V3 a, V3 b, V3 c, const float uv[6])
{
    V3 n = Norm(Cross(b - a, c - a));
    int ia = Vertex(a, n, uv[0], uv[1]);
    int ib = Vertex(b, n, uv[2], uv[3]);
    int ic = Vertex(c, n, uv[4], uv[5]);
    Part& part = Cur();
    TriAuto(part.verts, part.idx, ia, ib, ic);
}

void MeshBuilder::Box(V3 c, V3 h, float b, const UvRect& rect, float border, float tile, unsigned skipMask)
{
    UvRect rects[6] = {rect, rect, rect, rect, rect, rect};
    BoxRects(c, h, b, rects, border, tile, skipMask);
}

void MeshBuilder::BoxRects(V3 c, V3 h, float b, const UvRect rects[6], float border, float tile,
                           unsigned skipMask)
{
    // Face frames: normal, texture right, texture up. The right vector is n × up: under the
    // game's left-handed view that is the screen's right for a viewer facing the face, so the
    // texture reads unmirrored.
    static const V3 kN[6] = {{1, 0, 0}, {-1, 0, 0}, {0, 1, 0}, {0, -1, 0}, {0, 0, 1}, {0, 0, -1}};
    static const V3 kUp[6] = {{0, 0, 1}, {0, 0, 1}, {0, 0, 1}, {0, 0, 1}, {0, 1, 0}, {0, 1, 0}};
    b = std::max(0.0f, b);
    for (int f = 0; f < 6; f++) {
        if (skipMask & (1u << f)) continue;
        V3 n = kN[f], up = kUp[f], r = Cross(n, up);
        float hn = std::fabs(Dot(h, n)), hr = std::fabs(Dot(h, r)), hu = std::fabs(Dot(h, up));
        float bb = std::min(b, std::min(hr, hu) * 0.95f);
        const UvRect& rc = rects[f];
        float du = rc.u1 - rc.u0, dv = rc.v1 - rc.v0;
        // Grid fractions of the texture rect (tile > 1 repeats the inner face).
        bool bevelled = bb > 1e-6f;
        if (!bevelled) {
            // A plain face: one quad over the whole rect.
            int q[4];
            const float su[4] = {-1, 1, 1, -1}, sv[4] = {-1, -1, 1, 1};
            for (int k = 0; k < 4; k++) {
                V3 p = c + n * hn + r * (su[k] * hr) + up * (sv[k] * hu);
                float u = rc.u0 + du * (su[k] > 0 ? tile : 0.0f), v = rc.v0 + dv * (sv[k] > 0 ? 0.0f : tile);
                q[k] = Vertex(p, n, u, v);
            }
            Part& part = Cur();
            TriAuto(part.verts, part.idx, q[0], q[1], q[2]);
            TriAuto(part.verts, part.idx, q[0], q[2], q[3]);
            continue;
        }
        const float fu[4] = {0, border, tile - border, tile};
        const float fv[4] = {tile, tile - border, border, 0};   // bottom row first
        const float sgn[4] = {-1, -1, 1, 1};
        const bool outer[4] = {true, false, false, true};
        int ids[4][4];
        for (int j = 0; j < 4; j++) {
            for (int i = 0; i < 4; i++) {
                bool orr = outer[i], ou = outer[j];
                int no = (int)orr + (int)ou;
                float insetN = no == 0 ? 0.0f : (no == 1 ? bb * 0.5f : bb * (2.0f / 3.0f));
                float offR = orr ? (ou ? hr - bb * (2.0f / 3.0f) : hr - bb * 0.5f) : hr - bb;
                float offU = ou ? (orr ? hu - bb * (2.0f / 3.0f) : hu - bb * 0.5f) : hu - bb;
                V3 p = c + n * (hn - insetN) + r * (sgn[i] * offR) + up * (sgn[j] * offU);
                V3 nn = n;
                if (orr) nn = nn + r * sgn[i];
                if (ou) nn = nn + up * sgn[j];
                nn = Norm(nn);
                float u = rc.u0 + du * fu[i], v = rc.v0 + dv * fv[j];
                ids[j][i] = Vertex(p, nn, u, v);
            }
        }
        Part& part = Cur();
        for (int j = 0; j < 3; j++)
            for (int i = 0; i < 3; i++) {
                TriAuto(part.verts, part.idx, ids[j][i], ids[j][i + 1], ids[j + 1][i + 1]);
                TriAuto(part.verts, part.idx, ids[j][i], ids[j + 1][i + 1], ids[j + 1][i]);
            }
    }
}

// Per-point normals of a profile (r, z), listed bottom up: each segment's outward normal is
// (dz, −dr); a point's normal on a segment is that segment's own, or the mean of the two when
// the point is smooth and the turn is gentle.
static void SegmentNormals(const std::vector<ProfilePt>& pr, std::vector<V3>& segN)
{
    segN.clear();
    for (size_t k = 0; k + 1 < pr.size(); k++) {
        float dr = pr[k + 1].r - pr[k].r, dz = pr[k + 1].z - pr[k].z;
        segN.push_back(Norm(V3{dz, -dr, 0}));   // (r, z) packed in x, y
    }
}
static V3 EndNormal(const std::vector<ProfilePt>& pr, const std::vector<V3>& segN, size_t seg, bool atEnd)
{
    size_t pt = atEnd ? seg + 1 : seg;
    V3 own = segN[seg];
    if (pr[pt].sharp) return own;
    size_t other;
    if (atEnd) {
        if (seg + 1 >= segN.size()) return own;
        other = seg + 1;
    } else {
        if (seg == 0) return own;
        other = seg - 1;
    }
    if (Dot(own, segN[other]) < 0.75f) return own;   // turns sharper than ~40° keep a crease
    return Norm(own + segN[other]);
}

void MeshBuilder::Lathe(V3 c, const std::vector<ProfilePt>& pr, int segments, const UvRect& rect, float a0,
                        float a1)
{
    if (pr.size() < 2 || segments < 1) return;
    std::vector<V3> segN;
    SegmentNormals(pr, segN);
    std::vector<float> arc(pr.size(), 0.0f);
    for (size_t k = 1; k < pr.size(); k++)
        arc[k] = arc[k - 1] + std::hypot(pr[k].r - pr[k - 1].r, pr[k].z - pr[k - 1].z);
    float total = arc.back() > 0 ? arc.back() : 1.0f;
    for (size_t s = 0; s + 1 < pr.size(); s++) {
        int ring[2][129];
        int segs = std::min(segments, 128);
        for (int e = 0; e < 2; e++) {
            const ProfilePt& p = pr[s + e];
            V3 n2 = EndNormal(pr, segN, s, e == 1);
            float v = rect.v0 + (rect.v1 - rect.v0) * (1.0f - arc[s + e] / total);
            for (int k = 0; k <= segs; k++) {
                float t = (float)k / segs;
                float a = a0 + (a1 - a0) * t;
                float ca = std::cos(a), sa = std::sin(a);
                V3 pos = c + V3{p.r * ca, p.r * sa, p.z};
                V3 nrm{n2.x * ca, n2.x * sa, n2.y};
                // u falls as the angle grows: the left-handed view shows the turn mirrored.
                float u = rect.u0 + (rect.u1 - rect.u0) * (1.0f - t);
                ring[e][k] = Vertex(pos, nrm, u, v);
            }
        }
        Part& part = Cur();
        for (int k = 0; k < segs; k++) {
            TriAuto(part.verts, part.idx, ring[0][k], ring[0][k + 1], ring[1][k + 1]);
            TriAuto(part.verts, part.idx, ring[0][k], ring[1][k + 1], ring[1][k]);
        }
    }
}

void MeshBuilder::Sweep(const std::vector<ProfilePt>& pr, float x0, float x1, const UvRect& rect)
{
    if (pr.size() < 2) return;
    std::vector<V3> segN;
    SegmentNormals(pr, segN);
    std::vector<float> arc(pr.size(), 0.0f);
    for (size_t k = 1; k < pr.size(); k++)
        arc[k] = arc[k - 1] + std::hypot(pr[k].r - pr[k - 1].r, pr[k].z - pr[k - 1].z);
    float total = arc.back() > 0 ? arc.back() : 1.0f;
    for (size_t s = 0; s + 1 < pr.size(); s++) {
        int ids[2][2];
        for (int e = 0; e < 2; e++) {
            const ProfilePt& p = pr[s + e];
            V3 n2 = EndNormal(pr, segN, s, e == 1);
            float v = rect.v0 + (rect.v1 - rect.v0) * (1.0f - arc[s + e] / total);
            for (int k = 0; k < 2; k++) {
                float x = k ? x1 : x0;
                ids[e][k] = Vertex(V3{x, p.r, p.z}, V3{0, n2.x, n2.y}, k ? rect.u1 : rect.u0, v);
            }
        }
        Part& part = Cur();
        TriAuto(part.verts, part.idx, ids[0][0], ids[0][1], ids[1][1]);
        TriAuto(part.verts, part.idx, ids[0][0], ids[1][1], ids[1][0]);
    }
}

void MeshBuilder::Polygon(const std::vector<V3>& pts, V3 uAxis, float uvScale, const UvRect& rect)
{
    if (pts.size() < 3) return;
    V3 n = Norm(Cross(pts[1] - pts[0], pts[2] - pts[0]));
    V3 ua = Norm(uAxis);
    V3 va = -Norm(Cross(n, ua));
    V3 cen;
    for (const V3& p : pts) cen = cen + p;
    cen = cen * (1.0f / pts.size());
    std::vector<int> ids;
    for (const V3& p : pts) {
        V3 d = p - cen;
        float u = 0.5f + Dot(d, ua) * uvScale, v = 0.5f + Dot(d, va) * uvScale;
        ids.push_back(Vertex(p, n, rect.u0 + (rect.u1 - rect.u0) * u, rect.v0 + (rect.v1 - rect.v0) * v));
    }
    Part& part = Cur();
    for (size_t k = 1; k + 1 < ids.size(); k++) TriAuto(part.verts, part.idx, ids[0], ids[k], ids[k + 1]);
}

void MeshBuilder::PickBox(V3 lo, V3 hi)
{
    uint16_t base = (uint16_t)pickPts_.size();
    for (int k = 0; k < 8; k++)
        pickPts_.push_back(MeshPoint{(k & 1) ? hi.x : lo.x, (k & 2) ? hi.y : lo.y, (k & 4) ? hi.z : lo.z});
    // Corner numbering: bit 0 = x, bit 1 = y, bit 2 = z. Each face lists its corners in order
    // around it; triangles are then wound outwards by the same rule as the visible faces.
    static const int kFaces[6][4] = {{1, 3, 7, 5}, {0, 4, 6, 2}, {2, 6, 7, 3},
                                     {0, 1, 5, 4}, {4, 5, 7, 6}, {0, 2, 3, 1}};
    static const V3 kOut[6] = {{1, 0, 0}, {-1, 0, 0}, {0, 1, 0}, {0, -1, 0}, {0, 0, 1}, {0, 0, -1}};
    for (int f = 0; f < 6; f++) {
        const int* q = kFaces[f];
        for (int t = 0; t < 2; t++) {
            int a = q[0], b = q[1 + t], c = q[2 + t];
            const MeshPoint& pa = pickPts_[base + a];
            const MeshPoint& pb = pickPts_[base + b];
            const MeshPoint& pc = pickPts_[base + c];
            V3 fn = Cross(V3{pb.x - pa.x, pb.y - pa.y, pb.z - pa.z}, V3{pc.x - pa.x, pc.y - pa.y, pc.z - pa.z});
            if (Dot(fn, kOut[f]) < 0) std::swap(b, c);
            MeshPickTriangle tri{};
            tri.flags = 0;
            tri.index[0] = (uint16_t)(base + a);
            tri.index[1] = (uint16_t)(base + b);
            tri.index[2] = (uint16_t)(base + c);
            tri.normal[0] = kOut[f].x;
            tri.normal[1] = kOut[f].y;
            tri.normal[2] = kOut[f].z;
            pickTris_.push_back(tri);
        }
    }
}

bool MeshBuilder::Empty() const
{
    for (const Part& p : parts_)
        if (!p.idx.empty()) return false;
    return true;
}

int MeshBuilder::TriangleCount() const
{
    int n = 0;
    for (const Part& p : parts_) n += (int)p.idx.size() / 3;
    return n;
}

namespace {
void Align4(std::vector<uint8_t>& out)
{
    while (out.size() % 4) out.push_back(0);
}
template <class T>
void Append(std::vector<uint8_t>& out, const T* data, size_t count)
{
    const uint8_t* p = reinterpret_cast<const uint8_t*>(data);
    out.insert(out.end(), p, p + sizeof(T) * count);
}
}  // namespace

std::vector<uint8_t> MeshBuilder::Image() const
{
    if (overflow_) return {};
    std::vector<MeshVertex> verts;
    std::vector<uint16_t> idx;
    std::vector<MeshPart> parts;
    for (const Part& p : parts_) {
        if (p.idx.empty()) continue;
        if (verts.size() + p.verts.size() > MESHF_MaxVertices) {
            fprintf(stderr, "meshgen: %s: more than %u vertices\n", name_.c_str(), MESHF_MaxVertices);
            return {};
        }
        MeshPart mp{};
        mp.material = (uint32_t)p.texture;
        mp.primCount = (uint32_t)p.idx.size() / 3;
        mp.minIndex = (uint32_t)verts.size();
        mp.vertexCount = (uint32_t)p.verts.size();
        mp.startIndex = (uint32_t)idx.size();
        mp.indexCount = (uint32_t)p.idx.size();
        for (uint16_t i : p.idx) idx.push_back((uint16_t)(i + mp.minIndex));
        verts.insert(verts.end(), p.verts.begin(), p.verts.end());
        parts.push_back(mp);
    }
    if (verts.empty()) {
        // A model with nothing to draw still gets a vertex and index array (a single degenerate
        // triangle and no part): the device buffers are made from them and must not be empty.
        verts.assign(3, MeshVertex{0, 0, 0, 0, 0, 1, 0xFF808080u, 0, 0});
        idx = {0, 1, 2};
    }

    MeshHeader h{};
    memcpy(h.magic, MESHF_Magic, 3);
    h.version = MESHF_Version;
    float lo[3] = {1e30f, 1e30f, 1e30f}, hi[3] = {-1e30f, -1e30f, -1e30f};
    float r2 = 0;
    auto grow = [&](float x, float y, float z) {
        float p[3] = {x, y, z};
        for (int k = 0; k < 3; k++) {
            lo[k] = std::min(lo[k], p[k]);
            hi[k] = std::max(hi[k], p[k]);
        }
        r2 = std::max(r2, x * x + y * y + z * z);
    };
    for (const MeshVertex& v : verts) grow(v.x, v.y, v.z);
    for (const MeshPoint& p : pickPts_) grow(p.x, p.y, p.z);
    h.radius = std::sqrt(r2);
    for (int k = 0; k < 3; k++) {
        h.centre[k] = (lo[k] + hi[k]) * 0.5f;
        h.halfSize[k] = (hi[k] - lo[k]) * 0.5f;
    }
    for (size_t t = 0; t < textures_.size(); t++)
        snprintf(h.textures[t], MESHF_NameSize, "%s", textures_[t].c_str());

    std::vector<uint8_t> out(sizeof(MeshHeader), 0);
    h.vertexOfs = (uint32_t)out.size();
    h.vertexCount = (uint32_t)verts.size();
    Append(out, verts.data(), verts.size());
    Align4(out);
    h.indexOfs = (uint32_t)out.size();
    h.indexCount = (uint32_t)idx.size();
    Append(out, idx.data(), idx.size());
    Align4(out);
    h.partOfs = (uint32_t)out.size();
    h.partCount = (uint32_t)parts.size();
    Append(out, parts.data(), parts.size());
    Align4(out);
    if (!pickTris_.empty()) {
        h.pickOfs = (uint32_t)out.size();
        MeshPickHeader ph{};
        ph.pointCount = (uint32_t)pickPts_.size();
        ph.pointOfs = sizeof(MeshPickHeader);
        ph.triangleCount = (uint32_t)pickTris_.size();
        ph.triangleOfs = (uint32_t)(sizeof(MeshPickHeader) + pickPts_.size() * sizeof(MeshPoint));
        Append(out, &ph, 1);
        Append(out, pickPts_.data(), pickPts_.size());
        Append(out, pickTris_.data(), pickTris_.size());
        Align4(out);
    }
    memcpy(out.data(), &h, sizeof h);
    return out;
}

}  // namespace mg
