#include "molecule/molecule.h"
#include "screens/answer_entry.h"
#include "shell/resources.h"
#include "support/flip_counter.h"
#include "support/key_events.h"
#include "support/one_molecule_quiz.h"
#include "support/quiz_folder.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// Feeds events to the entry rules and returns the typed text.
std::string typeInto(std::string text, std::initializer_list<SDL_Event> events, ScreenFlags& flags)
{
    for (const SDL_Event& event : events) {
        handleEntryEvent(event, text, flags);
    }
    return text;
}

class AnswerEntry : public OneMoleculeQuiz {};

using AnswerEntryDeathTest = AnswerEntry;

}  // namespace

TEST(EntryEvents, TypesAtMostFiftyOneCharacters)
{
    ScreenFlags flags;
    std::string text;
    for (int i = 0; i < 60; ++i) {
        handleEntryEvent(keyDown(SDLK_x), text, flags);
    }
    EXPECT_EQ(text, std::string(51, 'x'));
    text = typeInto(text, {keyDown(SDLK_BACKSPACE), keyDown(SDLK_y), keyDown(SDLK_z)}, flags);
    EXPECT_EQ(text, std::string(50, 'x') + "y");
    EXPECT_FALSE(flags.done || flags.quit);
}

TEST(EntryEvents, EditsWithShiftAndBackspace)
{
    ScreenFlags flags;
    EXPECT_EQ(typeInto("",
                       {keyDown(SDLK_e, KMOD_LSHIFT), keyDown(SDLK_t, KMOD_RSHIFT), keyDown(SDLK_h),
                        keyDown(SDLK_BACKSPACE), keyDown(SDLK_KP2), keyDown(SDLK_KP_PLUS)},
                       flags),
              "ET2+");
    EXPECT_EQ(typeInto("", {keyDown(SDLK_BACKSPACE)}, flags), "");
}

TEST(EntryEvents, AfterEnterOnlyBackspaceAndQuittingStillWork)
{
    ScreenFlags flags;
    std::string text =
        typeInto("ab", {keyDown(SDLK_RETURN), keyDown(SDLK_c), keyDown(SDLK_BACKSPACE)}, flags);
    EXPECT_EQ(text, "a");
    EXPECT_TRUE(flags.done);
    EXPECT_FALSE(flags.quit);
    typeInto(text, {keyDown(SDLK_ESCAPE)}, flags);
    EXPECT_TRUE(flags.quit);

    ScreenFlags keypad;
    typeInto("", {keyDown(SDLK_KP_ENTER)}, keypad);
    EXPECT_TRUE(keypad.done);
    ScreenFlags closed;
    typeInto("", {windowClose()}, closed);
    EXPECT_TRUE(closed.quit);
}

TEST(EntryEvents, ReleasesAndMotionChangeNothing)
{
    ScreenFlags flags;
    std::string text = "ab";
    for (const SDL_Event& event : {keyUp(SDLK_RETURN), keyUp(SDLK_ESCAPE), keyUp(SDLK_c), mouseMotion()}) {
        EXPECT_FALSE(handleEntryEvent(event, text, flags));
    }
    EXPECT_EQ(text, "ab");
    EXPECT_FALSE(flags.done || flags.quit);
}

TEST_F(AnswerEntry, StoresWhatWasTypedWhenEnterIsPressed)
{
    push(keyUp(SDLK_SPACE));
    push(mouseMotion());
    push(keyDown(SDLK_w, KMOD_LSHIFT));
    pressKeys({SDLK_a, SDLK_x, SDLK_BACKSPACE, SDLK_t, SDLK_RETURN, SDLK_q, SDLK_BACKSPACE});
    molecule.askForName();
    EXPECT_EQ(molecule.answer, "Wa");
    EXPECT_NE(prompt, nullptr);

    push(keyDown(SDLK_KP_ENTER));
    molecule.askForName();
    EXPECT_EQ(molecule.answer, "");
}

TEST_F(AnswerEntry, KeepsTheLineAtFiftyOneCharacters)
{
    for (int i = 0; i < 60; ++i) {
        push(keyDown(SDLK_o));
    }
    pressKeys({SDLK_RETURN});
    molecule.askForName();
    EXPECT_EQ(molecule.answer, std::string(51, 'o'));

    for (int i = 0; i < 60; ++i) {
        push(keyDown(SDLK_o));
    }
    pressKeys({SDLK_BACKSPACE, SDLK_p, SDLK_q, SDLK_RETURN});
    molecule.askForName();
    EXPECT_EQ(molecule.answer, std::string(50, 'o') + "p");
}

TEST_F(AnswerEntry, DrawsOnceAtTheStartThenTwiceForEveryPollingPass)
{
    push(keyUp(SDLK_a));
    push(mouseMotion());
    push(keyDown(SDLK_b));
    push(keyDown(SDLK_RETURN));
    resetFlips();
    molecule.askForName();
    // Two flips when the screen starts, two for the one pass that held every event.
    EXPECT_EQ(flipsSinceReset(), 4);
    EXPECT_EQ(molecule.answer, "b");
}

TEST_F(AnswerEntryDeathTest, EndsTheRunOnEscapeOrAClose)
{
    const std::string log = std::string(shutDownLog) + "$";
    EXPECT_EXIT(
        {
            stdoutToStderr();
            pressKeys({SDLK_a, SDLK_ESCAPE});
            molecule.askForName();
        },
        testing::ExitedWithCode(1), log);
    EXPECT_EXIT(
        {
            stdoutToStderr();
            pressKeys({SDLK_a, SDLK_RETURN});
            push(windowClose());
            molecule.askForName();
        },
        testing::ExitedWithCode(1), log);
}
