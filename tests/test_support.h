// Shared test helpers: reading a file back, and a fixture with a fresh data folder and an
// open Log.txt (restored and closed afterwards) for tests that assert on log lines.
#pragma once
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

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
