// core/math — vectors, row-vector matrices, orientation, angles, easing, projection and the
// random generator.
//
// Depends on: app/clock (TIM_GameDelta), core/settings (CFG_Width, CFG_Height).
// Limits: float precision throughout except the matrix inverse, which works in double; the
// projection state is one viewport and one world/view/projection triple, set by the display
// device whenever it sets its own.
#include "core/math.h"

#include <cmath>
#include <cstdint>

#include "app/clock.h"
#include "core/settings.h"

namespace {

constexpr Mat4 kIdentity = { { { 1, 0, 0, 0 }, { 0, 1, 0, 0 }, { 0, 0, 1, 0 }, { 0, 0, 0, 1 } } };

} // namespace

// Constant-initialised so that nothing sees a zero matrix before start-up sets it again.
Mat4 MTH_Identity = kIdentity;

namespace {

// Generator state: starts at 1 on every run, like the platform generator the game was tuned on.
uint32_t s_randState = 1;

// Projection state.
struct Viewport { int x, y, w, h; float minZ, maxZ; };
Viewport s_viewport = { 0, 0, 800, 600, 0.0f, 1.0f };
Mat4 s_world = kIdentity;
Mat4 s_view = kIdentity;
Mat4 s_proj = kIdentity;
Mat4 s_combined = kIdentity;   // world × view × projection
Mat4 s_inverse = kIdentity;    // its inverse, when it has one
bool s_inverseValid = true;

// p × m with the divide by w (point projection); w = 0 leaves the undivided result rather than
// producing infinities.
Vec3 TransformCoord(const Mat4& m, const Vec3& p)
{
    float x = p.x * m.m[0][0] + p.y * m.m[1][0] + p.z * m.m[2][0] + m.m[3][0];
    float y = p.x * m.m[0][1] + p.y * m.m[1][1] + p.z * m.m[2][1] + m.m[3][1];
    float z = p.x * m.m[0][2] + p.y * m.m[1][2] + p.z * m.m[2][2] + m.m[3][2];
    float w = p.x * m.m[0][3] + p.y * m.m[1][3] + p.z * m.m[2][3] + m.m[3][3];
    if (w != 0.0f) {
        x /= w;
        y /= w;
        z /= w;
    }
    return { x, y, z };
}

void RebuildCombined()
{
    s_combined = MTH_Multiply(MTH_Multiply(s_proj, s_view), s_world);  // world × view × proj
    s_inverseValid = MTH_Inverse(s_combined, &s_inverse);
}

Vec3 Normalised(Vec3 v)
{
    MTH_Normalise(v);
    return v;
}

// Shared body of the four basis builders: mirror swaps the order of both cross products,
// columns stores the three axes by columns instead of rows.
Mat4 BuildBasis(const Vec3& forward, Vec3& up, bool mirror, bool columns)
{
    Vec3 f = Normalised(forward);
    Vec3 u = Normalised(up);
    Vec3 r = Normalised(mirror ? MTH_Cross(u, f) : MTH_Cross(f, u));
    up = Normalised(mirror ? MTH_Cross(f, r) : MTH_Cross(r, f));
    Mat4 m = MTH_MakeIdentity();
    const Vec3* axes[3] = { &r, &f, &up };
    for (int i = 0; i < 3; ++i) {
        const float c[3] = { axes[i]->x, axes[i]->y, axes[i]->z };
        for (int j = 0; j < 3; ++j) {
            if (columns)
                m.m[j][i] = c[j];
            else
                m.m[i][j] = c[j];
        }
    }
    return m;
}

// The next generator value as a fraction 0 ≤ r < 1.
double RandFraction()
{
    return (double)(MTH_Rand() % 32767) / 32767.0;
}

} // namespace

// ---- Shared identity ----

void MTH_InitIdentity()
{
    MTH_Identity = MTH_MakeIdentity();
}

// ---- Vectors ----

float MTH_Length(const Vec3& v)
{
    return std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
}

