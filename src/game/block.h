// game/block — blocks at run time: the block record, spawning, the block behaviour (one
// coroutine per block), picking and dragging with the mouse, the move queue, single-cell steps
// with climbs and stacks riding along, gravity, removal animations and the player's held-block
// mask.
//
// Every step is exactly one cell and takes 0.2 seconds of game time. Within a tick the game
// update (queue, gravity) runs before the behaviours; blocks claim their cells again while they
// run, and the game update ends by clearing every claim.
// Depends on game/board (cells and claims), game/blocktypes, game/specials (per-type hooks),
// game/sfx, game/camera (the empty-space drag), game/mode (play, fading), scene/object,
// render/mesh, render/material (the vanish glow), app/clock, core/math, core/input. Limits: 2000
// queued moves per tick (more are dropped, logged once); directions are the four board axes.
#pragma once
#include <cstdint>

#include "core/math.h"
#include "scene/object.h"

// moveDir values: one of the four directions, plus a flag for the climbing part of a climb,
// or the fall step.
enum : int {
    BLK_DIR_NONE = 0, BLK_DIR_MX = 1, BLK_DIR_PX = 2, BLK_DIR_MY = 3, BLK_DIR_PY = 4,
    BLK_DIR_FALL = 16, BLK_DIR_CLIMB = 256,
};
// removal values
enum : int { BLK_ALIVE = 0, BLK_VANISH = 1, BLK_SQUASH = 4 };
// moveMask bits of BLK_HeldMask
enum : int { BLK_MASK_PX = 1, BLK_MASK_MX = 2, BLK_MASK_PY = 4, BLK_MASK_MY = 8 };

constexpr float BLK_StepTime = 0.2f;    // seconds per one-cell step
constexpr int BLK_QueueSize = 2000;

struct Block {
    Object* object;
    int type;
    uint8_t falling;          // a fall step started; cleared on landing
    float progress;           // 0 at rest; 1 → 0 during a step
    Vec3 from, to;            // positions at the start and end of the step
    int moveDir;              // BLK_DIR_*
    float settle;             // 0.05 while moving, then down to 0: at rest when 0
    uint8_t chained;          // the step came from a player move or its continuation
    int gravityStamp;         // last gravity pass that looked at this block
    int slideDir;             // sliders: direction of the last started step
    float grow;               // 1 → 0 over 0.4 s after a spawn in play
    float absorbCooldown;
    int removal;              // BLK_ALIVE, BLK_VANISH, BLK_SQUASH
    int wobbleMode;
    float wobbleTimer, wobbleA, wobbleB, wobbleC;
    float hoverGlow;
    float oddFlash;           // odd-event flash, 1 → 0
    float metalTimer;         // seconds until an odd metal block turns odd again
    float colourful;          // seconds of the colourful state
    float flash;              // remaining bright-model flash
    // Kept with the block for its effects as well:
    float flying;             // game-over flight timer, 1 → 0 (velocity is on the object)
    float removeScale;        // scale of the vanish animation
    float shadowFade;         // drop shadow fade-in, 0 → 1 while the block casts one
    Object* inner;            // the child that shows the inner model, or null
    int emitters[5];          // particle instances owned by this block (0 = none)
};

extern Block* BLK_Selected;       // held by the mouse
extern Block* BLK_Hovered;        // under the pointer (the selected one while held)
extern Block* BLK_Candidate;      // pick candidate of the current pass
extern float BLK_CandidateDist;   // its distance to the camera
extern Block* BLK_PrevCandidate;  // the candidate of the previous pass, read by the game update
extern Block* BLK_Dragged;        // the block whose move the player just made
extern int BLK_Moves;             // the moves counter
extern int BLK_GravityPass;       // number of the current gravity pass
extern float BLK_LandCooldown;    // seconds until the next landing sound may play
extern Object* BLK_HeldObject;    // the selected block's object for the pointer hint, or null
extern int BLK_MoveMask;          // directions the held block can go (BLK_MASK_*)
extern Block BLK_SolidRecord;     // the shared record of BRD_Solid (type 40, no object)

Behaviour BLK_Behaviour();                        // the block behaviour (spawned objects run it)
bool BLK_Spawn(const Vec3& pos, int type, bool claimNow, bool spawned);  // false: type 0, cell taken,
                                                  // off the board or no such type (logged)
bool BLK_SpawnAtCell(int type, int x, int y, int z);  // BLK_Spawn at the cell, claiming at once
Block* BLK_Of(const Object* obj);                 // the block record of a block object, or null
bool BLK_IsBlockObject(const Object* obj);        // the object runs the block behaviour
bool BLK_AtRest(const Block* b);                  // settle is 0
bool BLK_TouchesMagnet(const Block* b);           // a resting magnet on one of its six faces
bool BLK_TryMove(Block* b, int cell, int dir, bool commit, bool testOnly);  // one step; see blockmove.cpp
void BLK_QueueMove(Block* b, const Vec3& dir, bool needsSupport);
void BLK_RunQueue();                              // runs and empties the move queue
void BLK_Gravity();                               // one gravity pass (not while the level fades)
void BLK_HeldMask();                              // heldObject and moveMask from the selection
void BLK_UpdateSelection(bool allowed);           // selection and hover from the last candidate and
                                                  // the left button; allowed false clears both
void BLK_KillAll();                               // every block gone, claims empty, moves 0,
                                                  // selection and queue cleared
void BLK_ResetForLevel();                         // selection, queue, pass and counters cleared; the
                                                  // solid record registered; landing sound in 0.5 s
void BLK_SetColourModels();                       // looks up the plain and bright colour models
int BLK_ColourModel(int colour, bool bright);     // mesh id of colour 1..5; 0 when not found
Vec3 BLK_DirVector(int dir);                      // unit vector of a BLK_DIR_* board direction (the
                                                  // climb flag ignored); zero for none and the fall
