// core/math — vectors and row-vector matrices, orientation builders, angle helpers, easing and
// timers, projection between world and screen, and the game's random generator.
//
// Matrices are row-major 4 x 4 floats; points are row vectors multiplied on the left
// (p × World × View × Projection) with the translation in the fourth row, so A × B applies A
// first. Projection matrices are left-handed with depth 0..1. The world is z-up.
// Depends on: app/clock (TIM_GameDelta for MTH_Countdown), core/settings (back-buffer size for
// the screen-fraction helpers). Limits: one global generator and one set of projection state;
// single-threaded like the rest of the game.
#pragma once
#include <cstdint>

struct Vec3 { float x, y, z; };
struct Mat4 { float m[4][4]; };

constexpr float MTH_PI = 3.14159265358979f;
constexpr float MTH_TWO_PI = 6.28318530717959f;

// ---- Shared identity ----
extern Mat4 MTH_Identity;                      // set at start-up by MTH_InitIdentity
void MTH_InitIdentity();

// ---- Vectors ----
float MTH_Length(const Vec3& v);               // √(x² + y² + z²)
void MTH_Normalise(Vec3& v);                   // in place; a zero vector is left unchanged
float MTH_Dot(const Vec3& a, const Vec3& b);
Vec3 MTH_Cross(const Vec3& a, const Vec3& b);  // a × b
Vec3 MTH_Add(const Vec3& a, const Vec3& b);
Vec3 MTH_Sub(const Vec3& a, const Vec3& b);    // a − b
Vec3 MTH_Scale(const Vec3& v, float s);

// ---- Matrices ----
Mat4 MTH_MakeIdentity();
void MTH_Transpose(Mat4& m);                          // in place
void MTH_PreMultiply(Mat4& m, const Mat4& o);         // m := o × m
Mat4 MTH_Multiply(const Mat4& m, const Mat4& o);      // returns o × m; m and o are unchanged
void MTH_PreScale(Mat4& m, const Vec3& v);            // m := S × m, S = diag(v.x, v.y, v.z, 1)
void MTH_Translate(Mat4& m, const Vec3& p);           // m := m × T: the translation comes after m
void MTH_PreTranslate(Mat4& m, const Vec3& p);        // m := T × m: the translation comes before m
Mat4 MTH_RotationX(float a);                          // rows (1,0,0,0) (0,c,s,0) (0,−s,c,0) (0,0,0,1)
Mat4 MTH_RotationY(float a);                          // rows (c,0,−s,0) (0,1,0,0) (s,0,c,0) (0,0,0,1)
Mat4 MTH_RotationZ(float a);                          // rows (c,s,0,0) (−s,c,0,0) (0,0,1,0) (0,0,0,1)
void MTH_Transform(const Mat4& m, Vec3& p);           // p := p × m (w = 1, no divide), in place
void MTH_Transform(const Mat4& m, const Vec3& src, Vec3* dst);  // *dst := src × m (aliasing is safe)
bool MTH_Inverse(const Mat4& m, Mat4* out);           // false (and *out untouched) when m is singular
Mat4 MTH_PerspectiveFovLH(float fovy, float aspect, float zn, float zf);  // depth 0..1
Mat4 MTH_LookAtLH(const Vec3& eye, const Vec3& at, const Vec3& up);

// ---- Orientation ----
// Rows (right, forward, up′, 0 0 0 1) with right = forward × up and up′ = right × forward, all
// normalised; the caller's up is replaced by up′. forward itself is not changed.
Mat4 MTH_Basis(const Vec3& forward, Vec3& up);
Mat4 MTH_BasisColumns(const Vec3& forward, Vec3& up);        // the same basis stored by columns
Mat4 MTH_BasisMirror(const Vec3& forward, Vec3& up);         // right = up × forward, up′ = forward × right
Mat4 MTH_BasisMirrorColumns(const Vec3& forward, Vec3& up);  // the mirrored basis by columns
// Turn the pair (forward, up) by angle about the pair's own right (x), forward (y) or up (z) axis.
void MTH_TurnPairX(Vec3& forward, Vec3& up, float angle);
void MTH_TurnPairY(Vec3& forward, Vec3& up, float angle);
void MTH_TurnPairZ(Vec3& forward, Vec3& up, float angle);
// Normalise dir and up; up becomes the unit vector perpendicular to dir in their common plane.
void ORTHO(Vec3& dir, Vec3& up);

// ---- Angles ----
float MTH_Heading(const Vec3& v);   // angle of a unit xy direction from the y axis towards x, [0, 2π)
// Turn angle toward target the shorter way by (target − angle) × rate, clamped to ±limit when
// limit ≥ 0; the result is kept in [0, 2π].
void MTH_TurnToward(float& angle, float target, float rate, float limit);

// ---- Easing and timers ----
bool MTH_Countdown(float& t, float duration);  // t −= TIM_GameDelta ÷ duration; true once when it reaches 0
float MTH_Window(float x, float start, float riseEnd, float fallStart, float end);  // 0 → 1 → 0 ramp
bool MTH_Clamp01(float& x);                    // clamp to [0, 1]; true when x changed
float MTH_EaseInOut(float x);                  // 0.5 − 0.5 cos(π x)
float MTH_EaseIn(float x);                     // 1 − cos(π x ÷ 2)
float MTH_EaseOut(float x);                    // sin(π x ÷ 2)

// ---- Projection (current viewport and transforms, kept here for the display device) ----
void MTH_SetViewport(int x, int y, int w, int h, float minZ, float maxZ);
void MTH_SetTransforms(const Mat4* world, const Mat4* view, const Mat4* proj);  // null keeps that one
Vec3 MTH_WorldToScreen(const Vec3& p);         // screen pixels (x, y) and depth z
Vec3 MTH_ScreenToWorld(const Vec3& p);         // exact inverse of MTH_WorldToScreen
Vec3 MTH_ScreenFracToWorld(float fx, float fy);  // at the depth of the world origin
Vec3 MTH_WorldToScreenFrac(const Vec3& p);     // fractions of the back buffer; z = 0

// ---- Random numbers ----
int MTH_Rand();                                // next value of the generator, 0..32767
void MTH_SeedRand(uint32_t state);             // the state starts at 1; the program never reseeds
float MTH_RandFloat(float a, float b);         // a + r × b, 0 ≤ r < 1
int MTH_RandInt(int a, int b);                 // a + [0, b) for b > 0; a − [0, |b|) for b < 0; a for b = 0
bool MTH_Chance(float percent);                // true percent % of the time (1/100 steps)

// ---- Swaps ----
void MTH_SwapInt(int& a, int& b);
void MTH_SwapFloat(float& a, float& b);
