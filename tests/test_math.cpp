// Tests of core/math: matrix order conventions, rotations, orientation pairs, angle helpers,
// projection round trips, easing/timers and the random generator's exact sequence.
#include <gtest/gtest.h>

#include <cmath>
#include <set>

#include "app/clock.h"
#include "core/math.h"
#include "core/settings.h"

namespace {

constexpr float kEps = 1e-5f;
constexpr float kHalfPi = 1.5707963f;

void ExpectVec(const Vec3& got, const Vec3& want, float eps = kEps)
{
    EXPECT_NEAR(got.x, want.x, eps);
    EXPECT_NEAR(got.y, want.y, eps);
    EXPECT_NEAR(got.z, want.z, eps);
}

Vec3 Apply(const Mat4& m, Vec3 p)
{
    MTH_Transform(m, p);
    return p;
}

} // namespace

TEST(MathMatrix, TranslateComesAfterAndPreTranslateBefore)
{
    const Vec3 origin = { 0, 0, 0 };
    Mat4 after = MTH_RotationZ(kHalfPi);
    MTH_Translate(after, { 1, 0, 0 });
    ExpectVec(Apply(after, origin), { 1, 0, 0 });

    Mat4 before = MTH_RotationZ(kHalfPi);
    MTH_PreTranslate(before, { 1, 0, 0 });
    ExpectVec(Apply(before, origin), { 0, 1, 0 });
}

TEST(MathMatrix, MultiplyPreMultiplyAndPreScaleOrder)
{
    Mat4 t = MTH_MakeIdentity();
    MTH_Translate(t, { 1, 0, 0 });
    const Mat4 rz = MTH_RotationZ(kHalfPi);

    // MTH_Multiply(m, o) is o × m: o (the rotation) acts first.
    Mat4 prod = MTH_Multiply(t, rz);
    ExpectVec(Apply(prod, { 1, 0, 0 }), { 1, 1, 0 });
    Mat4 pre = t;
    MTH_PreMultiply(pre, rz);
    ExpectVec(Apply(pre, { 1, 0, 0 }), { 1, 1, 0 });

    // The scale acts before the translation, so it does not scale the offset.
    Mat4 scaled = t;
    MTH_PreScale(scaled, { 2, 3, 4 });
    ExpectVec(Apply(scaled, { 1, 1, 1 }), { 3, 3, 4 });

    // Transpose moves the translation out of the fourth row.
    Mat4 tt = t;
    MTH_Transpose(tt);
    EXPECT_EQ(tt.m[0][3], 1.0f);
    EXPECT_EQ(tt.m[3][0], 0.0f);
}

TEST(MathMatrix, RotationsFollowRowVectorConvention)
{
    struct Case { char axis; Vec3 in, out; };
    const Case cases[] = {
        { 'x', { 0, 1, 0 }, { 0, 0, 1 } },  { 'x', { 0, 0, 1 }, { 0, -1, 0 } },
        { 'y', { 0, 0, 1 }, { 1, 0, 0 } },  { 'y', { 1, 0, 0 }, { 0, 0, -1 } },
        { 'z', { 1, 0, 0 }, { 0, 1, 0 } },  { 'z', { 0, 1, 0 }, { -1, 0, 0 } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.axis);
        Mat4 m = c.axis == 'x' ? MTH_RotationX(kHalfPi)
               : c.axis == 'y' ? MTH_RotationY(kHalfPi) : MTH_RotationZ(kHalfPi);
        ExpectVec(Apply(m, c.in), c.out);
    }
}

TEST(MathMatrix, TransformIntoSameOrSeparatePoint)
{
    Mat4 m = MTH_RotationZ(kHalfPi);
    MTH_Translate(m, { 0, 0, 5 });
    Vec3 p = { 1, 0, 0 };
    Vec3 q;
    MTH_Transform(m, p, &q);
    ExpectVec(q, { 0, 1, 5 });
    MTH_Transform(m, p, &p);  // aliasing must not read half-written components
    ExpectVec(p, { 0, 1, 5 });
}

TEST(MathMatrix, InverseUndoesCompoundAndRefusesSingular)
{
    Mat4 m = MTH_RotationX(0.3f);
    MTH_PreMultiply(m, MTH_RotationY(1.1f));
    MTH_PreScale(m, { 2, 0.5f, 3 });
    MTH_Translate(m, { 4, -2, 7 });
    Mat4 inv;
    ASSERT_TRUE(MTH_Inverse(m, &inv));
    Mat4 id = MTH_Multiply(m, inv);
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            EXPECT_NEAR(id.m[i][j], i == j ? 1.0f : 0.0f, 1e-5f);

    Mat4 flat = MTH_MakeIdentity();
    MTH_PreScale(flat, { 1, 0, 1 });
    Mat4 untouched = MTH_MakeIdentity();
    EXPECT_FALSE(MTH_Inverse(flat, &untouched));
    EXPECT_EQ(untouched.m[1][1], 1.0f);
}

