#include "screens/picture_screens.h"

#include "platform/platform.h"
#include "screens/bitmap_loader.h"
#include "screens/draw.h"
#include "shell/resources.h"
#include "shell/start_up.h"

namespace {

// Shows picture until a key press or a close, and returns whether the player quit.
// Each pass takes every pending event and then draws. A pass that found nothing
// sleeps until the next event instead of redrawing the same picture at full speed.
bool waitForKey(SDL_Surface* picture, bool anyKeyQuits)
{
    ScreenFlags flags;
    SDL_Event event;
    while (!flags.done) {
        bool anyEvent = false;
        while (SDL_PollEvent(&event) != 0) {
            anyEvent = true;
            handlePictureEvent(event, flags, anyKeyQuits);
        }
        drawAt(picture, 0, 0);
        SDL_Flip(screen);
        if (!flags.done && !anyEvent) {
            waitForEvent();
        }
    }
    return flags.quit;
}

void showUntilKey(SDL_Surface* picture)
{
    if (waitForKey(picture, false)) {
        shutDown();
    }
}

}  // namespace

bool handlePictureEvent(const SDL_Event& event, ScreenFlags& flags, bool anyKeyQuits)
{
    if (event.type == SDL_QUIT) {
        flags.done = true;
        flags.quit = true;
        return true;
    }
    if (event.type == SDL_KEYDOWN) {
        flags.done = true;
        if (anyKeyQuits || event.key.keysym.sym == SDLK_ESCAPE) {
            flags.quit = true;
        }
        return true;
    }
    return false;
}

HomeScreen::HomeScreen() : picture(loadBitmap("./data/Homescreen.bmp"))
{
}

void HomeScreen::showHomeScreen()
{
    showUntilKey(picture.get());
}

void showCorrect()
{
    showUntilKey(correctPicture);
}

void showIncorrect()
{
    showUntilKey(incorrectPicture);
}

void showLastScreen()
{
    reportQuizFinished();
    waitForKey(lastPicture, true);
    shutDown();
}
