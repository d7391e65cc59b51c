#include "screens/key_table.h"

#include <cstring>

namespace {

// The keypad digits in order; their key symbols need not be consecutive.
constexpr SDLKey keypadDigits[] = {SDLK_KP0, SDLK_KP1, SDLK_KP2, SDLK_KP3, SDLK_KP4,
                                   SDLK_KP5, SDLK_KP6, SDLK_KP7, SDLK_KP8, SDLK_KP9};

}  // namespace

char keyCharacter(SDLKey sym, KeyModifiers mod)
{
    if (sym >= SDLK_a && sym <= SDLK_z) {
        const bool shift = mod == KMOD_LSHIFT || mod == KMOD_RSHIFT;
        return static_cast<char>((shift ? 'A' : 'a') + (sym - SDLK_a));
    }
    if (sym >= SDLK_0 && sym <= SDLK_9) {
        return static_cast<char>('0' + (sym - SDLK_0));
    }
    for (int digit = 0; digit < 10; ++digit) {
        if (sym == keypadDigits[digit]) {
            return static_cast<char>('0' + digit);
        }
    }
    switch (sym) {
    case SDLK_SPACE: return ' ';
    case SDLK_LEFTPAREN: return '(';
    case SDLK_RIGHTPAREN: return ')';
    case SDLK_PLUS: return '+';
    case SDLK_COMMA: return ',';
    case SDLK_MINUS: return '-';
    case SDLK_PERIOD: return '.';
    case SDLK_SLASH: return '/';
    case SDLK_KP_PERIOD: return '.';
    case SDLK_KP_DIVIDE: return '/';
    case SDLK_KP_MINUS: return '-';
    case SDLK_KP_PLUS: return '+';
    default: return '\0';
    }
}

bool isTypeable(const std::string& name)
{
    static const char* const typeable =
        "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789 ()+,-./";
    for (const char c : name) {
        if (c == '\0' || std::strchr(typeable, c) == nullptr) {
            return false;
        }
    }
    return name.size() <= maxAnswerLength;
}
