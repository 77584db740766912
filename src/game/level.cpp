// game/level — reads ".lev" level files into the current level and places their blocks.
//
// Depends on game/board, game/blocktypes, data/tag (TAG_LoadFile), core/log and app/err.
// The text is read token by token straight from the bytes in memory (a token ends at a space,
// tab, carriage return or line feed); only the first three characters of a token pick its tag.
// Values a tag needs but the file lacks read as 0. Everything that could write outside the
// board, the shape or the grid is refused with a log line "<file>(<line>): ..." instead.
#include "game/level.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/err.h"
#include "core/log.h"
#include "data/tag.h"
#include "game/blocktypes.h"

Level LEV_Level;
float LEV_TimeLeft = 0.0f;

namespace {

constexpr size_t kTokenSize = 64;

struct Reader {
    const char* text;
    size_t size;
    size_t pos;
    int line;          // line of the cursor, from 1
    int tokenLine;     // line where the last token began
    const char* name;
};

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

void SkipSpace(Reader& r)
{
    while (r.pos < r.size && IsSpace(r.text[r.pos])) {
        if (r.text[r.pos] == '\n') r.line++;
        r.pos++;
    }
}

// Next token into out (cut to kTokenSize - 1 bytes); false at the end of the text.
bool Next(Reader& r, char* out)
{
    SkipSpace(r);
    out[0] = 0;
    if (r.pos >= r.size) return false;
    r.tokenLine = r.line;
    size_t n = 0;
    while (r.pos < r.size && !IsSpace(r.text[r.pos])) {
        char c = r.text[r.pos++];
        if (c == 0) c = '?';  // an embedded zero must not end the token early and hide bytes
        if (n + 1 < kTokenSize) out[n++] = c;
    }
    out[n] = 0;
    return true;
}

void SkipLine(Reader& r)
{
    while (r.pos < r.size && r.text[r.pos] != '\n') r.pos++;
}

// Whether the next token looks like a number (used to find surplus "SHA" values).
bool NextIsNumber(Reader& r)
{
    SkipSpace(r);
    if (r.pos >= r.size) return false;
    char c = r.text[r.pos];
    if ((c == '-' || c == '+') && r.pos + 1 < r.size) c = r.text[r.pos + 1];
    return c >= '0' && c <= '9';
}

int ReadInt(Reader& r)
{
    char t[kTokenSize];
    if (!Next(r, t)) return 0;
    long v = std::strtol(t, nullptr, 10);
    if (v > 1000000000L) v = 1000000000L;
    if (v < -1000000000L) v = -1000000000L;
    return (int)v;
}

float ReadFloat(Reader& r)
{
    char t[kTokenSize];
    if (!Next(r, t)) return 0.0f;
    float v = std::strtof(t, nullptr);
    if (!(v == v) || v > 1e30f || v < -1e30f) return 0.0f;  // NaN and infinities read as 0
    return v;
}

void Read3(Reader& r, float* v)
{
    for (int i = 0; i < 3; i++) v[i] = ReadFloat(r);
}

bool Tag(const char* token, const char* tag) { return std::strncmp(token, tag, 3) == 0; }

void ReadShape(Reader& r)
{
    int w = BRD_Width, h = BRD_Height;
    int line = r.tokenLine;
    for (int x = 0; x < w; x++) {
        for (int y = 0; y < h; y++) {
            int v = ReadInt(r);
            int i = x + y * w;
            if (i < BRD_MaxColumns) BRD_Board.shape[i] = (v != 0) ? 1 : 0;
        }
    }
    if (NextIsNumber(r)) {
        int extra = 0;
        char t[kTokenSize];
        while (NextIsNumber(r) && Next(r, t)) extra++;
        LOG_Write("%s(%d): SHA has %d values more than the %d x %d board; they are ignored",
                  r.name, line, extra, w, h);
    }
}

void ReadDim(Reader& r)
{
    int line = r.tokenLine;
    int w = ReadInt(r);
    int h = ReadInt(r);
    // The shape mask holds 100 columns; a larger board could not be stored, so it is refused
    // here and the previous board stays.
    if (w < 1 || h < 1 || w > BRD_MaxColumns || h > BRD_MaxColumns || w * h > BRD_MaxColumns) {
        LOG_Write("%s(%d): DIM %d %d refused: a board holds 1 to %d columns", r.name, line, w, h,
                  BRD_MaxColumns);
        return;
    }
    BRD_SetSize(w, h);
}

void ReadBlock(Reader& r, Level& lev)
{
    int line = r.tokenLine;
    int x = ReadInt(r), y = ReadInt(r), z = ReadInt(r);
    char name[kTokenSize];
    Next(r, name);
    int index = CELL_Index(x, y, z);
    if (index < 0 || z >= BRD_Layers) {
        LOG_Write("%s(%d): BLK %d %d %d %s refused: outside the %d x %d x %d board", r.name, line,
                  x, y, z, name, BRD_Width, BRD_Height, BRD_Layers);
        return;
    }
    lev.grid[index] = BLK_TypeByName(name);
    if (z > lev.topLayer) lev.topLayer = z;
}

} // namespace

void LEV_ResetBackdrop(Backdrop* b)
{
    std::memset(b, 0, sizeof *b);
    std::snprintf(b->texture, sizeof b->texture, "%s", "BG00");
    b->scale[0] = 2.0f; b->scale[1] = 2.0f; b->scale[2] = 0.0f;
    b->animA = 1.0f; b->animB = 1.0f;
    b->fogFar = 600.0f;
    b->fogNear = -100.0f;
    for (int i = 0; i < 3; i++) { b->colour1[i] = 0.5f; b->colour2[i] = 0.5f; }
    b->colourSpeed = 1.5f;
    b->parallax = 1.0f;
}