TEST(MathOrientation, BasisRowsAndReplacedUp)
{
    Vec3 up = { 0, 1, 1 };  // not perpendicular, not unit
    Mat4 b = MTH_Basis({ 0, 2, 0 }, up);
    ExpectVec(up, { 0, 0, 1 });
    ExpectVec({ b.m[0][0], b.m[0][1], b.m[0][2] }, { 1, 0, 0 });
    ExpectVec({ b.m[1][0], b.m[1][1], b.m[1][2] }, { 0, 1, 0 });
    ExpectVec({ b.m[2][0], b.m[2][1], b.m[2][2] }, { 0, 0, 1 });
    EXPECT_EQ(b.m[3][3], 1.0f);

    Vec3 up2 = { 0, 1, 1 };
    Mat4 c = MTH_BasisColumns({ 0, 2, 0 }, up2);
    MTH_Transpose(c);
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            EXPECT_FLOAT_EQ(c.m[i][j], b.m[i][j]);

    // The mirrored basis has the opposite right vector (and keeps up on the same side).
    Vec3 up3 = { 0, 1, 1 };
    Mat4 mir = MTH_BasisMirror({ 0, 2, 0 }, up3);
    ExpectVec({ mir.m[0][0], mir.m[0][1], mir.m[0][2] }, { -1, 0, 0 });
    ExpectVec(up3, { 0, 0, 1 });
}

TEST(MathOrientation, TurnPairAboutEachAxis)
{
    struct Case { char axis; Vec3 up, forwardOut, upOut; };
    const Case cases[] = {
        { 'x', { 0, 0, 1 }, { 0, 0, 1 }, { 0, -1, 0 } },
        { 'x', { 0, 0.5f, 2 }, { 0, 0, 1 }, { 0, -1, 0 } },  // up is made perpendicular first
        { 'y', { 0, 0, 1 }, { 0, 1, 0 }, { 1, 0, 0 } },
        { 'z', { 0, 0, 1 }, { -1, 0, 0 }, { 0, 0, 1 } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.axis);
        Vec3 f = { 0, 1, 0 }, u = c.up;
        if (c.axis == 'x') MTH_TurnPairX(f, u, kHalfPi);
        if (c.axis == 'y') MTH_TurnPairY(f, u, kHalfPi);
        if (c.axis == 'z') MTH_TurnPairZ(f, u, kHalfPi);
        ExpectVec(f, c.forwardOut);
        ExpectVec(u, c.upOut);
    }
}

TEST(MathOrientation, OrthoAndNormaliseZero)
{
    Vec3 dir = { 3, 0, 0 }, up = { 1, 0, 2 };
    ORTHO(dir, up);
    ExpectVec(dir, { 1, 0, 0 });
    ExpectVec(up, { 0, 0, 1 });

    Vec3 zero = { 0, 0, 0 };
    MTH_Normalise(zero);
    ExpectVec(zero, { 0, 0, 0 }, 0.0f);
    EXPECT_FLOAT_EQ(MTH_Length({ 3, 4, 12 }), 13.0f);
}

TEST(MathAngles, HeadingQuadrants)
{
    struct Case { Vec3 v; float want; };
    const Case cases[] = {
        { { 0, 1, 0 }, 0.0f },
        { { 1, 0, 0 }, kHalfPi },
        { { 0, -1, 0 }, MTH_PI },
        { { -1, 0, 0 }, 3 * kHalfPi },
        { { -0.70710678f, 0.70710678f, 0 }, 7 * MTH_PI / 4 },
        { { 0, 1.0000001f, 0 }, 0.0f },  // rounding past 1 must not give NaN
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.want);
        EXPECT_NEAR(MTH_Heading(c.v), c.want, 1e-4f);
    }
}

