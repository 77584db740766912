// Fuzz target: the tagged-text reader. The input becomes an exactly sized, zero-terminated
// text and is read every way the game reads its texts: tag lookups with their values, a
// keyword stream of tokens, numbers, flags and quoted strings, and the scrambled form. No read
// may reach outside the text, however the quotes, parentheses and separators fall.
//
//   clang++ -std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined -Isrc fuzz/fuzz_tag.cpp \
//       <engine sources> $(pkg-config --libs sdl2 epoxy ...) -o fuzz_tag
//   ./fuzz_tag fuzz/corpus/tag
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "data/tag.h"
#include "platform/os/os.h"

namespace {

volatile uint32_t g_sink;

const char* const kKeys[] = {"WIDTH", "HEIGHT", "WINDOWED", "MUTE", "VER", "", "#"};

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    os::OS_UseBackend(os::BACKEND_FAKE);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<char> text(data, data + size);
    text.push_back(0);
    uint32_t sum = 0;

    // Tag lookups, as Config.txt and Settings.txt are read.
    for (const char* key : kKeys) {
        if (TAG_FindTag(text.data(), key)) {
            int v = 0;
            sum += (uint32_t)TAG_ReadInt();
            sum += TAG_TryReadInt(&v) ? (uint32_t)v : 1u;
        }
    }

    // A keyword stream, with the reader picked by the first byte of each token.
    for (int comma = 0; comma < 2; comma++) {
        TAG_OpenText(text.data(), comma != 0);
        char small[5];
        char16_t str[7];
        for (int steps = 0; steps < 4096; steps++) {
            const char* t = TAG_NextToken(small, sizeof small);
            if (!t) break;
            switch ((unsigned char)t[0] % 6) {
            case 0: sum += (uint32_t)TAG_ReadInt(); break;
            case 1: sum += (uint32_t)(TAG_ReadFloat() != 0.0f); break;
            case 2: sum += TAG_ReadBool(); break;
            case 3: if (const char16_t* s = TAG_ReadString(str, 7)) sum += s[0]; break;
            case 4: if (const char16_t* s = TAG_ReadString()) sum += s[0]; break;
            default: if (const char* w = TAG_NextToken()) sum += (unsigned char)w[0]; break;
            }
        }
    }

    // The scrambled form: unscrambling works on a copy and reads on from the start.
    TAG_OpenText(text.data(), false);
    TAG_Unscramble();
    while (const char* t = TAG_NextToken()) sum += (unsigned char)t[0];
    TAG_Scramble();
    sum += TAG_TextLength();
    TAG_Close();

    g_sink = sum;
    return 0;
}
