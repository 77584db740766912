// game/arcade — the pressure of arcade play: the difficulty curve and its drop interval, the
// drops themselves (the colour bag, double drops, quick follow-ups and level-up bursts), the
// level number and its level-ups, the board statistics the pressure reads, the panic flag, the
// initial fill of a level and the fireworks.
//
// The board tick, the game over and the arena live in arcade_end.cpp.
// Depends on game/board, game/block (spawning), game/blocktypes (live counts), game/match
// (score), game/mode, game/hud, game/sfx, core/settings (detail), core/math, app/clock.
#include "game/arcade.h"

#include <cmath>

#include "app/clock.h"
#include "core/log.h"
#include "core/settings.h"
#include "game/block.h"
#include "game/blocktypes.h"
#include "game/board.h"
#include "game/hud.h"
#include "game/match.h"
#include "game/mode.h"
#include "game/sfx.h"

int ARC_Difficulty = 0;
float ARC_CurveTime = 0.0f;
float ARC_Intensity = 0.0f;
float ARC_DropInterval = 6.0f;
float ARC_DropTimer = 0.0f;
int ARC_NextColour = 1;
uint8_t ARC_ColourBag[5] = {};
int ARC_QuickDrops = 0;
int ARC_LevelNumber = -1;
int ARC_LevelUps = 0;
float ARC_LevelUpTimer = 0.0f;
float ARC_BurstSignal = 0.0f;
int ARC_BurstLeft = 0;
int ARC_AverageFill = 0;
int ARC_TopLayer = 0;
float ARC_StackHeight = 10.0f;
uint8_t ARC_Panic = 0;
float ARC_PanicMeter = 0.0f;
float ARC_Countdown = 0.0f;
int ARC_BoardState = ARC_PLAYING;
uint8_t ARC_GameOver = 0;
float ARC_ExplosionTime = 0.0f;
float ARC_FireworksTime = 0.0f;

namespace {

// The drop interval table: curve time → seconds between drops, linear between the points.
struct CurvePoint {
    float curve, seconds;
};
constexpr CurvePoint kIntervals[] = {
    {0.0f, 6.0f},  {2.5f, 5.0f},  {5.0f, 4.0f},  {7.0f, 3.0f},  {9.0f, 2.0f},  {10.5f, 1.5f},
    {12.0f, 1.3f}, {13.0f, 1.1f}, {14.0f, 1.0f}, {16.0f, 0.8f}, {20.0f, 0.4f},
};
constexpr int kIntervalCount = (int)(sizeof kIntervals / sizeof kIntervals[0]);

constexpr int kColours = 5;
constexpr int kColumnTries = 100;     // random columns a drop tries before it gives up
constexpr int kMaxQuickDrops = 4;
constexpr float kQuickDelay = 0.1f;   // seconds between quick follow-ups and burst drops
constexpr int kBurstDrops = 10;
constexpr int kDropLayer = 13;        // drops appear above the 14 layers and fall in
constexpr int kPanicLayers = 10;
constexpr float kStackSmoothing = 1.8f;
constexpr int kFillRedraws = 10;

ARC_Spawner g_spawner = nullptr;

// Colour memory of the initial fill: the colour given to each cell, −1 where none was.
int g_fillColour[BRD_CellCount];

bool Spawn(const Vec3& pos, int type)
{
    return g_spawner ? g_spawner(pos, type, false, false) : BLK_Spawn(pos, type, false, false);
}

bool IsArcade() { return GAM_Type == GAM_TYPE_ARCADE; }

void UpdateIntensity()
{
    ARC_Intensity = ARC_CurveTime / 25.0f;
    if (ARC_Intensity > 1.0f) ARC_Intensity = 1.0f;
}

// Fewer layers on the board mean drops come faster: the interval shrinks below 10 layers.
float StackFactor(float stack)
{
    if (stack < 6.0f) return 0.5f;
    if (stack < 7.0f) return 0.6f;
    if (stack < 8.0f) return 0.7f;
    if (stack < 9.0f) return 0.8f;
    if (stack < 10.0f) return 0.9f;
    return 1.0f;
}

// Chance (percent) of a quick follow-up drop, from how full the board is.
int FillChance(int averageFill, int level)
{
    int c = 0;
    if (averageFill <= 2) c = 70;
    else if (averageFill <= 4) c = 50;
    else if (averageFill <= 6) c = 30;
    if (level < 15) c /= 2;
    return c;
}

int BurstEvery(int level)
{
    if (level <= 20) return 4;
    if (level <= 40) return 3;
    if (level <= 65) return 2;
    return 1;
}

int ShapeColumns()
{
    int n = 0;
    for (int y = 0; y < BRD_Height; y++)
        for (int x = 0; x < BRD_Width; x++) n += BRD_InShape(x, y);
    return n;
}

// Layers of the grid over the current board (the grid holds more than the 14 board layers:
// drops start above them).
int GridLayers()
{
    const int columns = BRD_Width * BRD_Height;
    return columns > 0 ? BRD_CellCount / columns : 0;
}

int FillColourAt(int x, int y, int z)
{
    const int i = CELL_Index(x, y, z);
    return i >= 0 && i < BRD_CellCount ? g_fillColour[i] : -1;
}

} // namespace

