#include "screens/picture_screens.h"
#include "shell/resources.h"
#include "shell/start_up.h"
#include "support/flip_counter.h"
#include "support/key_events.h"
#include "support/quiz_folder.h"

#include <gtest/gtest.h>

namespace {

class PictureScreens : public testing::Test {
  protected:
    void SetUp() override { startUpOrFail(); }
    void TearDown() override
    {
        flushEvents();
        releaseAll();
    }
    QuizFolder folder;
};

using PictureScreensDeathTest = PictureScreens;

// Reads the colour the window shows at (x, y).
Uint32 shownAt(int x, int y)
{
    SDL_LockSurface(screen);
    const Uint32 pixel = static_cast<const Uint32*>(screen->pixels)[y * screen->pitch / 4 + x];
    SDL_UnlockSurface(screen);
    Uint8 r = 0, g = 0, b = 0;
    SDL_GetRGB(pixel, screen->format, &r, &g, &b);
    return static_cast<Uint32>(r << 16 | g << 8 | b);
}

}  // namespace

TEST(PictureEvents, OnlyKeyPressesAndClosesCount)
{
    ScreenFlags flags;
    EXPECT_FALSE(handlePictureEvent(keyUp(SDLK_a), flags));
    EXPECT_FALSE(handlePictureEvent(keyUp(SDLK_ESCAPE), flags));
    EXPECT_FALSE(handlePictureEvent(mouseMotion(), flags));
    EXPECT_FALSE(flags.done || flags.quit);

    EXPECT_TRUE(handlePictureEvent(keyDown(SDLK_a), flags));
    EXPECT_TRUE(flags.done);
    EXPECT_FALSE(flags.quit);
    EXPECT_TRUE(handlePictureEvent(keyDown(SDLK_ESCAPE), flags));
    EXPECT_TRUE(flags.quit);

    ScreenFlags closed;
    handlePictureEvent(windowClose(), closed);
    EXPECT_TRUE(closed.done && closed.quit);

    ScreenFlags closing;
    handlePictureEvent(keyDown(SDLK_SPACE), closing, true);
    EXPECT_TRUE(closing.done && closing.quit);
}

TEST_F(PictureScreens, ShowTheirPictureAndReturnOnAKeyPress)
{
    push(keyUp(SDLK_RETURN));
    push(mouseMotion());
    push(keyDown(SDLK_n));
    resetFlips();
    showCorrect();
    EXPECT_EQ(shownAt(5, 5), 0x00C000u);
    EXPECT_EQ(flipsSinceReset(), 1) << "one pass took all three events";

    push(keyDown(SDLK_KP_ENTER, KMOD_NUM));
    showIncorrect();
    EXPECT_EQ(shownAt(799, 599), 0xC00000u);

    push(keyDown(SDLK_SPACE));
    HomeScreen().showHomeScreen();
    EXPECT_EQ(shownAt(400, 300), 0xC0C000u);
}

TEST_F(PictureScreens, WaitForAKeyEvenWithoutAPicture)
{
    folder.remove("Homescreen.bmp");
    push(keyDown(SDLK_x));
    HomeScreen().showHomeScreen();
    EXPECT_EQ(shownAt(400, 300), 0x000000u) << "nothing was drawn";
}

TEST_F(PictureScreensDeathTest, EndTheRunOnEscapeOrAClose)
{
    const std::string log = std::string(shutDownLog) + "$";
    EXPECT_EXIT(
        {
            stdoutToStderr();
            push(keyDown(SDLK_ESCAPE));
            showCorrect();
        },
        testing::ExitedWithCode(1), log);
    EXPECT_EXIT(
        {
            stdoutToStderr();
            push(windowClose());
            showIncorrect();
        },
        testing::ExitedWithCode(1), log);
    EXPECT_EXIT(
        {
            stdoutToStderr();
            push(keyDown(SDLK_a));
            push(keyDown(SDLK_ESCAPE));
            HomeScreen().showHomeScreen();
        },
        testing::ExitedWithCode(1), log);
    EXPECT_EXIT(
        {
            stdoutToStderr();
            push(keyDown(SDLK_a));
            push(windowClose());
            showCorrect();
        },
        testing::ExitedWithCode(1), log);
}

TEST_F(PictureScreensDeathTest, TheClosingScreenEndsTheRunOnAnyKey)
{
    EXPECT_EXIT(
        {
            stdoutToStderr();
            push(keyUp(SDLK_RETURN));
            push(keyDown(SDLK_a));
            showLastScreen();
        },
        testing::ExitedWithCode(1), std::string(shutDownLog) + "$");
}