void MTH_Normalise(Vec3& v)
{
    float len = MTH_Length(v);
    if (len == 0.0f)
        return;
    v.x /= len;
    v.y /= len;
    v.z /= len;
}

float MTH_Dot(const Vec3& a, const Vec3& b)
{
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

Vec3 MTH_Cross(const Vec3& a, const Vec3& b)
{
    return { a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x };
}

Vec3 MTH_Add(const Vec3& a, const Vec3& b)
{
    return { a.x + b.x, a.y + b.y, a.z + b.z };
}

Vec3 MTH_Sub(const Vec3& a, const Vec3& b)
{
    return { a.x - b.x, a.y - b.y, a.z - b.z };
}

Vec3 MTH_Scale(const Vec3& v, float s)
{
    return { v.x * s, v.y * s, v.z * s };
}

// ---- Matrices ----

Mat4 MTH_MakeIdentity()
{
    return kIdentity;
}

void MTH_Transpose(Mat4& m)
{
    for (int i = 0; i < 4; ++i) {
        for (int j = i + 1; j < 4; ++j) {
            float t = m.m[i][j];
            m.m[i][j] = m.m[j][i];
            m.m[j][i] = t;
        }
    }
}

Mat4 MTH_Multiply(const Mat4& m, const Mat4& o)
{
    Mat4 out;
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            float s = 0.0f;
            for (int k = 0; k < 4; ++k)
                s += o.m[i][k] * m.m[k][j];
            out.m[i][j] = s;
        }
    }
    return out;
}

void MTH_PreMultiply(Mat4& m, const Mat4& o)
{
    m = MTH_Multiply(m, o);
}

void MTH_PreScale(Mat4& m, const Vec3& v)
{
    // S × m scales the rows of m: row 0 by x, row 1 by y, row 2 by z.
    const float s[3] = { v.x, v.y, v.z };
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 4; ++j)
            m.m[i][j] *= s[i];
}

void MTH_Translate(Mat4& m, const Vec3& p)
{
    Mat4 t = MTH_MakeIdentity();
    t.m[3][0] = p.x;
    t.m[3][1] = p.y;
    t.m[3][2] = p.z;
    m = MTH_Multiply(t, m);  // m × T
}

void MTH_PreTranslate(Mat4& m, const Vec3& p)
{
    Mat4 t = MTH_MakeIdentity();
    t.m[3][0] = p.x;
    t.m[3][1] = p.y;
    t.m[3][2] = p.z;
    m = MTH_Multiply(m, t);  // T × m
}

Mat4 MTH_RotationX(float a)
{
    float c = std::cos(a), s = std::sin(a);
    Mat4 m = MTH_MakeIdentity();
    m.m[1][1] = c;
    m.m[1][2] = s;
    m.m[2][1] = -s;
    m.m[2][2] = c;
    return m;
}

Mat4 MTH_RotationY(float a)
{
    float c = std::cos(a), s = std::sin(a);
    Mat4 m = MTH_MakeIdentity();
    m.m[0][0] = c;
    m.m[0][2] = -s;
    m.m[2][0] = s;
    m.m[2][2] = c;
    return m;
}

Mat4 MTH_RotationZ(float a)
{
    float c = std::cos(a), s = std::sin(a);
    Mat4 m = MTH_MakeIdentity();
    m.m[0][0] = c;
    m.m[0][1] = s;
    m.m[1][0] = -s;
    m.m[1][1] = c;
    return m;
}

void MTH_Transform(const Mat4& m, const Vec3& src, Vec3* dst)
{
    // Read the source into locals first so that dst may alias it.
    float x = src.x, y = src.y, z = src.z;
    dst->x = x * m.m[0][0] + y * m.m[1][0] + z * m.m[2][0] + m.m[3][0];
    dst->y = x * m.m[0][1] + y * m.m[1][1] + z * m.m[2][1] + m.m[3][1];
    dst->z = x * m.m[0][2] + y * m.m[1][2] + z * m.m[2][2] + m.m[3][2];
}

