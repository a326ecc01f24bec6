// The main of every test program. The tests run in a private home: HOME, TMPDIR and every
// XDG folder point into a fresh temporary folder, so the settings, log switch and files of
// the person running them never reach a test, and nothing a test writes reaches theirs.

#include <gtest/gtest.h>

#include "tests/support/temp_home.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    const test_support::TempHome home;
    return RUN_ALL_TESTS();
}