TEST(MathAngles, TurnTowardTakesShorterWay)
{
    struct Case { float from, to, rate, limit, want; };
    const Case cases[] = {
        { 6.2f, 0.1f, 1.0f, -1.0f, 0.1f },                        // up through 2π, lands wrapped
        { 6.2f, 0.1f, 0.5f, -1.0f, 6.2f + 0.5f * (0.1f + MTH_TWO_PI - 6.2f) - MTH_TWO_PI },
        { 0.1f, 6.2f, 0.25f, -1.0f, 0.1f - 0.25f * (0.1f + MTH_TWO_PI - 6.2f) },  // down through 0
        { 0.0f, 3.0f, 1.0f, 0.5f, 0.5f },                          // clamped step
        { 1.0f, 1.0f - 4 * MTH_TWO_PI, 1.0f, -1.0f, 1.0f },        // target brought into range
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.from << " -> " << c.to);
        float a = c.from;
        MTH_TurnToward(a, c.to, c.rate, c.limit);
        EXPECT_NEAR(a, c.want, 1e-4f);
    }
    float wild = 1.0f;
    MTH_TurnToward(wild, NAN, 1.0f, -1.0f);  // must return, whatever it leaves
}

TEST(MathEasing, WindowCountdownClampAndCurves)
{
    struct WindowCase { float x, want; };
    const WindowCase windows[] = { { 0.5f, 1.0f }, { 0.1f, 0.5f }, { 0.0f, 0.0f },
                                   { 1.0f, 0.0f }, { 0.9f, 0.5f }, { -3.0f, 0.0f } };
    for (const WindowCase& w : windows)
        EXPECT_NEAR(MTH_Window(w.x, 0, 0.2f, 0.8f, 1), w.want, 1e-5f) << w.x;

    const float savedDelta = TIM_GameDelta;
    TIM_GameDelta = 0.5f;
    float t = 0.0f;
    EXPECT_FALSE(MTH_Countdown(t, 1.0f));
    EXPECT_EQ(t, 0.0f);
    t = 0.001f;
    EXPECT_TRUE(MTH_Countdown(t, 1.0f));  // long frame: finishes once
    EXPECT_EQ(t, 0.0f);
    EXPECT_FALSE(MTH_Countdown(t, 1.0f));
    t = 1.0f;
    EXPECT_FALSE(MTH_Countdown(t, 2.0f));
    EXPECT_FLOAT_EQ(t, 0.75f);
    TIM_GameDelta = 0.0f;
    t = 1.0f;
    EXPECT_TRUE(MTH_Countdown(t, 0.0f));  // a zero duration finishes instead of turning NaN
    EXPECT_EQ(t, 0.0f);
    TIM_GameDelta = savedDelta;

    float x = 1.5f;
    EXPECT_TRUE(MTH_Clamp01(x));
    EXPECT_EQ(x, 1.0f);
    EXPECT_FALSE(MTH_Clamp01(x));

    EXPECT_NEAR(MTH_EaseInOut(0.5f), 0.5f, kEps);
    EXPECT_NEAR(MTH_EaseIn(1.0f), 1.0f, kEps);
    EXPECT_NEAR(MTH_EaseOut(1.0f), 1.0f, kEps);
    EXPECT_NEAR(MTH_EaseIn(0.5f), 1.0f - std::cos(MTH_PI / 4), kEps);
}

class MathProjection : public testing::Test {
protected:
    void SetUp() override
    {
        Mat4 world = MTH_RotationZ(0.4f);
        MTH_Translate(world, { 1, 2, 0.5f });
        Mat4 view = MTH_LookAtLH({ 8, -6, 5 }, { 0, 0, 0 }, { 0, 0, 1 });
        Mat4 proj = MTH_PerspectiveFovLH(CAM_Fov, 800.0f / 600.0f, CAM_Near, CAM_Far);
        MTH_SetTransforms(&world, &view, &proj);
    }
    void TearDown() override
    {
        Mat4 id = MTH_MakeIdentity();
        MTH_SetTransforms(&id, &id, &id);
        MTH_SetViewport(0, 0, 800, 600, 0, 1);
    }
};

TEST_F(MathProjection, WorldToScreenAndBackRoundTrip)
{
    MTH_SetViewport(10, 20, 800, 600, 0.0f, 1.0f);
    const Vec3 points[] = { { 0, 0, 0 }, { 1, -1, 2 }, { -3, 2, 0.25f }, { 0.5f, 0.5f, -1 } };
    for (const Vec3& p : points) {
        Vec3 s = MTH_WorldToScreen(p);
        EXPECT_GT(s.z, 0.0f);
        EXPECT_LT(s.z, 1.0f);
        ExpectVec(MTH_ScreenToWorld(s), p, 2e-3f);
    }
}