void MTH_Transform(const Mat4& m, Vec3& p)
{
    MTH_Transform(m, p, &p);
}

bool MTH_Inverse(const Mat4& m, Mat4* out)
{
    // Gauss-Jordan elimination with partial pivoting, in double.
    double a[4][8];
    double largest = 0.0;
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            a[i][j] = m.m[i][j];
            a[i][j + 4] = (i == j) ? 1.0 : 0.0;
            largest = std::fmax(largest, std::fabs(a[i][j]));
        }
    }
    if (!(largest > 0.0) || !std::isfinite(largest))
        return false;
    const double tiny = largest * 1e-12;
    for (int col = 0; col < 4; ++col) {
        int pivot = col;
        for (int r = col + 1; r < 4; ++r)
            if (std::fabs(a[r][col]) > std::fabs(a[pivot][col]))
                pivot = r;
        if (!(std::fabs(a[pivot][col]) > tiny))
            return false;
        if (pivot != col)
            for (int j = 0; j < 8; ++j) {
                double t = a[col][j];
                a[col][j] = a[pivot][j];
                a[pivot][j] = t;
            }
        double inv = 1.0 / a[col][col];
        for (int j = 0; j < 8; ++j)
            a[col][j] *= inv;
        for (int r = 0; r < 4; ++r) {
            if (r == col || a[r][col] == 0.0)
                continue;
            double f = a[r][col];
            for (int j = 0; j < 8; ++j)
                a[r][j] -= f * a[col][j];
        }
    }
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            out->m[i][j] = (float)a[i][j + 4];
    return true;
}

Mat4 MTH_PerspectiveFovLH(float fovy, float aspect, float zn, float zf)
{
    float yScale = 1.0f / std::tan(fovy * 0.5f);
    float xScale = yScale / aspect;
    Mat4 m = {};
    m.m[0][0] = xScale;
    m.m[1][1] = yScale;
    m.m[2][2] = zf / (zf - zn);
    m.m[2][3] = 1.0f;
    m.m[3][2] = -zn * zf / (zf - zn);
    return m;
}

Mat4 MTH_LookAtLH(const Vec3& eye, const Vec3& at, const Vec3& up)
{
    Vec3 zaxis = Normalised(MTH_Sub(at, eye));
    Vec3 xaxis = Normalised(MTH_Cross(up, zaxis));
    Vec3 yaxis = MTH_Cross(zaxis, xaxis);
    Mat4 m = MTH_MakeIdentity();
    m.m[0][0] = xaxis.x; m.m[0][1] = yaxis.x; m.m[0][2] = zaxis.x;
    m.m[1][0] = xaxis.y; m.m[1][1] = yaxis.y; m.m[1][2] = zaxis.y;
    m.m[2][0] = xaxis.z; m.m[2][1] = yaxis.z; m.m[2][2] = zaxis.z;
    m.m[3][0] = -MTH_Dot(xaxis, eye);
    m.m[3][1] = -MTH_Dot(yaxis, eye);
    m.m[3][2] = -MTH_Dot(zaxis, eye);
    return m;
}

// ---- Orientation ----

Mat4 MTH_Basis(const Vec3& forward, Vec3& up) { return BuildBasis(forward, up, false, false); }
Mat4 MTH_BasisColumns(const Vec3& forward, Vec3& up) { return BuildBasis(forward, up, false, true); }
Mat4 MTH_BasisMirror(const Vec3& forward, Vec3& up) { return BuildBasis(forward, up, true, false); }
Mat4 MTH_BasisMirrorColumns(const Vec3& forward, Vec3& up) { return BuildBasis(forward, up, true, true); }

