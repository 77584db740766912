// platform/os/os_registry — the game's registry key as one text file of typed values, kept in
// memory and rewritten whole (atomically) on every write.
//
// The key "Software\<Maker>\<Product>" maps to $XDG_CONFIG_HOME/<Maker>/<Product>/registry
// (default ~/.config/...). The file holds one value a line:
//     <type word> TAB <name> TAB <value bytes as hex>
// with the type word "dword", "expand_sz" or "binary"; in names '%', control characters and DEL
// are written as %XX. '#' lines are comments. Reading is defensive: a line that does not parse in
// full is skipped and every other line is kept, so a damaged file loses only its damaged lines.
// Depends on: os_files.cpp (folders, atomic write).
// Limits: value names up to 255 bytes (compared without regard to ASCII case, as the desktop's
// registry does), values up to 1 MiB, 4096 values, 16 MiB of value bytes in all; only the first
// 16 MiB of a file are read.
#include <fcntl.h>
#include <unistd.h>
#include <cerrno>
#include <cstring>
#include <strings.h>
#include "platform/os/os_local.h"

namespace os {

namespace {

constexpr size_t kNameLimit = 255;
constexpr size_t kValueLimit = 1u << 20;
constexpr size_t kCountLimit = 4096;
constexpr size_t kTotalLimit = 16u << 20;
constexpr size_t kFileLimit = 16u << 20;
constexpr size_t kComponentLimit = 64;

struct RegValue {
    std::string name;
    RegType type;
    std::vector<uint8_t> data;
};

bool g_open = false;
std::string g_path;
std::vector<RegValue> g_values;
size_t g_total = 0;

const char* TypeWord(RegType t)
{
    switch (t) {
    case REG_TYPE_DWORD: return "dword";
    case REG_TYPE_EXPAND_SZ: return "expand_sz";
    case REG_TYPE_BINARY: return "binary";
    }
    return nullptr;
}

bool TypeFromWord(const std::string& w, RegType* t)
{
    if (w == "dword") *t = REG_TYPE_DWORD;
    else if (w == "expand_sz") *t = REG_TYPE_EXPAND_SZ;
    else if (w == "binary") *t = REG_TYPE_BINARY;
    else return false;
    return true;
}

bool ValidType(uint32_t t) { return t == REG_TYPE_DWORD || t == REG_TYPE_EXPAND_SZ || t == REG_TYPE_BINARY; }

int HexDigit(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

const char kHex[] = "0123456789abcdef";

std::string EscapeName(const std::string& name)
{
    std::string out;
    for (unsigned char c : name) {
        if (c < 0x20 || c == 0x7F || c == '%') {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 15];
        } else {
            out += (char)c;
        }
    }
    return out;
}

bool UnescapeName(const char* s, size_t n, std::string* out)
{
    out->clear();
    for (size_t i = 0; i < n; ++i) {
        unsigned char c = (unsigned char)s[i];
        if (c == '%') {
            if (i + 2 >= n) return false;
            int hi = HexDigit(s[i + 1]), lo = HexDigit(s[i + 2]);
            if (hi < 0 || lo < 0) return false;
            *out += (char)(hi * 16 + lo);
            i += 2;
        } else if (c < 0x20 || c == 0x7F) {
            return false;
        } else {
            *out += (char)c;
        }
    }
    return out->size() <= kNameLimit;
}

RegValue* Find(const char* name)
{
    for (RegValue& v : g_values)
        if (v.name.size() == strlen(name) && strcasecmp(v.name.c_str(), name) == 0) return &v;
    return nullptr;
}

// Adds or replaces one value in memory, within the table's limits.
bool Store(const std::string& name, RegType type, const uint8_t* data, size_t size)
{
    RegValue* v = Find(name.c_str());
    size_t old = v ? v->data.size() : 0;
    if (g_total - old + size > kTotalLimit) return false;
    if (!v) {
        if (g_values.size() >= kCountLimit) return false;
        g_values.push_back(RegValue{name, type, {}});
        v = &g_values.back();
    }
    v->type = type;
    v->data.assign(data, data + size);
    g_total = g_total - old + size;
    return true;
}

void ParseLine(const char* s, size_t n)
{
    if (n == 0 || s[0] == '#') return;
    const char* tab1 = (const char*)memchr(s, '\t', n);
    if (!tab1) return;
    const char* tab2 = (const char*)memchr(tab1 + 1, '\t', n - (size_t)(tab1 + 1 - s));
    if (!tab2) return;
    RegType type;
    if (!TypeFromWord(std::string(s, tab1), &type)) return;
    std::string name;
    if (!UnescapeName(tab1 + 1, (size_t)(tab2 - tab1 - 1), &name)) return;
    const char* hex = tab2 + 1;
    size_t hexLen = n - (size_t)(hex - s);
    if (hexLen % 2 != 0 || hexLen / 2 > kValueLimit) return;
    std::vector<uint8_t> bytes(hexLen / 2);
    for (size_t i = 0; i < bytes.size(); ++i) {
        int hi = HexDigit(hex[2 * i]), lo = HexDigit(hex[2 * i + 1]);
        if (hi < 0 || lo < 0) return;
        bytes[i] = (uint8_t)(hi * 16 + lo);
    }
    if (type == REG_TYPE_DWORD && bytes.size() != 4) return;
    Store(name, type, bytes.data(), bytes.size());
}

// Reads at most kFileLimit bytes of the file and keeps every line that parses.
void Load(const std::string& path)
{
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return;
    std::vector<char> text;
    char chunk[65536];
    bool cut = false;
    for (;;) {
        ssize_t n = read(fd, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        size_t take = (size_t)n;
        if (text.size() + take > kFileLimit) {
            take = kFileLimit - text.size();
            cut = true;
        }
        text.insert(text.end(), chunk, chunk + take);
        if (cut) break;
    }
    close(fd);
    size_t start = 0;
    for (size_t i = 0; i <= text.size(); ++i) {
        if (i < text.size() && text[i] != '\n') continue;
        if (i == text.size() && cut) break;   // the line the limit cut through is not whole
        size_t len = i - start;
        if (len && text[start + len - 1] == '\r') --len;
        ParseLine(text.data() + start, len);
        start = i + 1;
    }
}

bool Save()
{
    std::string out = "# Zandor registry store: type, name, value bytes in hex, tab-separated\n";
    for (const RegValue& v : g_values) {
        out += TypeWord(v.type);
        out += '\t';
        out += EscapeName(v.name);
        out += '\t';
        for (uint8_t b : v.data) {
            out += kHex[b >> 4];
            out += kHex[b & 15];
        }
        out += '\n';
    }
    return OS_WriteFileAtomic(g_path, out.data(), out.size());
}

bool ComponentOk(const std::string& c)
{
    if (c.empty() || c.size() > kComponentLimit || c == "." || c == "..") return false;
    for (char ch : c) {
        bool ok = (ch >= 'A' && ch <= 'Z') || (ch >= 'a' && ch <= 'z') || (ch >= '0' && ch <= '9') ||
                  ch == ' ' || ch == '_' || ch == '-' || ch == '.';
        if (!ok) return false;
    }
    return true;
}

} // namespace

bool OS_RegOpen(const char* keyPath)
{
    OS_RegClose();
    if (!keyPath) return false;
    // The key path becomes folders, so every part must be a plain folder name.
    std::vector<std::string> parts;
    std::string cur;
    for (const char* p = keyPath;; ++p) {
        if (*p == '\\' || *p == '\0') {
            if (!cur.empty()) parts.push_back(cur);
            cur.clear();
            if (!*p) break;
        } else {
            cur += *p;
        }
    }
    if (!parts.empty() && strcasecmp(parts[0].c_str(), "Software") == 0) parts.erase(parts.begin());
    if (parts.empty()) return false;
    for (const std::string& c : parts)
        if (!ComponentOk(c)) return false;
    std::string dir = OS_ConfigDir();
    if (dir.empty()) return false;
    for (const std::string& c : parts) dir += "/" + c;
    if (!OS_MakeDir(dir)) {
        OS_SetLastError("cannot create the folder " + dir);
        return false;
    }
    g_path = dir + "/registry";
    Load(g_path);
    g_open = true;
    return true;
}

bool OS_RegSet(const char* name, RegType type, const void* data, uint32_t size)
{
    if (!g_open || !name || strlen(name) > kNameLimit || !ValidType(type)) return false;
    if (size > kValueLimit || (!data && size) || (type == REG_TYPE_DWORD && size != 4)) return false;
    // Keep the previous state so that memory never disagrees with the file after a failed write.
    std::vector<RegValue> before = g_values;
    size_t totalBefore = g_total;
    if (!Store(name, type, (const uint8_t*)data, size) || !Save()) {
        g_values.swap(before);
        g_total = totalBefore;
        return false;
    }
    return true;
}

bool OS_RegGet(const char* name, RegType* type, void* data, uint32_t* size)
{
    if (!g_open || !name) return false;
    const RegValue* v = Find(name);
    if (!v) return false;
    uint32_t need = (uint32_t)v->data.size();
    if (type) *type = v->type;
    if (!data) {   // a size query
        if (size) *size = need;
        return true;
    }
    if (!size) return false;
    if (*size < need) {
        *size = need;
        return false;
    }
    if (need) memcpy(data, v->data.data(), need);
    *size = need;
    return true;
}

std::string OS_RegFilePath() { return g_open ? g_path : std::string(); }

void OS_RegClose()
{
    g_open = false;
    g_path.clear();
    g_values.clear();
    g_total = 0;
}

} // namespace os
