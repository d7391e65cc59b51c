#include "platform/platform.h"

#include <SDL.h>

void waitForEvent()
{
    SDL_WaitEvent(nullptr);
}
