#include "support/key_events.h"

#include <gtest/gtest.h>

void push(SDL_Event event)
{
    ASSERT_EQ(SDL_PushEvent(&event), 0) << "SDL's event queue refused an event: " << SDL_GetError();
}

SDL_Event keyDown(SDLKey sym, int mod)
{
    SDL_Event event = {};
    event.type = SDL_KEYDOWN;
    event.key.state = SDL_PRESSED;
    event.key.keysym.sym = sym;
    event.key.keysym.mod = static_cast<SDLMod>(mod);
    return event;
}

SDL_Event keyUp(SDLKey sym)
{
    SDL_Event event = keyDown(sym);
    event.type = SDL_KEYUP;
    event.key.state = SDL_RELEASED;
    return event;
}

SDL_Event mouseMotion()
{
    SDL_Event event = {};
    event.type = SDL_MOUSEMOTION;
    event.motion.x = 10;
    event.motion.y = 20;
    return event;
}

SDL_Event windowClose()
{
    SDL_Event event = {};
    event.type = SDL_QUIT;
    return event;
}

void pressKeys(std::initializer_list<SDLKey> keys)
{
    for (const SDLKey key : keys) {
        push(keyDown(key));
    }
}

void flushEvents()
{
    SDL_Event event;
    while (SDL_PollEvent(&event) != 0) {
    }
}
