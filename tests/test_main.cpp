// Test entry: every test program runs on the fake OS backend with a fresh HOME, so per-user
// files (log, settings, registry, players) never touch the real user's folders.
#include <gtest/gtest.h>
#include <cstdlib>
#include <filesystem>
#include <string>
#include "platform/os/os.h"

int main(int argc, char** argv)
{
    char tmpl[] = "/tmp/zandor-test-XXXXXX";
    const char* home = mkdtemp(tmpl);
    if (home) {
        setenv("HOME", home, 1);
        unsetenv("XDG_DATA_HOME");
        unsetenv("XDG_CONFIG_HOME");
    }
    os::OS_UseBackend(os::BACKEND_FAKE);
    testing::InitGoogleTest(&argc, argv);
    int rc = RUN_ALL_TESTS();
    if (home) {
        std::error_code ec;
        std::filesystem::remove_all(home, ec);
    }
    return rc;
}
