// Ownership of a surface that SDL handed out.
#pragma once

#include <SDL.h>

#include <memory>

struct SurfaceRelease {
    void operator()(SDL_Surface* surface) const { SDL_FreeSurface(surface); }
};

// A surface that is released when its owner goes.
using OwnedSurface = std::unique_ptr<SDL_Surface, SurfaceRelease>;
