// Fuzz target: LMO archives. The input is written as the install folder's Zandor.lmo, opened
// like at start-up, and every entry it holds is loaded, streamed to its end and bulk-loaded.
// A damaged archive must be refused by its report, never read outside the file or the buffers.
//
//   clang++ -std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined -Isrc $(pkg-config --cflags sdl2)
//       fuzz/fuzz_lmo.cpp src/data/lmo.cpp src/data/tag.cpp src/app/err.cpp src/app/app.cpp
//       src/app/clock.cpp src/core/math.cpp src/core/log.cpp src/core/mem.cpp src/core/settings.cpp
//       src/platform/os/*.cpp $(pkg-config --libs sdl2) -o fuzz_lmo
//   ./fuzz_lmo -max_len=4096 fuzz/corpus/lmo
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/app.h"
#include "app/err.h"
#include "core/log.h"
#include "core/settings.h"
#include "data/lmo.h"
#include "platform/os/os.h"

namespace {

std::string g_archive;
volatile uint32_t g_sink;

void Touch(const char*, uint8_t* data, int size)
{
    uint32_t sum = 0;
    for (int i = 0; i <= size; i++) sum += data[i];   // the zero after the data included
    g_sink = sum;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    char tmpl[] = "/tmp/zandor-fuzz-lmo-XXXXXX";
    const char* dir = mkdtemp(tmpl);
    if (!dir) abort();
    setenv("HOME", dir, 1);
    os::OS_UseBackend(os::BACKEND_FAKE);
    APP_InstallDir = dir;
    APP_DataDir = std::string(dir) + "/no-such-folder";   // the log stays closed: no file growth
    g_archive = APP_InstallDir + "/Zandor.lmo";
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FILE* f = fopen(g_archive.c_str(), "wb");
    if (!f) return 0;
    fwrite(data, 1, size, f);
    fclose(f);

    os::FAKE_Reset();
    LOG_ResetForTests();
    ERR_ResetForTests();
    LMO_ResetForTests();
    APP_Quit = 0;

    if (LMO_OpenAll()) {
        for (int a = 0; a < LMO_ArchiveCount(); a++) {
            for (int e = 0; e < LMO_EntryCount(a); e++) {
                const std::string cid = LMO_EntryCID(a, e);
                if (uint8_t* p = LMO_Load(cid.c_str(), 0)) Touch(cid.c_str(), p, LMO_Size);
                if (FILE* s = LMO_OpenCID(cid.c_str(), "rb")) {
                    char buf[256];
                    while (fread(buf, 1, sizeof buf, s) > 0) {}
                    fclose(s);
                }
            }
        }
        LMO_SetLoader("TEX", Touch);
        LMO_SetLoader("TXT", Touch);
        LMO_LoadAll();
    }
    LMO_ResetForTests();
    return 0;
}
