// ui/font — text state and the count of texts drawn (glyphs arrive with the font module).
#include "ui/font.h"

#include <cstring>

namespace {
float g_box[4] = {0, 0, 1, 1};
float g_colour[3] = {1, 1, 1};
int g_drawn = 0;
char g_last[256] = "";
} // namespace

void FONT_SetBox(float left, float top, float right, float bottom)
{
    g_box[0] = left;
    g_box[1] = top;
    g_box[2] = right;
    g_box[3] = bottom;
}

void FONT_SetColour(float r, float g, float b)
{
    g_colour[0] = r;
    g_colour[1] = g;
    g_colour[2] = b;
}

void FONT_DrawText(const char* text, float alpha, float sizeX, float sizeY, char align)
{
    (void)alpha;
    (void)sizeX;
    (void)sizeY;
    (void)align;
    g_drawn++;
    std::strncpy(g_last, text ? text : "", sizeof g_last - 1);
    g_last[sizeof g_last - 1] = 0;
}

int FONT_DrawCount() { return g_drawn; }

const char* FONT_LastText() { return g_last; }

void FONT_ResetCounts()
{
    g_drawn = 0;
    g_last[0] = 0;
}
