// The keys that type a molecule's name.
#pragma once

#include <SDL.h>

#include <cstddef>
#include <string>

// The longest answer the entry accepts.
constexpr std::size_t maxAnswerLength = 51;

// The modifier state as the platform's key events carry it.
using KeyModifiers = decltype(SDL_keysym::mod);

// The character a key press types, or '\0' for a key that types nothing. Letters are
// capitals only when the modifier state is exactly one Shift key; every other key
// types its character whatever modifiers are held.
char keyCharacter(SDLKey sym, KeyModifiers mod);

// True when every character of name can be typed and it fits in the entry.
bool isTypeable(const std::string& name);
