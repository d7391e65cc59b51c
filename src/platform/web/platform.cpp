#include "platform/platform.h"

#include <SDL.h>

#include <emscripten.h>

// Suspends the program until the page has handed SDL the next input event; the browser
// runs freely in the meantime (see module/waits.js).
EM_ASYNC_JS(void, sleepUntilInput, (), { await Module['molvaneNextInput'](); });

// The page's canvas is the only way the browser draws; there is nothing to choose.
void prepareVideo()
{
}

void waitForEvent()
{
    if (SDL_PollEvent(nullptr) == 0) {
        sleepUntilInput();
    }
}
