// The one way the program loads a picture.
#pragma once

#include <SDL.h>

// Loads the BMP file at path, or returns null with SDL's error set. A file whose
// header is malformed or declares more pixels than it holds is refused unread.
SDL_Surface* loadBitmap(const char* path);
