// ui/lang — the language module: the characters the player may type. (The string table, text
// variables and case tables join this module later.)
#pragma once

// True when the UTF-16 code unit is one the player may type and, unless fileNameChars is true,
// is not one that a file name may not hold (\ / : * ? " < > | and the typographic quotes).
bool LANG_IsAllowedChar(char16_t code, bool fileNameChars);
