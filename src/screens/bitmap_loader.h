// The one way the program loads a picture.
#pragma once

#include <SDL.h>

// Loads the BMP file at path, or returns null with the error set: SDL's own words for
// whatever SDL's loader fails on, the program's for a picture larger than the budget
// of isWithinPictureBudget, which is refused before SDL allocates for it.
SDL_Surface* loadBitmap(const char* path);