void ARC_SetSpawner(ARC_Spawner spawner) { g_spawner = spawner; }

void ARC_StartGame(int difficulty)
{
    if (difficulty < 1 || difficulty > 3) {
        LOG_Write("Arcade difficulty %d is not 1 to 3 : playing difficulty 1", difficulty);
        difficulty = 1;
    }
    ARC_Difficulty = difficulty;
    ARC_CurveTime = 3.0f + 3.0f * (float)difficulty;   // 6, 9 or 12
    ARC_LevelNumber = -1;
    ARC_LevelUps = 0;
    UpdateIntensity();
    ARC_DropInterval = ARC_IntervalAt(ARC_CurveTime);
}

void ARC_ResetLevel()
{
    UpdateIntensity();
    ARC_DropInterval = ARC_IntervalAt(ARC_CurveTime);
    ARC_DropTimer = ARC_DropInterval;
    ARC_QuickDrops = 0;
    ARC_LevelUpTimer = 0.0f;
    ARC_BurstSignal = 0.0f;
    ARC_BurstLeft = 0;
    ARC_AverageFill = 0;
    ARC_TopLayer = 0;
    ARC_StackHeight = 10.0f;
    ARC_Panic = 0;
    ARC_PanicMeter = 0.0f;
    ARC_Countdown = 0.0f;
    ARC_BoardState = ARC_PLAYING;
    ARC_GameOver = 0;
    ARC_ExplosionTime = 0.0f;
    ARC_FireworksTime = 0.0f;
    ARC_BagEmpty();
}

float ARC_IntervalAt(float curveTime)
{
    if (!(curveTime > kIntervals[0].curve)) return kIntervals[0].seconds;
    for (int i = 1; i < kIntervalCount; i++) {
        const CurvePoint& a = kIntervals[i - 1];
        const CurvePoint& b = kIntervals[i];
        if (curveTime <= b.curve) {
            const float t = (curveTime - a.curve) / (b.curve - a.curve);
            return a.seconds + t * (b.seconds - a.seconds);
        }
    }
    return kIntervals[kIntervalCount - 1].seconds;
}

void ARC_Curve()
{
    UpdateIntensity();
    if (!IsArcade() || GAM_LevelFading() || HUD_Paused || ARC_Panic) return;
    ARC_CurveTime += TIM_GameDelta / 60.0f;
    UpdateIntensity();
    ARC_DropInterval = ARC_IntervalAt(ARC_CurveTime);
}

int ARC_BagNext()
{
    int i = MTH_RandInt(0, kColours);
    bool found = false;
    for (int k = 0; k < kColours; k++) {
        if (!ARC_ColourBag[i]) {
            found = true;
            break;
        }
        if (k < kColours - 1) i = (i + 1) % kColours;
    }
    // Every colour of this cycle has been dealt: a new cycle starts with the last one tried.
    if (!found) ARC_BagEmpty();
    ARC_ColourBag[i] = 1;
    return i + 1;
}

void ARC_BagEmpty()
{
    for (uint8_t& c : ARC_ColourBag) c = 0;
}

void ARC_Drops()
{
    if (!IsArcade() || HUD_Paused || GAM_LevelFading()) return;
    // A lost board takes no more blocks: its tiles are gone, and the panic meter that held
    // the drops back decays towards 0 while the lost board is still on screen.
    if (ARC_GameOver) return;
    ARC_DropTimer -= TIM_GameDelta;
    if (!(ARC_DropTimer < 0.0f) || ARC_PanicMeter != 0.0f) return;

    int x = 0, y = 0;
    bool found = false;
    for (int t = 0; t < kColumnTries && !found; t++) {
        x = MTH_RandInt(0, BRD_Width);
        y = MTH_RandInt(0, BRD_Height);
        found = BRD_InShape(x, y);
    }
    if (!found) return;

    ARC_DropTimer = ARC_DropInterval * StackFactor(ARC_StackHeight);
    ARC_NextColour = ARC_BagNext();
    const bool twice = MTH_Chance(50.0f);

    if (ARC_BurstLeft > 0) {
        ARC_BurstLeft--;
        if (ARC_BurstLeft > 0) ARC_DropTimer = kQuickDelay;
        ARC_NextColour = ARC_BagNext();
    }

    if (MTH_Chance((float)FillChance(ARC_AverageFill, ARC_LevelNumber)) &&
        ARC_QuickDrops < kMaxQuickDrops) {
        ARC_QuickDrops++;
        ARC_DropTimer = kQuickDelay;
    } else {
        ARC_QuickDrops = 0;
    }

    Spawn(Vec3{(float)x, (float)y, (float)kDropLayer}, ARC_NextColour);
    if (twice) Spawn(Vec3{(float)x, (float)y, (float)(kDropLayer + 1)}, ARC_NextColour);
}

