// The question screen, where the player types a molecule's name.
#pragma once

#include "screens/screen_flags.h"

#include <SDL.h>

#include <string>

// Applies one event to the line being typed: a table key types its character while the
// line is short enough and not yet submitted, Backspace erases, Enter submits, and
// Escape or a window close quits. True when the event was a key press or a close.
bool handleEntryEvent(const SDL_Event& event, std::string& text, ScreenFlags& flags);