// The new pair is the second and third rows of R × B, B the pair's basis (rows r, f, u′) and R
// the rotation about the axis; written out per axis.
void MTH_TurnPairX(Vec3& forward, Vec3& up, float angle)
{
    Mat4 b = MTH_Basis(forward, up);
    Vec3 f = { b.m[1][0], b.m[1][1], b.m[1][2] };
    Vec3 u = up;
    float c = std::cos(angle), s = std::sin(angle);
    forward = MTH_Add(MTH_Scale(f, c), MTH_Scale(u, s));
    up = MTH_Sub(MTH_Scale(u, c), MTH_Scale(f, s));
}

void MTH_TurnPairY(Vec3& forward, Vec3& up, float angle)
{
    Mat4 b = MTH_Basis(forward, up);
    Vec3 r = { b.m[0][0], b.m[0][1], b.m[0][2] };
    Vec3 f = { b.m[1][0], b.m[1][1], b.m[1][2] };
    Vec3 u = up;
    float c = std::cos(angle), s = std::sin(angle);
    forward = f;
    up = MTH_Add(MTH_Scale(r, s), MTH_Scale(u, c));
}

void MTH_TurnPairZ(Vec3& forward, Vec3& up, float angle)
{
    Mat4 b = MTH_Basis(forward, up);
    Vec3 r = { b.m[0][0], b.m[0][1], b.m[0][2] };
    Vec3 f = { b.m[1][0], b.m[1][1], b.m[1][2] };
    float c = std::cos(angle), s = std::sin(angle);
    forward = MTH_Sub(MTH_Scale(f, c), MTH_Scale(r, s));
    // up keeps the basis' u′, already written back by MTH_Basis.
}

void ORTHO(Vec3& dir, Vec3& up)
{
    MTH_Normalise(dir);
    MTH_Normalise(up);
    Vec3 r = Normalised(MTH_Cross(dir, up));
    up = Normalised(MTH_Cross(r, dir));
}

// ---- Angles ----

float MTH_Heading(const Vec3& v)
{
    // A unit vector can carry a y a hair beyond ±1 after rounding; acos would give NaN there.
    float y = v.y > 1.0f ? 1.0f : (v.y < -1.0f ? -1.0f : v.y);
    float a = std::acos(y);
    return v.x >= 0.0f ? a : MTH_TWO_PI - a;
}

void MTH_TurnToward(float& angle, float target, float rate, float limit)
{
    float c = angle;
    float t = target;
    // Both into [0, 2π); the step caps keep a wild (or NaN) input from looping for ever.
    int steps = 0;
    while (t < 0.0f && steps < 100) { t += MTH_TWO_PI; ++steps; }
    while (t >= MTH_TWO_PI && steps < 100) { t -= MTH_TWO_PI; ++steps; }
    while (c < 0.0f && steps < 100) { c += MTH_TWO_PI; ++steps; }
    while (c >= MTH_TWO_PI && steps < 100) { c -= MTH_TWO_PI; ++steps; }
    // Unwrap one of them so that the turn goes the shorter way.
    steps = 0;
    while (c - t > MTH_PI && steps < 100) { t += MTH_TWO_PI; ++steps; }
    while (t - c >= MTH_PI && steps < 100) { c += MTH_TWO_PI; ++steps; }
    float step = (t - c) * rate;
    if (limit >= 0.0f) {
        if (step > limit) step = limit;
        if (step < -limit) step = -limit;
    }
    c += step;
    for (int i = 0; i < 2 && c > MTH_TWO_PI; ++i)
        c -= MTH_TWO_PI;
    angle = c;
}

// ---- Easing and timers ----

bool MTH_Countdown(float& t, float duration)
{
    if (!(t > 0.0f))
        return false;
    // A zero or negative duration runs out at once instead of dividing by zero (0 ÷ 0 would
    // leave a NaN timer that never finishes).
    if (duration > 0.0f)
        t -= TIM_GameDelta / duration;
    else
        t = 0.0f;
    if (t <= 0.0f) {
        t = 0.0f;
        return true;
    }
    return false;
}

