// game/specials — what blocks do beyond moving: odd events, the colourful state and the strobe
// storm, the special types' start-up and per-tick work, absorbers, and the block effects that
// inform the player (wobble, flashes, highlight frame, drop shadow, inner objects).
//
// Depends on game/block, game/board, game/blocktypes, game/arcade (difficulty), game/mode (mode
// time), game/hud (pause), game/sfx, scene/object, render/mesh, render/material, app/clock,
// core/input, core/settings, core/math. Limits: 10 entries in the odd list, 128 absorbers per
// tick. The black hole's DFG_HIDE belongs to this module: it is cleared again once the block is
// no longer a black hole.
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
extern Block* ABS_List[ABS_ListSize];      // absorbers registered this tick (each once)
extern int ABS_Count;
extern float SPC_HintAlpha;                // the pointer hint's alpha as the HUD last drew it;
                                           // above 0 it hides the highlight of a block not held

void ODD_Tick();                           // the odd list, then the odd timer
void ODD_Rearm();                          // odd timer by difficulty (1: 1–4 s, 2: 1–3 s, 3: 1–2 s)
void STORM_Tick();
void STORM_Start(float seconds);           // a cleared group held a colourful block
void ABS_Tick();                           // absorbers swallow what entered their cell
void SPC_ResetLevel();                     // strobe, storm and odd state stopped; lists emptied
                                           // (the odd timer is left as the level start armed it)
void SPC_ResetEffects();                   // the highlight angle forgotten
                                           // (part of SPC_ResetLevel)

// List membership (the per-block hooks use them; false when the list is full or has b already).
bool SPC_JoinOddList(Block* b);
bool SPC_JoinAbsorbers(Block* b);
void SPC_LeaveLists(const Block* b);       // b out of the odd and absorber lists

// The odd events' choices, exposed for tests:
int ODD_SpawnTarget(const Block* b);       // a random qualifying neighbour cell of b for a spawn
                                           // (side cells on the board over a block, or the cell
                                           // above); -1 when none qualifies
int ODD_OtherColour(int type);             // a random colour 1..5 other than the colour of type

// Hooks of the block behaviour, in the order it calls them.
void SPC_Start(Block* b);                  // once, when the behaviour starts (wobble modes,
                                           // emitters, the inner object)
int SPC_ColourModel(const Block* b);       // the colour block's model this tick (plain or bright)
void SPC_Tick(Block* b);                   // per-type work every tick, before settling; what a
                                           // type started (wobble, emitters, hidden model, inner
                                           // object) follows a change of type
void SPC_Visual(Block* b);                 // drawing-only effects at the end of every tick: may turn,
                                           // raise or scale the object; the block builds its world
                                           // matrix afterwards and restores the transform
void SPC_StopEmitters(Block* b);           // the block leaves: its own particle emitters stop, and
                                           // it drops out of the odd and absorber lists
