// data/tag — the one tagged-text state: tokenizer, typed readers, writer and scrambler.
//
// The text is kept with its length as well as its terminating zero, so the cursor never walks
// past either end and a scrambled text may hold any byte. Numbers are read and printed without
// the C locale (from_chars/to_chars), so a text reads the same on every machine. Depends on
// core/mem, core/log and platform/os. One thread; the shared buffers are overwritten by the
// next call that uses them.
#include "data/tag.h"

#include <charconv>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "core/log.h"
#include "core/mem.h"
#include "platform/os/os.h"

namespace {

constexpr const char* kMemTag = "TAG_Text";
// Any byte works; the top bit is forced on so a scrambled text never starts like plain ASCII.
constexpr unsigned char kScrambleKey = 0x5C;
constexpr unsigned char kScrambleMask = kScrambleKey | 0x80;
constexpr size_t kScratchSize = 512;

struct TagState {
    char* text = nullptr;     // zero-terminated at len
    size_t len = 0;           // bytes of text, without the zero
    size_t cap = 0;           // writable bytes (writer only), without the zero
    size_t pos = 0;           // cursor
    bool owned = false;       // allocated here, freed on close
    bool comma = false;       // commas separate tokens too
    bool overflow = false;    // a write did not fit: the save is abandoned
    std::string target;       // saved on close when not empty
};

TagState g_tag;
char g_token[TAG_TOKEN_SIZE];
char16_t g_string[TAG_STRING_SIZE];

bool IsSeparator(unsigned char c)
{
    return c == 9 || c == 10 || c == 13 || c == 32 || c == '(' || c == ')' || (c == ',' && g_tag.comma);
}

bool AtEnd()
{
    return !g_tag.text || g_tag.pos >= g_tag.len || g_tag.text[g_tag.pos] == 0;
}

void SkipSeparators()
{
    while (!AtEnd() && IsSeparator((unsigned char)g_tag.text[g_tag.pos])) g_tag.pos++;
}

bool EqualNoCase(const char* a, const char* b)
{
    for (;; a++, b++) {
        unsigned char ca = (unsigned char)*a, cb = (unsigned char)*b;
        if (ca >= 'A' && ca <= 'Z') ca = (unsigned char)(ca - 'A' + 'a');
        if (cb >= 'A' && cb <= 'Z') cb = (unsigned char)(cb - 'A' + 'a');
        if (ca != cb) return false;
        if (!ca) return true;
    }
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Leading sign and digits, like atoi but saturating. *exact is true when the whole text is a
// decimal integer that fits an int.
int ParseInt(const char* s, bool* exact)
{
    bool neg = false;
    const char* p = s;
    if (*p == '+' || *p == '-') neg = (*p++ == '-');
    const char* digits = p;
    long long v = 0;
    bool clamped = false;
    while (IsDigit(*p)) {
        v = v * 10 + (*p - '0');
        if (v > (long long)INT_MAX + 1) {
            v = (long long)INT_MAX + 1;
            clamped = true;
        }
        p++;
    }
    if (neg) v = -v;
    if (v > INT_MAX) {
        v = INT_MAX;
        clamped = true;
    }
    if (exact) *exact = p != digits && *p == 0 && !clamped;
    return (int)v;
}

// Appends n bytes to the text; once a write fails to fit, every later one is dropped too.
void Append(const char* s, size_t n)
{
    if (!g_tag.text || g_tag.overflow) return;
    if (g_tag.len > g_tag.cap || n > g_tag.cap - g_tag.len) {
        g_tag.overflow = true;
        return;
    }
    memcpy(g_tag.text + g_tag.len, s, n);
    g_tag.len += n;
    g_tag.text[g_tag.len] = 0;
}

void AppendStr(const char* s) { Append(s, strlen(s)); }

// Makes the text our own copy so the scrambler never writes into a caller's bytes.
bool MakeOwned()
{
    if (!g_tag.text) return false;
    if (g_tag.owned) return true;
    char* copy = (char*)MEM_Alloc(g_tag.len + 1, kMemTag);
    if (!copy) return false;
    memcpy(copy, g_tag.text, g_tag.len);
    copy[g_tag.len] = 0;
    g_tag.text = copy;
    g_tag.owned = true;
    g_tag.cap = g_tag.len;
    return true;
}

void XorText()
{
    for (size_t i = 0; i < g_tag.len; i++) g_tag.text[i] = (char)((unsigned char)g_tag.text[i] ^ kScrambleMask);
}

} // namespace

char* TAG_LoadFile(const std::string& path, size_t* size)
{
    if (size) *size = 0;
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) return nullptr;
    uintmax_t bytes = std::filesystem::file_size(path, ec);
    if (ec) return nullptr;
    if (bytes > TAG_MAX_FILE) {
        LOG_Write("TAG_LoadFile : %s is too large (%ju bytes)", path.c_str(), bytes);
        return nullptr;
    }
    FILE* f = fopen(path.c_str(), "rb");
    if (!f) return nullptr;
    char* text = (char*)MEM_Alloc((size_t)bytes + 1, kMemTag);
    if (!text) {
        fclose(f);
        return nullptr;
    }
    // The file may have shrunk since it was measured: keep what was really read.
    size_t got = fread(text, 1, (size_t)bytes, f);
    fclose(f);
    text[got] = 0;
    if (size) *size = got;
    return text;
}