float MTH_Window(float x, float start, float riseEnd, float fallStart, float end)
{
    if (!(start < x && x < end))
        return 0.0f;
    if (x < riseEnd)
        return (x - start) / (riseEnd - start);
    if (x > fallStart)
        return 1.0f - (x - fallStart) / (end - fallStart);
    return 1.0f;
}

bool MTH_Clamp01(float& x)
{
    if (x < 0.0f) { x = 0.0f; return true; }
    if (x > 1.0f) { x = 1.0f; return true; }
    return false;
}

float MTH_EaseInOut(float x) { return 0.5f - 0.5f * std::cos(MTH_PI * x); }
float MTH_EaseIn(float x) { return 1.0f - std::cos(MTH_PI * x * 0.5f); }
float MTH_EaseOut(float x) { return std::sin(MTH_PI * x * 0.5f); }

// ---- Projection ----

void MTH_SetViewport(int x, int y, int w, int h, float minZ, float maxZ)
{
    s_viewport = { x, y, w, h, minZ, maxZ };
}

void MTH_SetTransforms(const Mat4* world, const Mat4* view, const Mat4* proj)
{
    if (world) s_world = *world;
    if (view) s_view = *view;
    if (proj) s_proj = *proj;
    RebuildCombined();
}

Vec3 MTH_WorldToScreen(const Vec3& p)
{
    Vec3 q = TransformCoord(s_combined, p);
    const Viewport& v = s_viewport;
    return { (float)v.x + (1.0f + q.x) * (float)v.w * 0.5f,
             (float)v.y + (1.0f - q.y) * (float)v.h * 0.5f,
             v.minZ + q.z * (v.maxZ - v.minZ) };
}

Vec3 MTH_ScreenToWorld(const Vec3& p)
{
    const Viewport& v = s_viewport;
    // A degenerate viewport or transform has no inverse; give the origin rather than NaNs.
    if (!s_inverseValid || v.w == 0 || v.h == 0 || v.maxZ == v.minZ)
        return { 0.0f, 0.0f, 0.0f };
    Vec3 q = { (p.x - (float)v.x) * 2.0f / (float)v.w - 1.0f,
               1.0f - (p.y - (float)v.y) * 2.0f / (float)v.h,
               (p.z - v.minZ) / (v.maxZ - v.minZ) };
    return TransformCoord(s_inverse, q);
}

Vec3 MTH_ScreenFracToWorld(float fx, float fy)
{
    Vec3 origin = MTH_WorldToScreen({ 0.0f, 0.0f, 0.0f });
    return MTH_ScreenToWorld({ fx * (float)CFG_Width, fy * (float)CFG_Height, origin.z });
}

Vec3 MTH_WorldToScreenFrac(const Vec3& p)
{
    Vec3 s = MTH_WorldToScreen(p);
    return { s.x / (float)CFG_Width, s.y / (float)CFG_Height, 0.0f };
}

// ---- Random numbers ----

int MTH_Rand()
{
    s_randState = s_randState * 214013u + 2531011u;
    return (int)((s_randState >> 16) & 0x7FFF);
}

void MTH_SeedRand(uint32_t state)
{
    s_randState = state;
}

float MTH_RandFloat(float a, float b)
{
    return (float)(a + RandFraction() * b);
}

int MTH_RandInt(int a, int b)
{
    if (b == 0)
        return a;
    // Work in 64 bits so that |INT_MIN| does not overflow.
    int64_t n = b > 0 ? (int64_t)b : -(int64_t)b;
    int64_t k = (int64_t)(RandFraction() * (double)n) % n;
    return (int)(b > 0 ? a + k : a - k);
}

bool MTH_Chance(float percent)
{
    return percent > (float)(MTH_Rand() % 10000) / 100.0f;
}

// ---- Swaps ----

void MTH_SwapInt(int& a, int& b)
{
    int t = a;
    a = b;
    b = t;
}

void MTH_SwapFloat(float& a, float& b)
{
    float t = a;
    a = b;
    b = t;
}
