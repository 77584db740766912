// data/lmo_format — the on-disk layout of an LMO archive, shared by the game and by the
// content tools (lmopack, lmocheck). Header-only; depends on nothing but the C++ library.
//
// An archive is a 20-byte header, stored scrambled with the 8-byte archive key, followed by the
// entry table (one 296-byte record per entry, plain) and then the entries' bytes. All integers
// are little-endian. The header says how many entries there are and how many bytes the header
// and table take together; the two must agree exactly (20 + count × 296). Each record names its
// entry (a CID of at most 31 characters, zero-terminated inside its 32 bytes) and gives the
// offset of its data from the start of the file and its size; both must lie inside the file.
// The first 252 bytes of a record are never read; the packer writes them as zeros.
//
// Limits: archives up to 4 GiB (32-bit offsets), entries up to 2 GiB − 2 bytes (the game keeps
// sizes in an int and adds one byte for a terminating zero).
#pragma once
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

// The game views the loaded table in place; that needs a little-endian machine.
static_assert(std::endian::native == std::endian::little, "LMO tables are read in place");

constexpr int LMO_HeaderSize = 20;
constexpr int LMO_EntrySize = 296;
constexpr int LMO_CidSize = 32;                   // 31 characters and a terminating zero
constexpr int LMO_EntryPad = 252;                 // unread leading bytes of each record
constexpr uint32_t LMO_MaxEntrySize = 0x7FFFFFFEu;  // fits an int with room for the zero byte
constexpr char LMO_Key[8] = {'T', 'q', 'm', 'w', '4', 'H', 'x', 'e'};
constexpr char LMO_Magic[3] = {'L', 'M', 'O'};

// Header field offsets (in the descrambled header).
constexpr int LMO_HdrMagic = 0;       // 3 bytes "LMO"
constexpr int LMO_HdrCount = 4;       // int32 entry count
constexpr int LMO_HdrTableSize = 8;   // int32 bytes of header + table

// One entry record, exactly as stored.
struct LmoEntry {
    uint8_t unused[LMO_EntryPad];   // never read
    int32_t taken;                  // cleared on open; in memory only: a consumer owns the bytes
    char cid[LMO_CidSize];          // zero-terminated
    uint32_t offset;                // from the start of the file
    uint32_t size;                  // bytes of data
};
static_assert(sizeof(LmoEntry) == LMO_EntrySize, "entry record is 296 bytes");
static_assert(offsetof(LmoEntry, taken) == 252, "taken mark at 252");
static_assert(offsetof(LmoEntry, cid) == 256, "CID at 256");
static_assert(offsetof(LmoEntry, offset) == 288, "offset at 288");
static_assert(offsetof(LmoEntry, size) == 292, "size at 292");

// Scrambles or descrambles (the same XOR) the first 20 bytes of an archive in place.
inline void LMO_Descramble(uint8_t* header20)
{
    for (int i = 0; i < LMO_HeaderSize; i++) header20[i] ^= (uint8_t)LMO_Key[i % 8];
}

inline uint32_t LMO_GetU32(const uint8_t* p)
{
    return (uint32_t)p[0] | ((uint32_t)p[1] << 8) | ((uint32_t)p[2] << 16) | ((uint32_t)p[3] << 24);
}

inline void LMO_PutU32(uint8_t* p, uint32_t v)
{
    p[0] = (uint8_t)v; p[1] = (uint8_t)(v >> 8); p[2] = (uint8_t)(v >> 16); p[3] = (uint8_t)(v >> 24);
}

// True when a 32-byte CID field holds a zero within its bytes.
inline bool LMO_CidTerminated(const char* field)
{
    return memchr(field, 0, LMO_CidSize) != nullptr;
}

// What is wrong with an archive, checked from its descrambled header, its table and its real
// size. The game and lmocheck use the same rules.
enum LmoCheck {
    LMO_CHECK_OK = 0,
    LMO_CHECK_SHORT,        // smaller than a header
    LMO_CHECK_MAGIC,        // not "LMO"
    LMO_CHECK_COUNT,        // negative count, or table size not 20 + count × 296
    LMO_CHECK_TABLE,        // the table runs past the end of the file
    LMO_CHECK_CID,          // a CID without its terminating zero
    LMO_CHECK_BOUNDS,       // an entry's data runs past the end of the file (or is too large)
};

// Checks a descrambled header against the file size; on success *count is the entry count.
inline LmoCheck LMO_CheckHeader(const uint8_t* header20, uint64_t fileSize, int* count)
{
    if (fileSize < (uint64_t)LMO_HeaderSize) return LMO_CHECK_SHORT;
    if (memcmp(header20 + LMO_HdrMagic, LMO_Magic, 3) != 0) return LMO_CHECK_MAGIC;
    int32_t n = (int32_t)LMO_GetU32(header20 + LMO_HdrCount);
    int32_t tableSize = (int32_t)LMO_GetU32(header20 + LMO_HdrTableSize);
    if (n < 0 || tableSize < LMO_HeaderSize) return LMO_CHECK_COUNT;
    if ((int64_t)tableSize != (int64_t)LMO_HeaderSize + (int64_t)n * LMO_EntrySize) return LMO_CHECK_COUNT;
    if ((uint64_t)tableSize > fileSize) return LMO_CHECK_TABLE;
    *count = n;
    return LMO_CHECK_OK;
}

// Checks one entry record against the file size.
inline LmoCheck LMO_CheckEntry(const LmoEntry& e, uint64_t fileSize)
{
    if (!LMO_CidTerminated(e.cid)) return LMO_CHECK_CID;
    if (e.size > LMO_MaxEntrySize) return LMO_CHECK_BOUNDS;
    if ((uint64_t)e.offset + (uint64_t)e.size > fileSize) return LMO_CHECK_BOUNDS;
    return LMO_CHECK_OK;
}

// A short English name of a check result, for tools and logs.
inline const char* LMO_CheckName(LmoCheck c)
{
    switch (c) {
    case LMO_CHECK_OK: return "ok";
    case LMO_CHECK_SHORT: return "file shorter than the header";
    case LMO_CHECK_MAGIC: return "bad magic";
    case LMO_CHECK_COUNT: return "table size does not match the entry count";
    case LMO_CHECK_TABLE: return "entry table runs past the end of the file";
    case LMO_CHECK_CID: return "CID not terminated";
    case LMO_CHECK_BOUNDS: return "entry data out of bounds";
    }
    return "unknown";
}
