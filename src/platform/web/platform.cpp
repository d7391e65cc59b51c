#include "platform/platform.h"

#include <SDL.h>

#include <emscripten.h>

// Suspends the program until the page has handed SDL the next input event; the browser
// runs freely in the meantime (see module/waits.js).
EM_ASYNC_JS(void, sleepUntilInput, (), { await Module['molvaneNextInput'](); });

// Takes the SDL emulation's pointer listeners off the canvas (see module/pointer.js).
EM_JS(void, stopPointerListeners, (), { Module['molvaneIgnorePointer'](); });

// Marks the run as finished for the page, and calls the page's handler when it has one.
EM_JS(void, tellPageFinished, (), {
    Module['molvaneFinished'] = true;
    if (Module['onQuizFinished']) {
        Module['onQuizFinished']();
    }
});

// The page's canvas is the only way the browser draws; there is nothing to choose.
void prepareVideo()
{
}

// No pointer event is ever queued: the browser runs no script of the program's for one.
void ignorePointer()
{
    stopPointerListeners();
}

void reportQuizFinished()
{
    tellPageFinished();
}

void waitForEvent()
{
    if (SDL_PollEvent(nullptr) == 0) {
        sleepUntilInput();
    }
}
