// game/specials — what blocks do beyond moving: odd events, the colourful state and the strobe
// storm, the special types' start-up and per-tick work, absorbers, and the block effects that
// inform the player (wobble, flashes, highlight frame, drop shadow, inner objects).
//
// Depends on game/block, game/board, game/blocktypes, game/sfx, scene/object, render/mesh,
// render/material, app/clock, core/math. Limits: 10 entries in the odd list, 128 absorbers per
// tick.
#pragma once
#include <cstdint>

struct Block;

constexpr int ODD_ListSize = 10;
constexpr int ABS_ListSize = 128;

extern float ODD_Timer;                    // seconds to the next odd event
extern Block* ODD_List[ODD_ListSize];      // blocks whose odd flash passed its middle this tick
extern int ODD_ListCount;
extern float STORM_ColourfulCooldown;      // seconds before another block may turn colourful
extern float STORM_Time;                   // seconds of storm left
extern float STORM_Level;                  // 0..1 strobe strength
extern float STORM_Strobe;                 // seconds of board-wide bright models left
extern uint8_t STORM_RgbFlag;              // the typed "RGB" sequence is on: the storm never ends
extern Block* ABS_List[ABS_ListSize];      // absorbers registered this tick
extern int ABS_Count;

void ODD_Tick();                           // the odd list, then the odd timer
void ODD_Rearm();                          // odd timer by difficulty (1: 1–4 s, 2: 1–3 s, 3: 1–2 s)
void STORM_Tick();
void STORM_Start(float seconds);           // a cleared group held a colourful block
void ABS_Tick();                           // absorbers swallow what entered their cell
void SPC_ResetLevel();                     // strobe, storm and odd state stopped; lists emptied

// Hooks of the block behaviour, in the order it calls them.
void SPC_Start(Block* b);                  // once, when the behaviour starts (wobble modes,
                                           // emitters, the inner object)
int SPC_ColourModel(const Block* b);       // the colour block's model this tick (plain or bright)
void SPC_Tick(Block* b);                   // per-type work every tick, before settling
void SPC_Visual(Block* b);                 // drawing-only effects at the end of every tick: may turn,
                                           // raise or scale the object; the block builds its world
                                           // matrix afterwards and restores the transform
void SPC_StopEmitters(Block* b);           // the block's own particle emitters (removal)
