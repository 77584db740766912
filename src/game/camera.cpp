// game/camera — the title camera's slow turn, the play camera's orbit round the board, and the
// shake the board asks for.
//
// Depends on app/clock (steps, camera globals, CAM_Setup), game/board (centre, extent, layers),
// game/arcade (stack height, board state), game/mode (the mode), game/hud (pause), core/input
// and core/math. The orbit eases towards a target speed set by the keys or a drag; a lost board
// spins away on its own. Modes without a camera (the high-score table, and before the first
// mode) leave the camera as it is.
#include "game/camera.h"

#include <algorithm>
#include <cmath>

#include "app/clock.h"
#include "core/input.h"
#include "game/arcade.h"
#include "game/board.h"
#include "game/hud.h"
#include "game/mode.h"

float CAM_Angle = 0.0f;
float CAM_Speed = 0.0f;
float CAM_Shake = 0.0f;
Vec3 CAM_Right{1.0f, 0.0f, 0.0f};
Vec3 CAM_EyeMove{};
bool CAM_EmptyDrag = false;

namespace {

constexpr float kKeySpeed = 3.5f;       // orbit speed the keys ask for
constexpr float kDragSpeed = -300.0f;   // per back-buffer fraction of mouse travel
constexpr float kSpinRate = 0.8f;       // a lost board's spin grows this much a second
constexpr float kSpinMax = 2.0f;
constexpr float kEase = 0.15f;          // seconds the speed takes to settle
constexpr float kTurnRate = 0.75f;      // angle per unit of speed a second
constexpr float kLookFloor = 3.0f;      // the look-at point's height over a low stack
constexpr float kLookRise = 0.25f;      // its rise per layer of a taller stack

float g_titleAngle = 0.0f;
float g_spin = 0.0f;                    // a lost board's spin target, growing
float g_turnDir = 1.0f;                 // sign of the last non-zero target
bool g_haveEye = false;                 // the eye has a place to measure movement from
Vec3 g_lastEye{};

bool HasCamera(int mode)
{
    return mode == GAM_MODE_TITLE || mode == GAM_MODE_PLAY || mode == GAM_MODE_TITLEBACK ||
           mode == GAM_MODE_INSTRUCTIONS || mode == GAM_MODE_LEVELSETS;
}

Vec3 Rotate(const Mat4& m, const Vec3& v)
{
    Vec3 out;
    MTH_Transform(m, v, &out);   // rotations only: no translation row to pick up
    return out;
}

void TitleCamera()
{
    g_titleAngle += 0.2f * TIM_GameDelta;
    CAM_Eye = Vec3{0.0f, 0.0f, 0.0f};
    Vec3 dir = Rotate(MTH_RotationZ(g_titleAngle), Vec3{1.0f, 0.0f, 0.0f});
    CAM_Dir = Rotate(MTH_RotationY(std::cos(0.1f * TIM_GameTime)), dir);
    CAM_Up = Vec3{0.0f, 0.0f, 1.0f};
    ORTHO(CAM_Dir, CAM_Up);
}

// The speed the player (or a lost board) asks the orbit for this frame.
float OrbitTarget()
{
    if (HUD_Paused) return 0.0f;
    if (ARC_BoardState == ARC_LOST) {
        g_spin = std::min(kSpinMax, g_spin + kSpinRate * TIM_GameDelta);
        return g_turnDir * g_spin;
    }
    // Either key of a pair turns at the one speed; both directions at once cancel.
    const bool right = KEY_Down[INP_KEY_RIGHT] || KEY_Down['D'];
    const bool left = KEY_Down[INP_KEY_LEFT] || KEY_Down['A'];
    float target = (right ? kKeySpeed : 0.0f) - (left ? kKeySpeed : 0.0f);
    if (MOU_RightDown || (CAM_EmptyDrag && MOU_LeftDown)) target = kDragSpeed * MOU_DX;
    return target;
}

void PlayCamera()
{
    // A drag over empty space lasts while the left button is held.
    if (!MOU_LeftDown) CAM_EmptyDrag = false;

    const float target = OrbitTarget();
    if (target != 0.0f) g_turnDir = target > 0.0f ? 1.0f : -1.0f;
    // Never more than the whole way in one step, however long the step.
    CAM_Speed += std::min(1.0f, TIM_GameDelta / kEase) * (target - CAM_Speed);
    CAM_Angle += TIM_GameDelta * CAM_Speed * kTurnRate;
    CAM_Angle = std::fmod(CAM_Angle, MTH_TWO_PI);
    if (CAM_Angle < 0.0f) CAM_Angle += MTH_TWO_PI;
    if (!(CAM_Angle < MTH_TWO_PI)) CAM_Angle = 0.0f;   // rounding, or a step that was not a number

    const float h = ARC_StackHeight + 1.0f;
    const float radius = 0.5f * (BRD_Board.depth + 5) + 7.0f - 0.2f * h;
    const float s = std::sin(CAM_Angle), c = std::cos(CAM_Angle);
    // A board longer one way than the other is seen from further off across its long side:
    // the eye backs off by half the difference along the shorter axis.
    const float offX = std::max(0.0f, (BRD_Extent.y - BRD_Extent.x) * 0.5f);
    const float offY = std::max(0.0f, (BRD_Extent.x - BRD_Extent.y) * 0.5f);
    CAM_Eye = Vec3{BRD_Centre.x + s * (radius + offX), BRD_Centre.y + c * (radius + offY), h + 1.0f};
    // The look-at point sits 3 above the board and climbs slowly with a stack above 3 layers, so
    // the board's near rim and a tall stack's top both stay in view; it never rises to the eye,
    // so a nearly empty board is still looked down on.
    const float lookZ = std::min(h + 0.5f, kLookFloor + kLookRise * std::max(0.0f, h - 4.0f));
    const Vec3 at{BRD_Centre.x, BRD_Centre.y, lookZ};
    CAM_Dir = MTH_Sub(at, CAM_Eye);
    CAM_Up = Vec3{0.0f, 0.0f, 1.0f};
    ORTHO(CAM_Dir, CAM_Up);
}

void Shake()
{
    CAM_Shake -= TIM_RealDelta;
    if (CAM_Shake <= 0.0f) {
        CAM_Shake = 0.0f;
        return;
    }
    const float m = 0.1f * std::min(CAM_Shake, 0.3f);
    const Mat4 rx = MTH_RotationX(MTH_RandFloat(-m, 2.0f * m));
    const Mat4 ry = MTH_RotationY(MTH_RandFloat(-m, 2.0f * m));
    CAM_Dir = Rotate(ry, Rotate(rx, CAM_Dir));
    CAM_Up = Rotate(ry, Rotate(rx, CAM_Up));
}

} // namespace

void CAM_Reset()
{
    CAM_Speed = 0.0f;
    CAM_Shake = 0.0f;
    CAM_EmptyDrag = false;
    CAM_EyeMove = Vec3{};
    g_spin = 0.0f;
    g_turnDir = 1.0f;
    g_haveEye = false;
}

void CAM_RequestShake(float strength)
{
    if (strength > CAM_Shake) CAM_Shake = strength;
}

void CAM_Update()
{
    if (!HasCamera(GAM_Mode)) return;
    if (GAM_Mode == GAM_MODE_PLAY) PlayCamera();
    else TitleCamera();

    Shake();
    ORTHO(CAM_Dir, CAM_Up);
    CAM_Right = MTH_Cross(CAM_Up, CAM_Dir);
    MTH_Normalise(CAM_Right);
    CAM_EyeMove = g_haveEye ? MTH_Sub(CAM_Eye, g_lastEye) : Vec3{};
    g_lastEye = CAM_Eye;
    g_haveEye = true;
    CAM_Setup();
}
