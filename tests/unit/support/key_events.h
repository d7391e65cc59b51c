// Scripted input for the screens: events pushed onto SDL's queue.
#pragma once

#include <SDL.h>

#include <initializer_list>

// Pushes one event, failing the test if the queue refuses it.
void push(SDL_Event event);

SDL_Event keyDown(SDLKey sym, int mod = KMOD_NONE);
SDL_Event keyUp(SDLKey sym);
SDL_Event mouseMotion();
SDL_Event windowClose();

// Pushes a key press for each symbol, without modifiers.
void pressKeys(std::initializer_list<SDLKey> keys);

// Empties the queue, so no event leaks into the next test.
void flushEvents();
