// Fuzz target: the level reader and the level-list parser. The input is read as a level text
// over a board that the input itself may resize, then its blocks are placed, and it is parsed
// as a level list. No read may reach outside the text, and no write outside the shape, the
// level grid or the cell grid, whatever sizes, coordinates and shapes the text names.
//
//   cmake -S . -B build-fuzz -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang -DZANDOR_FUZZ=ON
//   cmake --build build-fuzz --target fuzz_level && build-fuzz/fuzz/fuzz_level fuzz/corpus/level
#include <cstdint>
#include <cstring>
#include <vector>

#include "app/app.h"
#include "game/blocktypes.h"
#include "game/board.h"
#include "game/level.h"
#include "game/levellist.h"
#include "platform/os/os.h"

namespace {

volatile uint32_t g_sink;
uint32_t g_sum;
alignas(16) char g_block[16];

// Stands in for the block spawn: claims the cells as a spawned block would.
bool Spawn(int type, int x, int y, int z)
{
    g_sum += (uint32_t)(type + x + y + z);
    BRD_Claim(reinterpret_cast<Block*>(g_block), Vec3{(float)x, (float)y, (float)z}, BLK_Types[type].size);
    return true;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    os::OS_UseBackend(os::BACKEND_FAKE);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // Exactly sized, no zero after it: a read past the end is caught by the sanitizer.
    std::vector<char> text(data, data + size);
    APP_Quit = 1;  // the invalid-resources report stays quiet (no message boxes)
    BRD_SetSize(6, 6);
    for (int i = 0; i < 36; i++) BRD_Board.shape[i] = 1;
    BRD_ClearGrid();
    LEV_ReadText(text.data(), text.size(), "fuzz");
    g_sum += (uint32_t)LEV_PlaceBlocks(Spawn);
    g_sum += (uint32_t)LEV_Level.topLayer;

    SET_ParseList("LED_FUZZ", text.data(), text.size());
    SET_BuildChoiceList();
    g_sum += (uint32_t)SET_ChoiceCount;
    SET_ResetForTests();
    g_sink = g_sum;
    return 0;
}