TEST_F(MathProjection, LookAtTargetProjectsToViewportCentre)
{
    // The look-at target is the world origin; undo the world transform to land on it.
    Mat4 id = MTH_MakeIdentity();
    MTH_SetTransforms(&id, nullptr, nullptr);
    MTH_SetViewport(100, 50, 400, 300, 0.0f, 1.0f);
    Vec3 s = MTH_WorldToScreen({ 0, 0, 0 });
    EXPECT_NEAR(s.x, 300.0f, 1e-3f);
    EXPECT_NEAR(s.y, 200.0f, 1e-3f);
    // Something higher up (z-up world) is higher on screen: smaller y.
    EXPECT_LT(MTH_WorldToScreen({ 0, 0, 1 }).y, s.y);
}

TEST_F(MathProjection, ScreenFractionsAndDegenerateTransforms)
{
    MTH_SetViewport(0, 0, CFG_Width, CFG_Height, 0.0f, 1.0f);
    // Fractions of a world point, taken back at the origin's depth, give the point back when it
    // lies at that depth (the origin itself).
    Vec3 f = MTH_WorldToScreenFrac({ 0, 0, 0 });
    EXPECT_EQ(f.z, 0.0f);
    ExpectVec(MTH_ScreenFracToWorld(f.x, f.y), { 0, 0, 0 }, 2e-3f);

    Mat4 flat = MTH_MakeIdentity();
    MTH_PreScale(flat, { 1, 1, 0 });
    MTH_SetTransforms(&flat, nullptr, nullptr);
    Vec3 w = MTH_ScreenToWorld({ 400, 300, 0.5f });
    EXPECT_TRUE(std::isfinite(w.x) && std::isfinite(w.y) && std::isfinite(w.z));
}

TEST(MathRandom, GeneratorSequenceFromStateOne)
{
    MTH_SeedRand(1);
    EXPECT_EQ(MTH_Rand(), 41);
    EXPECT_EQ(MTH_Rand(), 18467);
    EXPECT_EQ(MTH_Rand(), 6334);
    MTH_SeedRand(1);
    EXPECT_EQ(MTH_Rand(), 41);  // same start, same numbers
}

TEST(MathRandom, RandIntRangesBySignOfB)
{
    struct Case { int a, b, lo, hi; };
    const Case cases[] = { { 0, 6, 0, 5 }, { 10, -3, 8, 10 }, { 5, 1, 5, 5 }, { -4, -1, -4, -4 } };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.a << "," << c.b);
        MTH_SeedRand(12345);
        std::set<int> seen;
        for (int i = 0; i < 2000; ++i) {
            int v = MTH_RandInt(c.a, c.b);
            ASSERT_GE(v, c.lo);
            ASSERT_LE(v, c.hi);
            seen.insert(v);
        }
        EXPECT_EQ((int)seen.size(), c.hi - c.lo + 1);
    }
    // b = 0 gives a and draws nothing, so later numbers are not shifted.
    MTH_SeedRand(1);
    EXPECT_EQ(MTH_RandInt(7, 0), 7);
    EXPECT_EQ(MTH_Rand(), 41);
    // Extreme b must not overflow taking |b|.
    MTH_SeedRand(99);
    for (int i = 0; i < 100; ++i)
        EXPECT_LE(MTH_RandInt(0, INT32_MIN), 0);
}

TEST(MathRandom, RandFloatAndChanceBounds)
{
    MTH_SeedRand(777);
    for (int i = 0; i < 2000; ++i) {
        float f = MTH_RandFloat(-1.0f, 1.0f);
        ASSERT_GE(f, -1.0f);
        ASSERT_LT(f, 0.0f);
        ASSERT_FALSE(MTH_Chance(0.0f));
        ASSERT_TRUE(MTH_Chance(100.0f));
    }
    // First fraction from state 1 is 41 / 32767.
    MTH_SeedRand(1);
    EXPECT_FLOAT_EQ(MTH_RandFloat(2.0f, 32767.0f), 2.0f + 41.0f);
}

TEST(MathMisc, SwapsAndSharedIdentity)
{
    int a = 1, b = 2;
    MTH_SwapInt(a, b);
    EXPECT_EQ(a * 10 + b, 21);
    float x = 1.5f, y = -2.0f;
    MTH_SwapFloat(x, y);
    EXPECT_EQ(x, -2.0f);
    EXPECT_EQ(y, 1.5f);
    MTH_InitIdentity();
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            EXPECT_EQ(MTH_Identity.m[i][j], i == j ? 1.0f : 0.0f);
}
