// ui/lang — the language module. For now it holds the two character lists that decide what the
// player may type (text fields, profile names); the string table, text variables and case
// tables grow here later.
//
// Depends on: nothing. Limits: the lists are fixed; both are short enough to search linearly
// once per typed character.
#include "ui/lang.h"

namespace {

// Everything the player may type: the space, the double quote, ASCII punctuation and digits,
// the at sign, ASCII letters and the underscore, then the Western European, Russian and
// typographic characters the game's fonts carry.
constexpr char16_t kAllowed[] =
    u" \"!$&'()+,-./0123456789:;=?@"
    u"ABCDEFGHIJKLMNOPQRSTUVWXYZ_abcdefghijklmnopqrstuvwxyz"
    u"¡«»¿ÀÁÂÃÄÅÆÇÈÉÊËÍÎÏÑÓÔÕÖØÙÚÛÜßàáâãäåæçèéêëíîïñóôõöøùúûüÿĲĳœŸ"
    u"ЁАБВГДЕЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯабвгдежзийклмнопрстуфхцчшщъыьэюяё"
    u"‘’“”„…";

// Characters a player name may not hold because it becomes a file name.
constexpr char16_t kNotInFileNames[] = u"\\/:*?\"<>|‘’“”„…";

bool InList(const char16_t* list, char16_t code)
{
    for (const char16_t* p = list; *p; ++p)
        if (*p == code)
            return true;
    return false;
}

} // namespace

bool LANG_IsAllowedChar(char16_t code, bool fileNameChars)
{
    if (code == 0 || !InList(kAllowed, code))
        return false;
    return fileNameChars || !InList(kNotInFileNames, code);
}
