// The main of every test program. The tests run in a private home: HOME, TMPDIR and every
// XDG folder point into a fresh temporary folder, so the settings, log switch and files of
// the person running them never reach a test, and nothing a test writes reaches theirs. The
// language and date formats follow the locale, so every run gets the same plain one.

#include <gtest/gtest.h>
#include <stdlib.h>

#include "tests/support/temp_home.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LC_TIME", "LANGUAGE"}) {
        ::unsetenv(name);
    }
    ::setenv("LANG", "C.UTF-8", 1);
    const test_support::TempHome home;
    return RUN_ALL_TESTS();
}