void LEV_ClearGrid()
{
    for (int& g : LEV_Level.grid) g = 0;
}

bool LEV_Read(const std::string& path)
{
    LEV_ResetBackdrop(&LEV_Level.backdrop1);
    LEV_ResetBackdrop(&LEV_Level.backdrop2);
    LEV_Level.backdrop2Type = 0;
    size_t size = 0;
    char* text = TAG_LoadFile(path, &size);
    if (!text) return false;
    bool ok = LEV_ReadText(text, size, path.c_str());
    TAG_FreeFile(text);
    return ok;
}

bool LEV_ReadText(const char* text, size_t size, const char* name)
{
    Level& lev = LEV_Level;
    LEV_ResetBackdrop(&lev.backdrop1);
    LEV_ResetBackdrop(&lev.backdrop2);
    lev.backdrop2Type = 0;
    if (!text) return false;
    if (!name) name = "level";
    lev.fadeIn = 1.0f;
    lev.cameraA = 0.15f;
    lev.cameraB = 2.5f;
    LEV_ClearGrid();
    lev.levelKind = 2;
    lev.topLayer = 0;

    Reader r{text, size, 0, 1, 1, name};
    Backdrop* bd = &lev.backdrop1;
    char t[kTokenSize];
    bool ended = false;
    while (Next(r, t)) {
        if (std::strncmp(t, "///", 3) == 0) { SkipLine(r); continue; }
        if (Tag(t, "END")) { ended = true; break; }
        if (Tag(t, "ARC")) { lev.levelKind = 3; }
        else if (Tag(t, "PUZ")) { lev.levelKind = 2; }
        else if (Tag(t, "BG2")) { lev.backdrop2Type = ReadInt(r); bd = &lev.backdrop2; }
        else if (Tag(t, "BTE")) {
            char word[kTokenSize];
            Next(r, word);
            std::snprintf(bd->texture, sizeof bd->texture, "%s", word);
        }
        else if (Tag(t, "BSC")) { Read3(r, bd->scale); }
        else if (Tag(t, "BAN")) {
            bd->animMode = ReadInt(r);
            bd->animA = ReadFloat(r);
            bd->animB = ReadFloat(r);
        }
        else if (Tag(t, "BMO")) { bd->moveX = ReadFloat(r); bd->moveY = ReadFloat(r); }
        else if (Tag(t, "BFO")) { bd->fogFar = ReadFloat(r); Read3(r, bd->fogColour); }
        else if (Tag(t, "BRG")) {
            bd->blendMode = ReadInt(r);
            Read3(r, bd->colour1);
            int mode = ReadInt(r);
            if (mode == 2 || mode == 3) mode = 1;
            else if (mode == 6) mode = 5;
            bd->colourMode = mode;
            Read3(r, bd->colour2);
        }
        else if (Tag(t, "CBS")) { bd->colourSpeed = ReadFloat(r); }
        else if (Tag(t, "EFO")) { bd->fogDarken = ReadFloat(r); }
        else if (Tag(t, "FNE")) { bd->fogNear = ReadFloat(r); }
        else if (Tag(t, "PAR")) { bd->parallax = ReadFloat(r); }
        else if (Tag(t, "BVC")) { bd->vClamp = 1; }
        else if (Tag(t, "CAM")) { lev.cameraA = ReadFloat(r); lev.cameraB = ReadFloat(r); }
        else if (Tag(t, "DIM")) { ReadDim(r); }
        else if (Tag(t, "SHA")) { ReadShape(r); }
        else if (Tag(t, "MOV")) { lev.moves = ReadInt(r); }
        else if (Tag(t, "TIM")) { lev.time = ReadInt(r); lev.best = (int)(lev.time * 0.3f); }
        else if (Tag(t, "BES")) { lev.best = ReadInt(r); }
        else if (Tag(t, "BLK")) { ReadBlock(r, lev); }
        else {
            LOG_Write("%s(%d): unknown tag \"%s\"", name, r.tokenLine, t);
            ERR_InvalidResources("Illegal Tag : BO01");
        }
    }
    if (!ended) LOG_Write("%s: no END tag; read to the end of the file", name);

    if (lev.time < 10) lev.time = 10;
    if (lev.best < 5) lev.best = 5;
    LEV_TimeLeft = (float)lev.time;
    BRD_Metrics();
    return true;
}

int LEV_PlaceBlocks(LevSpawnFn spawn)
{
    int w = BRD_Width, h = BRD_Height;
    if (!spawn || w <= 0 || h <= 0) return 0;
    int placed = 0;
    for (int i = 0; i < BRD_CellCount; i++) {
        int type = LEV_Level.grid[i];
        if (type <= 0 || type >= BLK_TypeCount) continue;
        int x = i % w, y = (i / w) % h, z = i / (w * h);
        // A cell already taken (inside an earlier N x N block) gets no second block.
        if (BRD_Cells[i].block) {
            LOG_Write("Level block %s at %d %d %d overlaps an earlier block; not placed",
                      BLK_Types[type].internalName, x, y, z);
            continue;
        }
        if (spawn(type, x, y, z)) placed++;
    }
    return placed;
}
