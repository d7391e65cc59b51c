#include "platform/platform.h"

#include "platform/desktop/x11_pointer.h"
#include "platform/desktop/x11_wait.h"

#include <SDL.h>

#include <cstdlib>

// Unless the user chose a renderer, SDL draws the window in memory and hands each frame
// straight to the window system. That shows the same pixels as its OpenGL renderer, but
// starts faster, presents a frame several times faster and needs far less memory.
// Unless the user chose a sound system, SDL gets its silent one: the quiz plays no sound,
// and a real one would wake the program to watch for sound devices.
void prepareVideo()
{
    if (std::getenv("SDL_RENDER_DRIVER") == nullptr) {
        setenv("SDL_RENDER_DRIVER", "software", 0);
        setenv("SDL_FRAMEBUFFER_ACCELERATION", "software", 0);
    }
    setenv("SDL_AUDIODRIVER", "dummy", 0);
}

// SDL drops the pointer's events as they arrive, before they reach the queue; on X11 the
// server does not even send the motions. The window's close request, keys, exposure and
// activation still come through, so an uncovered or restored window is drawn again.
void ignorePointer()
{
    SDL_EventState(SDL_MOUSEMOTION, SDL_IGNORE);
    SDL_EventState(SDL_MOUSEBUTTONDOWN, SDL_IGNORE);
    SDL_EventState(SDL_MOUSEBUTTONUP, SDL_IGNORE);
    stopPointerMotionOnX11();
}

// A desktop quiz has no one to tell: it shows the closing screen, and that is all.
void reportQuizFinished()
{
}

// On X11 the program sleeps in the kernel until the X server sends something. SDL's own
// wait polls every 10 ms instead, so other window systems keep it.
void waitForEvent()
{
    if (!waitOnX11()) {
        SDL_WaitEvent(nullptr);
    }
}
