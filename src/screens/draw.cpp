#include "screens/draw.h"

#include "shell/resources.h"

void drawAt(SDL_Surface* source, int x, int y)
{
    SDL_Rect dest = {};
    dest.x = static_cast<Sint16>(x);
    dest.y = static_cast<Sint16>(y);
    SDL_UpperBlit(source, nullptr, screen, &dest);
}
