// game/arcade — the pressure of arcade play: the difficulty curve, blocks dropping in, levels
// and level-up bursts, the stack statistics, the panic countdown and the game over with its
// flying board, fireworks, and the arena (floor and wall) around the board.
//
// Depends on game/board, game/block, game/blocktypes, game/match (score), game/mode (game type,
// fade and mode time), game/camera (shake), game/hud (pause), game/sfx, scene/object,
// render/draw, render/device, render/mesh, render/texture, render/fx, ui/font, app/clock,
// core/math, core/settings.
// Limits: boards of up to 100 columns; a shape with no column never divides by zero.
#pragma once
#include <cstdint>

#include "core/math.h"
#include "scene/object.h"

enum : int { ARC_PLAYING = 0, ARC_RESTARTING = 1, ARC_LOST = 3, ARC_HANDED_BACK = 4 };

extern int ARC_Difficulty;         // 1..3; 0 before any arcade game
extern float ARC_CurveTime;        // one unit per minute of play; starts at 6, 9 or 12
extern float ARC_Intensity;        // curveTime / 25, at most 1
extern float ARC_DropInterval;     // seconds between drops
extern float ARC_DropTimer;        // seconds to the next drop
extern int ARC_NextColour;         // colour of the next drop, 1..5
extern uint8_t ARC_ColourBag[5];   // colours dealt in this cycle
extern int ARC_QuickDrops;         // consecutive quick follow-ups, at most 4
extern int ARC_LevelNumber;        // the arcade level; -1 at game start
extern int ARC_LevelUps;
extern float ARC_LevelUpTimer;     // 1 at a level-up; the HUD counts it down
extern float ARC_BurstSignal;      // raised by the HUD, consumed by ARC_BurstTrigger
extern int ARC_BurstLeft;
extern int ARC_AverageFill;        // coloured blocks per board column
extern int ARC_TopLayer;           // 1 + highest layer with a block not in a fall step
extern float ARC_StackHeight;      // topLayer smoothed; 10 at level start
extern uint8_t ARC_Panic;          // topLayer >= 10 in arcade
extern float ARC_PanicMeter;       // 0..1
extern float ARC_Countdown;        // 0..1, five seconds once the meter is full
extern int ARC_BoardState;         // ARC_PLAYING, ARC_RESTARTING, ARC_LOST, ARC_HANDED_BACK
extern uint8_t ARC_GameOver;
extern float ARC_ExplosionTime;    // seconds of explosion sounds left
extern float ARC_FireworksTime;    // seconds of the fireworks sound window left

void ARC_StartGame(int difficulty);  // difficulty, curve start, level -1, level-ups 0
void ARC_ResetLevel();             // the per-level pressure state of a level start
void ARC_Curve();
void ARC_Drops();
void ARC_Level();
void ARC_BurstTrigger();
void ARC_Stats();
void ARC_PanicFlag();
void ARC_FireworksSound();         // the game update's fireworks sound step
void ARC_Fill(int layers);         // the initial fill
void ARC_BoardTick();              // per frame in play: explosions, texts, panic, game over
void ARC_Fireworks(int count);     // the second set of fireworks
int ARC_BagNext();                 // next colour from the colour bag, 1..5
void ARC_BagEmpty();
float ARC_IntervalAt(float curveTime);  // the drop interval table
Behaviour ARC_PieceBehaviour();    // a board piece flying off after a game over
// How drops and the initial fill create their blocks: BLK_Spawn unless another is installed
// (tests record the blocks instead). Null restores BLK_Spawn.
using ARC_Spawner = bool (*)(const Vec3& pos, int type, bool claimNow, bool spawned);
void ARC_SetSpawner(ARC_Spawner spawner);
void ARENA_Draw();                 // floor disc and wall, in play only
