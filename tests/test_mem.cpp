// Memory manager: tagged allocations with LOGMEM lines, null frees, the scratch chain.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>

#include "core/log.h"
#include "core/mem.h"
#include "core/settings.h"
#include "platform/os/os.h"
#include "test_support.h"

namespace {

TEST(MemScratch, NodeBoundaries)
{
    MEM_F_Init();
    MEM_F_Reset();
    uint8_t* a = (uint8_t*)MEM_F_Alloc(1023);
    ASSERT_NE(a, nullptr);
    uint8_t* b = (uint8_t*)MEM_F_Alloc(1);   // no room left: comes from the next node
    ASSERT_NE(b, nullptr);
    EXPECT_TRUE(b < a || b >= a + 1024);

    MEM_F_Reset();
    EXPECT_EQ(MEM_F_Alloc(1023), a);          // the first node is current again
    MEM_F_Reset();
    uint8_t* c = (uint8_t*)MEM_F_Alloc(24);
    EXPECT_EQ(c, a);
    uint8_t* d = (uint8_t*)MEM_F_Alloc(1000);   // exactly the space left moves on
    EXPECT_TRUE(d < a || d >= a + 1024);
}

TEST(MemScratch, BlocksAreEightByteAligned)
{
    MEM_F_Init();
    MEM_F_Reset();
    for (size_t size : {1u, 3u, 7u, 12u, 33u, 5u}) {
        void* p = MEM_F_Alloc(size);
        ASSERT_NE(p, nullptr);
        EXPECT_EQ((uintptr_t)p % 8, 0u) << size;
        memset(p, 0xAB, size);
    }
}

class MemLogTest : public LoggedTest {
protected:
    void SetUp() override
    {
        OpenLogIn("memtest");
        CFG_LogMem = 1;
    }
    void TearDown() override
    {
        CFG_LogMem = 0;
        LoggedTest::TearDown();
    }
};

TEST_F(MemLogTest, AllocationsAndFreesAreLoggedWithTags)
{
    void* p = MEM_Alloc(40, "LoadGame");
    void* q = MEM_AllocZero(8, nullptr);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(*(uint64_t*)q, 0u);
    MEM_Free(p, "LoadGame");
    MEM_Free(q, nullptr);
    std::string log = CloseAndReadLog();
    std::string at = std::to_string((unsigned long long)(uintptr_t)p);
    EXPECT_NE(log.find("LoadGame allocated 40 bytes at " + at + "\n"), std::string::npos);
    EXPECT_NE(log.find("LoadGame freed " + at + "\n"), std::string::npos);
    EXPECT_NE(log.find("'Unknown' allocated 8 bytes at "), std::string::npos);
    EXPECT_NE(log.find("'Unknown' freed at "), std::string::npos);
}

TEST_F(MemLogTest, NullFreeAndOversizedScratchAreFatalEntries)
{
    MEM_Free(nullptr, "Pages");
    MEM_F_Init();
    EXPECT_EQ(MEM_F_Alloc(1024), nullptr);
    std::string log = CloseAndReadLog();
    EXPECT_NE(log.find("Pages : Cannot free NULL memory"), std::string::npos);
    EXPECT_NE(log.find("MEM_F_Alloc : Trying to allocate too much at once"), std::string::npos);
    EXPECT_EQ(log.find("freed"), std::string::npos);
}

TEST(Mem, StrDup)
{
    EXPECT_EQ(MEM_StrDup(""), nullptr);
    char* s = MEM_StrDup("Zan Dor");
    ASSERT_NE(s, nullptr);
    EXPECT_STREQ(s, "Zan Dor");
    MEM_Free(s, nullptr);
}

} // namespace
