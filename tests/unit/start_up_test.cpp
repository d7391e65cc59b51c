#include "shell/resources.h"
#include "shell/start_up.h"
#include "support/quit_signal.h"
#include "support/quiz_folder.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

const std::string firstFiveLines = "Initializing SDL\nSetting Graphics mode to 800 X 600\nInitializing "
                                   "Fonts.\nLoading Fonts.\nLoading pictures\n";

// The whole output of a run whose start-up fails at the step that reads file.
void expectStartUpFailure(const std::string& file, const std::string& expected)
{
    QuizFolder folder;
    folder.remove(file);
    EXPECT_EXIT(
        {
            stdoutToStderr();
            if (!startUp()) {
                shutDown();
            }
        },
        testing::ExitedWithCode(1), "^" + expected + shutDownLog + "$")
        << "without " << file;
}

class StartUp : public testing::Test {
  protected:
    void TearDown() override { releaseAll(); }
    QuizFolder folder;
};

}  // namespace

TEST(StartUpDeathTest, ReportsEachMissingFileAndShutsDown)
{
    expectStartUpFailure("nsecthck.ttf",
                         "Initializing SDL\nSetting Graphics mode to 800 X 600\nInitializing "
                         "Fonts.\nLoading Fonts.\nUnable to load fonts, please try again later.  "
                         "Sorry.\nCouldn't open ./data/nsecthck.ttf");
    expectStartUpFailure("background.bmp", firstFiveLines +
                                               "Unable to load backgroung, please try again later. Sorry.\n"
                                               "Couldn't open ./data/background.bmp");
    expectStartUpFailure("correct.bmp", firstFiveLines +
                                            "Unable to load picture, please try again later. Sorry.\n"
                                            "Couldn't open ./data/correct.bmp");
    expectStartUpFailure("incorrect.bmp", firstFiveLines +
                                              "Unable to load picture, please try again later.  Sorry.\n"
                                              "Couldn't open ./data/incorrect.bmp");
    expectStartUpFailure("Molecule List.txt", firstFiveLines + "Openning molecule list.\n"
                                                               "Unable to open molecule list, please try "
                                                               "again later.  Sorry.\n.*");
}

TEST(StartUpDeathTest, ReportsAFailingPlatform)
{
    QuizFolder folder;
    EXPECT_EXIT(
        {
            stdoutToStderr();
            setenv("SDL_AUDIODRIVER", "nosuch", 1);
            if (!startUp()) {
                shutDown();
            }
        },
        testing::ExitedWithCode(1),
        std::string("^Initializing SDL\nUnable to initialize SDL Graphics, please try again later.  Sorry.\n"
                    "Audio target 'nosuch' not available") +
            shutDownLog + "$");
}

TEST(StartUpDeathTest, ShutsDownWhenNothingWasCreated)
{
    EXPECT_EXIT(
        {
            stdoutToStderr();
            shutDown();
        },
        testing::ExitedWithCode(1), std::string("^") + shutDownLog + "$");
}

// SDL_Quit gives SIGINT and SIGTERM back their default action, which ends the process at
// once; a signal arriving then must not cut the log short or change the exit status.
TEST(StartUpDeathTest, FinishesShutDownWhateverSignalArrivesAfterSdlQuit)
{
    for (const int signum : {SIGINT, SIGTERM}) {
        QuizFolder folder;
        EXPECT_EXIT(
            {
                stdoutToStderr();
                if (!startUp()) {
                    std::exit(2);
                }
                signalAfterSdlQuit(signum);
                shutDown();
            },
            testing::ExitedWithCode(1), std::string(shutDownLog) + "$")
            << strsignal(signum);
    }
}

TEST_F(StartUp, OpensTheCaptionedWindowAndEveryResource)
{
    startUpOrFail();
    ASSERT_NE(screen, nullptr);
    EXPECT_EQ(screen->w, 800);
    EXPECT_EQ(screen->h, 600);
    EXPECT_EQ(screen->format->BitsPerPixel, 32);
    char* title = nullptr;
    SDL_WM_GetCaption(&title, nullptr);
    EXPECT_STREQ(title, "Molvane");
    EXPECT_NE(font, nullptr);
    EXPECT_NE(background, nullptr);
    EXPECT_NE(correctPicture, nullptr);
    EXPECT_NE(incorrectPicture, nullptr);
    EXPECT_NE(lastPicture, nullptr);
    EXPECT_TRUE(moleculeList.is_open());
    EXPECT_EQ(prompt, nullptr);
}

TEST_F(StartUp, DrawsInSoftwareUnlessTheUserChoseARenderer)
{
    unsetenv("SDL_RENDER_DRIVER");
    unsetenv("SDL_FRAMEBUFFER_ACCELERATION");
    startUpOrFail();
    EXPECT_STREQ(std::getenv("SDL_RENDER_DRIVER"), "software");
    EXPECT_STREQ(std::getenv("SDL_FRAMEBUFFER_ACCELERATION"), "software");
    releaseAll();

    setenv("SDL_RENDER_DRIVER", "opengl", 1);
    unsetenv("SDL_FRAMEBUFFER_ACCELERATION");
    startUpOrFail();
    EXPECT_STREQ(std::getenv("SDL_RENDER_DRIVER"), "opengl");
    EXPECT_EQ(std::getenv("SDL_FRAMEBUFFER_ACCELERATION"), nullptr);
    unsetenv("SDL_RENDER_DRIVER");
}

TEST_F(StartUp, ChoosesTheSilentSoundDriverUnlessTheUserChoseOne)
{
    // A user's choice is kept: ReportsAFailingPlatform starts with SDL_AUDIODRIVER=nosuch.
    unsetenv("SDL_AUDIODRIVER");
    startUpOrFail();
    EXPECT_STREQ(std::getenv("SDL_AUDIODRIVER"), "dummy");
    EXPECT_NE(SDL_WasInit(SDL_INIT_AUDIO), 0U);
}

TEST_F(StartUp, OnlyWarnsWithoutTheClosingPicture)
{
    folder.remove("last.bmp");
    testing::internal::CaptureStdout();
    const bool started = startUp();
    const std::string output = testing::internal::GetCapturedStdout();
    EXPECT_TRUE(started);
    EXPECT_EQ(lastPicture, nullptr);
    EXPECT_EQ(output, firstFiveLines + "uanable to load picture, please try again later.  Sorry.\n"
                                       "Couldn't open ./data/last.bmpOpenning molecule list.\n");
}
