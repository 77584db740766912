// game/levellist — the level lists of the main archive ("LED" entries): the arcade list and
// the level sets, resolving a level reference to a readable file, and the sets offered for
// choice.
//
// Depends on data/lmo (level entries), core/mem (tracked text copies), core/log, app/err (the
// invalid-resources report for unknown tags), core/settings (the data folder) and the OS layer
// (writing and deleting the temporary level file). Limits: 50 arcade levels, 16 sets of 200
// levels each; quoted texts of at most 255 bytes; level CIDs of at most 31 characters.
#pragma once
#include <cstdint>
#include <string>

constexpr int SET_MaxArcade = 50;
constexpr int SET_MaxSets = 16;
constexpr int SET_MaxLevels = 200;

struct LevelRef {
    char* file;         // "LEV_..." CID or a file path (tracked copy)
    char* name;         // tracked copy, or null
    char* description;  // tracked copy, or null
};

struct LevelSet {
    char source[32];    // CID of the level-list entry it came from
    char* name;
    char* description;
    int levelCount;
    LevelRef levels[SET_MaxLevels];
};

extern LevelRef SET_Arcade[SET_MaxArcade];  // the arcade list
extern int SET_ArcadeCount;
extern LevelSet SET_Sets[SET_MaxSets];      // the level sets, in the order read
extern int SET_SetCount;
extern int SET_CurrentSet;                  // current set index
extern int SET_CurrentLevel;                // current level index in that set
extern int SET_Choice[SET_MaxSets];         // sets offered for choice
extern int SET_ChoiceCount;

std::string SET_TempPath();                 // "<data folder>/TESSIVAL_Temp"
void SET_LoadListEntry(const char* cid, uint8_t* data, int size);  // the "LED" loader
void SET_ParseList(const char* cid, const char* text, size_t size);  // one list text; a text
                                            // of another game is ignored
std::string SET_ResolveLevel(const LevelRef& ref);  // path to read; "" when the entry is missing
void SET_DeleteTemp();                      // removes the temporary level file
std::string SET_ArcadeLevel(int* index);    // resolves arcade entry *index (reset to 0 when out
                                            // of the list); "" when there is none
void SET_BuildChoiceList();                 // every set not named "puzzle" or "editor" (any case)
void SET_ResetForTests();                   // frees every list and set
