// ui/font — text drawing in boxes given as fractions of the screen.
//
// The font files and glyph drawing arrive with the font module; until then the calls keep
// the state they are given and count the texts drawn, so the game's texts are reached and
// testable. Depends on nothing.
#pragma once

void FONT_SetBox(float left, float top, float right, float bottom);  // see the font module
void FONT_SetColour(float r, float g, float b);   // 0..1 each
void FONT_DrawText(const char* text, float alpha, float sizeX, float sizeY, char align);
int FONT_DrawCount();                             // texts drawn since the last reset
const char* FONT_LastText();                      // the last text drawn ("" when none)
void FONT_ResetCounts();
