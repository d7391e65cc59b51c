// The line of text the player is typing.
#pragma once

#include "screens/owned_surface.h"

#include <string>

// Turns the platform's key translation on while the player types.
class TextInput {
  public:
    TextInput();
    ~TextInput();
    TextInput(const TextInput&) = delete;
    TextInput& operator=(const TextInput&) = delete;

    std::string text;
    OwnedSurface textSurface;  // text as last rendered; null for an empty line
};
