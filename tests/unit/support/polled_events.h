// Records the events that SDL_PollEvent hands the program: the unit tests link
// SDL_PollEvent through a wrapper.
#pragma once

#include <SDL.h>

#include <vector>

// The types of the events handed out since the last reset, in order.
std::vector<Uint8> polledSinceReset();

void resetPolled();
