// game/match — groups of one colour and closed gem layers leaving the board, and the score.
//
// Searches run once per tick over blocks at rest, after the matchDelay of a level start.
// Depends on game/board, game/block, game/blocktypes, game/specials (storms), game/arcade
// (difficulty, fireworks), game/sfx, render/fx (glare), core/settings (detail level).
// Limits: groups and regions of up to 2000 blocks.
#pragma once

extern int SCORE_Score;          // the player's score
extern int SCORE_Pending;        // points of the group being cleared
extern int MATCH_GemClears;      // gem regions cleared since the level started
extern float MATCH_Delay;        // no groups are searched while it runs (0.1 s at level start)

void MATCH_Groups();             // clears every group of difficulty + 3 resting blocks
void MATCH_Gems();               // clears every closed layer region of resting gems
void SCORE_Begin();              // pending := 0
void SCORE_Add(int points);      // pending += points
void SCORE_Commit();             // score += pending
int MATCH_GroupPoints(int size); // points per block of a group of size (25 … 300)
