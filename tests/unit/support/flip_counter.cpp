#include "support/flip_counter.h"

#include <SDL.h>

namespace {
int flips = 0;
}  // namespace

// The linker sends the program's calls of SDL_Flip here (-Wl,--wrap=SDL_Flip).
extern "C" int __real_SDL_Flip(SDL_Surface* surface);  // NOLINT(bugprone-reserved-identifier)
extern "C" int __wrap_SDL_Flip(SDL_Surface* surface)   // NOLINT(bugprone-reserved-identifier)
{
    ++flips;
    return __real_SDL_Flip(surface);
}

int flipsSinceReset()
{
    return flips;
}

void resetFlips()
{
    flips = 0;
}