void TAG_FreeFile(char* text)
{
    if (text) MEM_Free(text, kMemTag);
}

bool TAG_OpenFile(const std::string& path, bool commaMode)
{
    TAG_Close();
    size_t size = 0;
    char* text = TAG_LoadFile(path, &size);
    if (!text) return false;
    g_tag.text = text;
    g_tag.len = size;
    g_tag.cap = size;
    g_tag.owned = true;
    g_tag.comma = commaMode;
    SkipSeparators();
    return true;
}

void TAG_OpenText(const char* text, bool commaMode)
{
    // Reopening the text we already own only rewinds: closing would free it under the caller.
    if (text && text == g_tag.text && g_tag.owned) {
        g_tag.pos = 0;
        g_tag.comma = commaMode;
        SkipSeparators();
        return;
    }
    TAG_Close();
    if (!text) return;
    g_tag.text = const_cast<char*>(text);  // never written while not owned
    g_tag.len = strlen(text);
    g_tag.cap = 0;
    g_tag.owned = false;
    g_tag.comma = commaMode;
    SkipSeparators();
}

bool TAG_Close()
{
    bool ok = true;
    if (!g_tag.target.empty()) {
        if (g_tag.overflow) {
            LOG_Write("TAG_Close : Text too long for %s, not saved", g_tag.target.c_str());
            ok = false;
        } else if (!g_tag.text || !os::OS_WriteFileAtomic(g_tag.target, g_tag.text, g_tag.len)) {
            ok = false;
        }
    }
    if (g_tag.owned && g_tag.text) MEM_Free(g_tag.text, kMemTag);
    g_tag = TagState{};
    return ok;
}

bool TAG_FindTag(const char* text, const char* name)
{
    TAG_OpenText(text, true);
    if (!text || !name) return false;
    char token[TAG_TOKEN_SIZE];
    while (TAG_NextToken(token, sizeof token)) {
        if (token[0] == '#' && EqualNoCase(token + 1, name)) return true;
    }
    return false;
}

const char* TAG_NextToken(char* buffer, size_t size)
{
    char* out = buffer ? buffer : g_token;
    size_t cap = buffer ? size : sizeof g_token;
    if (cap == 0) return nullptr;
    SkipSeparators();
    if (AtEnd()) return nullptr;
    size_t n = 0;
    while (!AtEnd()) {
        char c = g_tag.text[g_tag.pos];
        if (IsSeparator((unsigned char)c)) break;
        if (n + 1 < cap) out[n++] = c;
        g_tag.pos++;
    }
    out[n] = 0;
    SkipSeparators();
    return out;
}

int TAG_ReadInt()
{
    char token[TAG_TOKEN_SIZE];
    if (!TAG_NextToken(token, sizeof token)) return 0;
    return ParseInt(token, nullptr);
}

bool TAG_TryReadInt(int* out)
{
    char token[TAG_TOKEN_SIZE];
    if (!TAG_NextToken(token, sizeof token)) return false;
    bool exact = false;
    int v = ParseInt(token, &exact);
    if (!exact) return false;
    if (out) *out = v;
    return true;
}

float TAG_ReadFloat()
{
    char token[TAG_TOKEN_SIZE];
    if (!TAG_NextToken(token, sizeof token)) return 0.0f;
    const char* p = token;
    if (*p == '+') p++;
    float v = 0.0f;
    auto r = std::from_chars(p, token + strlen(token), v);
    if (r.ec != std::errc() || !std::isfinite(v)) return 0.0f;
    return v;
}

