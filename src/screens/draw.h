// All drawing onto the window goes through here.
#pragma once

#include <SDL.h>

// Draws the whole of source, unscaled, with its top-left corner at (x, y) on the window.
// A null source draws nothing.
void drawAt(SDL_Surface* source, int x, int y);
