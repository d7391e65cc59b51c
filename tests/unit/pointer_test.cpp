#include "molecule/molecule.h"
#include "screens/picture_screens.h"
#include "shell/resources.h"
#include "support/key_events.h"
#include "support/one_molecule_quiz.h"
#include "support/polled_events.h"
#include "support/quiz_folder.h"
#include "support/system_events.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

class Pointer : public OneMoleculeQuiz {};

}  // namespace

TEST_F(Pointer, NeverReachesTheScreens)
{
    const std::vector<Uint8> keyPress = {SDL_KEYDOWN};

    pushPointerThroughSystem();
    pushKeyThroughSystem(SDLK_n);
    pushPointerThroughSystem();
    resetPolled();
    showIncorrect();
    EXPECT_EQ(polledSinceReset(), keyPress) << "the picture screen polled pointer events";

    pushPointerThroughSystem();
    pushKeyThroughSystem(SDLK_a);
    pushPointerThroughSystem();
    pushKeyThroughSystem(SDLK_RETURN);
    resetPolled();
    molecule.askForName();
    EXPECT_EQ(polledSinceReset(), std::vector<Uint8>(2, SDL_KEYDOWN))
        << "the question screen polled pointer events";
    EXPECT_EQ(molecule.answer, "a");
}
