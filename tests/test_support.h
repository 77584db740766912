// Shared test helpers: reading a file back, and a fixture with a fresh data folder and an
// open Log.txt (restored and closed afterwards) for tests that assert on log lines.
#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "core/log.h"
#include "core/settings.h"
#include "platform/os/os.h"

inline std::string TEST_ReadText(const std::string& path)
{
    std::ifstream f(path, std::ios::binary);
    std::stringstream ss;
    ss << f.rdbuf();
    return ss.str();
}

// A minimal archive in the LMO layout: scrambled header, 296-byte records, then the data.
inline std::string TEST_MakeArchive(const std::vector<std::pair<std::string, std::string>>& entries)
{
    auto put32 = [](std::string& s, size_t at, uint32_t v) {
        for (int i = 0; i < 4; i++) s[at + i] = (char)(v >> (8 * i));
    };
    const size_t table = 20 + entries.size() * 296;
    std::string out(table, '\0');
    out[0] = 'L'; out[1] = 'M'; out[2] = 'O';
    put32(out, 4, (uint32_t)entries.size());
    put32(out, 8, (uint32_t)table);
    const char key[] = "Tqmw4Hxe";
    for (int i = 0; i < 20; i++) out[i] ^= key[i % 8];
    size_t offset = table;
    for (size_t i = 0; i < entries.size(); i++) {
        size_t rec = 20 + i * 296;
        std::memcpy(&out[rec + 256], entries[i].first.c_str(), entries[i].first.size() + 1);
        put32(out, rec + 288, (uint32_t)offset);
        put32(out, rec + 292, (uint32_t)entries[i].second.size());
        offset += entries[i].second.size();
    }
    for (const auto& e : entries) out += e.second;
    return out;
}

class LoggedTest : public testing::Test {
protected:
    // `folder` names the data folder under the test HOME.
    void OpenLogIn(const char* folder)
    {
        os::FAKE_Reset();
        LOG_ResetForTests();
        dir_ = std::string(getenv("HOME")) + "/" + folder;
        os::OS_MakeDir(dir_);
        savedDir_ = APP_DataDir;
        APP_DataDir = dir_;
        LOG_Open();
    }
    void TearDown() override
    {
        LOG_ResetForTests();
        if (!savedDir_.empty()) APP_DataDir = savedDir_;
    }
    std::string CloseAndReadLog()
    {
        LOG_Close(false);
        return TEST_ReadText(dir_ + "/Log.txt");
    }
    std::string dir_, savedDir_;
};
