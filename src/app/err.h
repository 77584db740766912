// app/err — the fatal report, context notes, the invalid-resources report, result names and
// web links (problem report page, support addresses).
#pragma once
#include <cstdint>

bool ERR_Fatal(const char* fmt, ...) __attribute__((format(printf, 1, 2)));  // always false
bool ERR_Note(const char* context, const char* fmt, ...) __attribute__((format(printf, 2, 3)));
void ERR_InvalidResources(const char* message);
const char* ERR_DxName(long result);
void APP_OpenURL(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
void ERR_LogSupport();
const char* STR_HexByte(uint8_t b);
