// Input as the window system hands it to SDL, rather than pushed onto SDL 1.2's queue:
// sdl12-compat gets its events from SDL2 and drops those the program told it to ignore,
// so only events that come in through SDL2 show what reaches the program.
#pragma once

#include <SDL.h>

// Pushes a pointer motion, a button press and a button release through SDL2, failing
// the test if SDL2 reports an error.
void pushPointerThroughSystem();

// Pushes a key press through SDL2, failing the test if SDL2 does not take it.
void pushKeyThroughSystem(SDLKey sym);