void ARC_Level()
{
    if (!IsArcade()) return;
    // The divisor is the single-precision 0.3 and the quotient is taken in double precision,
    // so a curve of exactly 6 gives level 19: the first tick the curve moves brings 20.
    const double k = (double)0.3f;
    int level = (int)((double)ARC_CurveTime / k);
    if (level < 1) level = 1;
    if (level == ARC_LevelNumber) return;
    const int old = ARC_LevelNumber;
    ARC_LevelNumber = level;
    if (old != -1 && GAM_ModeTime > 20.0f) {
        ARC_LevelUpTimer = 1.0f;
        SCORE_Score += level * 100;
    }
}

void ARC_BurstTrigger()
{
    if (ARC_BurstSignal == 0.0f) return;
    ARC_BurstSignal = 0.0f;
    ARC_LevelUps++;
    if (ARC_LevelUps % BurstEvery(ARC_LevelNumber) == 0) {
        ARC_BurstLeft = kBurstDrops;
        ARC_DropTimer = 0.0f;
    }
}

void ARC_Stats()
{
    const int columns = ShapeColumns();
    int coloured = BLK_LiveCount[BLK_GEM] + BLK_LiveCount[BLK_CRYSTAL];
    for (int c = BLK_RED; c <= BLK_YELLOW; c++) coloured += BLK_LiveCount[c];
    // A board with no column at all has nothing on it rather than a division by zero.
    ARC_AverageFill = columns > 0 ? coloured / columns : 0;

    ARC_TopLayer = 0;
    const int layers = GridLayers();
    for (int z = layers - 1; z >= 0 && ARC_TopLayer == 0; z--) {
        for (int y = 0; y < BRD_Height && ARC_TopLayer == 0; y++) {
            for (int x = 0; x < BRD_Width; x++) {
                const int i = CELL_Index(x, y, z);
                if (i < 0 || i >= BRD_CellCount) continue;
                const Block* b = BRD_Cells[i].block;
                if (b && b->moveDir != BLK_DIR_FALL) {
                    ARC_TopLayer = z + 1;
                    break;
                }
            }
        }
    }
    ARC_StackHeight += ((float)ARC_TopLayer - ARC_StackHeight) * TIM_GameDelta / kStackSmoothing;
}

void ARC_PanicFlag()
{
    ARC_Panic = IsArcade() && ARC_TopLayer >= kPanicLayers;
}

void ARC_Fill(int layers)
{
    UpdateIntensity();
    for (int& c : g_fillColour) c = -1;
    for (int z = 0; z < layers; z++) {
        for (int y = 0; y < BRD_Height; y++) {
            for (int x = 0; x < BRD_Width; x++) {
                if (!BRD_InShape(x, y)) continue;
                const int i = CELL_Index(x, y, z);
                if (i < 0 || i >= BRD_CellCount || BRD_Cells[i].block) continue;
                // Draw again while two neighbours already have the colour, so the fill does not
                // hand the player ready-made groups.
                int colour = ARC_BagNext();
                for (int k = 0; k < kFillRedraws; k++) {
                    const int same = (FillColourAt(x - 1, y, z) == colour) +
                                     (FillColourAt(x + 1, y, z) == colour) +
                                     (FillColourAt(x, y - 1, z) == colour) +
                                     (FillColourAt(x, y + 1, z) == colour) +
                                     (FillColourAt(x, y, z - 1) == colour);
                    if (same < 2) break;
                    colour = ARC_BagNext();
                }
                Spawn(Vec3{(float)x, (float)y, (float)z}, colour);
                g_fillColour[i] = colour;
            }
        }
    }
}

void ARC_FireworksSound()
{
    ARC_FireworksTime -= TIM_GameDelta;
    if (ARC_FireworksTime < 0.0f) ARC_FireworksTime = 0.0f;
    if (ARC_FireworksTime > 0.0f && ARC_FireworksTime < 0.5f && MTH_Chance(20.0f))
        SFX_Play("SND_FIREWORKS", MTH_RandInt(15000, 10000));
}

void ARC_Fireworks(int count)
{
    static const char* const kNames[] = {"PFX_FIREWORK02", "PFX_FIREWORK02A", "PFX_FIREWORK02B",
                                         "PFX_FIREWORK02C", "PFX_FIREWORK02D"};
    // Low detail leaves the fireworks out, and their sound with them.
    if (!(CFG_Detail > 0.8f)) return;
    for (int i = 0; i < count; i++) {
        const float a = MTH_TWO_PI * (float)i / (float)count;
        const Vec3 pos{30.0f * std::sin(a), 30.0f * std::cos(a), -MTH_RandFloat(70.0f, 10.0f)};
        SFX_Effect(kNames[i % 5], pos, Vec3{0.0f, 0.0f, 1.0f});
    }
    ARC_FireworksTime = 1.4f;
}
