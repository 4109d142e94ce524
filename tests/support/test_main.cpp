// Test entry: every test program runs with a QApplication on the offscreen
// platform, so widget tests need no display.
#include <QApplication>
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <string>

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    // Qt wants a private runtime folder; CI machines often have none.
    std::string runtime = "/tmp/volumetra-test-runtime-XXXXXX";
    bool madeRuntime = !std::getenv("XDG_RUNTIME_DIR") && mkdtemp(runtime.data());
    if (madeRuntime) setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
    // Scans the tests make are kept here, never in the user's state folder.
    std::string state = "/tmp/volumetra-test-state-XXXXXX";
    bool madeState = mkdtemp(state.data()) != nullptr;
    if (madeState) setenv("XDG_STATE_HOME", state.c_str(), 1);
    ::testing::InitGoogleTest(&argc, argv);
    int result;
    {
        QApplication app(argc, argv);
        result = RUN_ALL_TESTS();
    }
    if (madeRuntime) rmdir(runtime.c_str());
    if (madeState) {
        std::error_code ignored;
        std::filesystem::remove_all(state, ignored);
    }
    return result;
}
