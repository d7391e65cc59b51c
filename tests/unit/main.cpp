#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char** argv)
{
    // The tests never open a real window or sound device.
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    testing::InitGoogleTest(&argc, argv);
    // SDL starts threads of its own, so death tests re-run their test in a fresh process.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    return RUN_ALL_TESTS();
}
