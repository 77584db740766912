// data/tag — the tagged-text reader and writer shared by the small text formats.
//
// A cursor over one 8-bit text in memory splits it into tokens at tab, line feed, carriage
// return, space and parentheses (and commas in comma mode). Readers look up "#KEY" tags anywhere
// in the text or walk a stream of keywords and values; the writer builds a text of a fixed
// capacity and saves it (atomically) when closed, optionally scrambled. There is exactly one
// reader/writer state: open, read or write, close, before anyone else uses it.
// Depends on core/mem (tracked buffers), core/log and platform/os (atomic file replace).
// Limits: tokens and strings are cut to the caller's buffer (512 for the shared ones) while the
// cursor still moves past all of them; files over TAG_MAX_FILE bytes are refused; a write that
// does not fit the capacity is dropped and the whole save is abandoned, keeping the old file.
#pragma once
#include <cstddef>
#include <string>

constexpr size_t TAG_TOKEN_SIZE = 512;            // shared token buffer (bytes, with the zero)
constexpr size_t TAG_STRING_SIZE = 512;           // shared string buffer (code units, with the zero)
constexpr size_t TAG_MAX_FILE = 64u * 1024 * 1024; // larger files are not loaded

// ---- Loading ----
char* TAG_LoadFile(const std::string& path, size_t* size);  // whole file + zero in a tracked buffer; null if unreadable
void TAG_FreeFile(char* text);                              // frees what TAG_LoadFile returned

// ---- Reading ----
bool TAG_OpenFile(const std::string& path, bool commaMode);  // TAG_Close, then load and own the file's text
void TAG_OpenText(const char* text, bool commaMode);         // TAG_Close, then read the caller's zero-terminated text
bool TAG_Close();                                            // saves a pending write; false only when that save failed
bool TAG_FindTag(const char* text, const char* name);        // opens text (comma mode) and stops after "#"+name, any case
const char* TAG_NextToken(char* buffer = nullptr, size_t size = 0);  // next token, or null at the end of the text
int TAG_ReadInt();                                           // next token as an integer; 0 when missing or not a number
bool TAG_TryReadInt(int* out);                               // as TAG_ReadInt, but sets *out only for a whole decimal integer
float TAG_ReadFloat();                                       // next token as a number; 0 when missing, not a number or not finite
bool TAG_ReadBool();                                         // true when the next token begins with 't'
const char16_t* TAG_ReadString(char16_t* buffer = nullptr, size_t capacity = 0);  // quoted string; null (cursor stays) off a quote

// ---- Writing ----
bool TAG_BeginWrite(const std::string& path, size_t capacity);  // TAG_Close, then an empty owned text saved to path on close
void TAG_WriteToken(const char* word);                      // " word"
void TAG_WriteInt(int value);                               // " 123"
void TAG_WriteBool(bool flag);                              // " t" or " f"
void TAG_WriteFloat(float value, int decimals);             // " 1.5"; decimals -1 keeps all six, trailing zeros dropped
void TAG_WriteString(const char16_t* text);                 // ` ""65 98 99 "` (one number per code unit)

// ---- Scrambling ----
void TAG_Scramble();                                        // XOR the text unless it is empty or already scrambled
void TAG_Unscramble();                                      // undo TAG_Scramble if the text is scrambled; rewinds the cursor

// ---- Inspection ----
const char* TAG_Text();                                     // the current text, or null when idle
size_t TAG_TextLength();                                    // its length in bytes