bool TAG_ReadBool()
{
    char token[TAG_TOKEN_SIZE];
    const char* t = TAG_NextToken(token, sizeof token);
    return t && t[0] == 't';
}

const char16_t* TAG_ReadString(char16_t* buffer, size_t capacity)
{
    char16_t* out = buffer ? buffer : g_string;
    size_t cap = buffer ? capacity : TAG_STRING_SIZE;
    if (cap == 0) return nullptr;
    SkipSeparators();
    if (AtEnd() || g_tag.text[g_tag.pos] != '"') return nullptr;
    const char* t = g_tag.text;
    size_t end = g_tag.len;
    size_t p = g_tag.pos + 1;
    size_t n = 0;
    // Two quotes begin the numeric form only when a number or the closing quote follows; a bare
    // "" is an empty plain string and must not swallow the text up to the next quote.
    bool numeric = p < end && t[p] == '"' && p + 1 < end && (IsDigit(t[p + 1]) || t[p + 1] == '"');
    if (numeric) {
        p++;
        char number[16];
        size_t digits = 0;
        for (; p < end && t[p]; p++) {
            char c = t[p];
            if (c == '"') {
                p++;
                break;
            }
            if (c == ' ') {
                number[digits] = 0;
                int unit = ParseInt(number, nullptr);
                if (n + 1 < cap) out[n++] = (char16_t)unit;
                digits = 0;
            } else if (digits + 1 < sizeof number) {
                number[digits++] = c;
            }
        }
    } else {
        for (; p < end && t[p]; p++) {
            char c = t[p];
            if (c == '"') {
                p++;
                break;
            }
            if (n + 1 < cap) out[n++] = (char16_t)(unsigned char)c;
        }
    }
    out[n] = 0;
    g_tag.pos = p;
    SkipSeparators();
    return out;
}

bool TAG_BeginWrite(const std::string& path, size_t capacity)
{
    TAG_Close();
    char* text = (char*)MEM_Alloc(capacity + 1, kMemTag);
    if (!text) return false;
    text[0] = 0;
    g_tag.text = text;
    g_tag.len = 0;
    g_tag.cap = capacity;
    g_tag.owned = true;
    g_tag.target = path;
    return true;
}

void TAG_WriteToken(const char* word)
{
    Append(" ", 1);
    if (word) AppendStr(word);
}

void TAG_WriteInt(int value)
{
    char buf[16];
    snprintf(buf, sizeof buf, " %d", value);
    AppendStr(buf);
}

void TAG_WriteBool(bool flag)
{
    AppendStr(flag ? " t" : " f");
}

void TAG_WriteFloat(float value, int decimals)
{
    char buf[kScratchSize];
    buf[0] = ' ';
    auto r = std::to_chars(buf + 1, buf + sizeof buf - 1, value, std::chars_format::fixed, 6);
    if (r.ec != std::errc()) return;
    *r.ptr = 0;
    char* point = strchr(buf + 1, '.');
    if (point) {
        if (decimals >= 0 && decimals < 6) point[1 + decimals] = 0;
        size_t n = strlen(buf);
        while (n > 0 && buf[n - 1] == '0') buf[--n] = 0;
        if (n > 0 && buf[n - 1] == '.') buf[--n] = 0;
    }
    AppendStr(buf);
}

void TAG_WriteString(const char16_t* text)
{
    AppendStr(" \"\"");
    for (const char16_t* p = text; p && *p; p++) {
        char buf[16];
        snprintf(buf, sizeof buf, "%d ", (int)*p);
        AppendStr(buf);
    }
    Append("\"", 1);
}

void TAG_Scramble()
{
    if (!g_tag.text || g_tag.len == 0) return;
    unsigned char first = (unsigned char)g_tag.text[0];
    if (first == 0 || (first & 0x80)) return;
    if (!MakeOwned()) return;
    XorText();
}

void TAG_Unscramble()
{
    if (!g_tag.text) return;
    if (g_tag.len > 0 && ((unsigned char)g_tag.text[0] & 0x80) && MakeOwned()) XorText();
    g_tag.pos = 0;
    SkipSeparators();
}

const char* TAG_Text()
{
    return g_tag.text;
}

size_t TAG_TextLength()
{
    return g_tag.text ? g_tag.len : 0;
}
