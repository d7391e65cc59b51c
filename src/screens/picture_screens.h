// The screens that show one picture and wait for a key.
#pragma once

#include "screens/owned_surface.h"
#include "screens/screen_flags.h"

#include <SDL.h>

// Applies one event to a waiting screen: a key press ends it, Escape or a window
// close also quits. When anyKeyQuits, every key press quits. True if the event counted.
bool handlePictureEvent(const SDL_Event& event, ScreenFlags& flags, bool anyKeyQuits = false);

// The home screen; owns its picture for as long as it is shown.
class HomeScreen {
  public:
    HomeScreen();

    // Shows the home picture until a key is pressed; Escape or a close ends the run.
    void showHomeScreen();

  private:
    OwnedSurface picture;
};

// Shows the right-answer picture until a key is pressed; Escape or a close ends the run.
void showCorrect();

// Shows the wrong-answer picture until a key is pressed; Escape or a close ends the run.
void showIncorrect();

// Shows the closing picture; any key or a close ends the run.
[[noreturn]] void showLastScreen();
