// game/sfx — the game's sounds and particle effects, called by name.
//
// The puzzle names its sounds ("SND_B_SLIDE") and effects ("PFX_GONE_RED") as the content has
// them. This module turns a name into a call of the sound bank or the particle system, and
// keeps a small count of what was asked for, so tests can check that a move played its sound
// without a sound device. Until the sound and particle modules are linked in, the calls are
// only counted. Depends on core/math. Limits: 96 distinct names are counted; longer names
// than 31 bytes are counted under their first 31.
#pragma once
#include "core/math.h"

struct Object;

void SFX_Play(const char* name, int frequency = -1, float volume = 1.0f);  // frequency -1: own pitch
int SFX_Effect(const char* name, const Vec3& pos, const Vec3& dir, Object* attach = nullptr);
                                                  // starts an effect; → instance id (0: none)
void SFX_StopEffect(int instance);                // stops one instance (0 does nothing)
void SFX_StopAttached(Object* obj);               // stops every effect attached to obj
void SFX_ClearEffects();                          // stops every effect (level start, mode change)

int SFX_Count(const char* name);                  // plays/starts of name since the last reset
int SFX_LastFrequency(const char* name);          // frequency of its last play; 0 when none
int SFX_Total();                                  // all plays and starts since the last reset
void SFX_ResetCounts();
