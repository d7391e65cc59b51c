#include "support/system_events.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <dlfcn.h>

namespace {

// SDL2's event types and the layouts of its events, as its stable ABI has them.
constexpr std::uint32_t keyDownType = 0x300;
constexpr std::uint32_t motionType = 0x400;
constexpr std::uint32_t buttonDownType = 0x401;
constexpr std::uint32_t buttonUpType = 0x402;

struct Motion {
    std::uint32_t type, timestamp, windowID, which, state;
    std::int32_t x, y, xrel, yrel;
};

struct Button {
    std::uint32_t type, timestamp, windowID, which;
    std::uint8_t button, state, clicks, padding;
    std::int32_t x, y;
};

struct Key {
    std::uint32_t type, timestamp, windowID;
    std::uint8_t state, repeat, padding2, padding3;
    std::int32_t scancode, sym;
    std::uint16_t mod;
    std::uint32_t unused;
};

// Any SDL2 event: 56 bytes.
union Event20 {
    std::uint32_t type;
    Motion motion;
    Button button;
    Key key;
    std::uint8_t padding[56];
};

using PushEvent = int (*)(Event20*);

// SDL2's SDL_PushEvent, from the SDL2 that sdl12-compat loaded.
PushEvent pushEvent20()
{
    void* const library = dlopen("libSDL2-2.0.so.0", RTLD_LAZY | RTLD_NOLOAD);
    if (library == nullptr) {
        return nullptr;
    }
    return reinterpret_cast<PushEvent>(dlsym(library, "SDL_PushEvent"));
}

// Pushes one SDL2 event; the result is SDL2's: 1 queued, 0 dropped, negative an error.
int push20(Event20 event)
{
    const PushEvent push = pushEvent20();
    if (push == nullptr) {
        ADD_FAILURE() << "no SDL2 below SDL 1.2: these tests need sdl12-compat";
        return -1;
    }
    return push(&event);
}

}  // namespace

void pushPointerThroughSystem()
{
    Event20 motion = {};
    motion.motion = {motionType, 0, 0, 0, 0, 30, 40, 1, 0};
    ASSERT_GE(push20(motion), 0) << "SDL2 refused a pointer motion: " << SDL_GetError();
    Event20 press = {};
    press.button = {buttonDownType, 0, 0, 0, SDL_BUTTON_LEFT, SDL_PRESSED, 1, 0, 30, 40};
    ASSERT_GE(push20(press), 0) << "SDL2 refused a button press: " << SDL_GetError();
    Event20 release = {};
    release.button = {buttonUpType, 0, 0, 0, SDL_BUTTON_LEFT, SDL_RELEASED, 1, 0, 30, 40};
    ASSERT_GE(push20(release), 0) << "SDL2 refused a button release: " << SDL_GetError();
}

void pushKeyThroughSystem(SDLKey sym)
{
    // SDL2's key codes of letters and Enter are their characters, as in SDL 1.2; the
    // scan codes are the USB usage numbers.
    const std::int32_t scancode = sym == SDLK_RETURN ? 40 : 4 + (sym - SDLK_a);
    Event20 key = {};
    key.key = {keyDownType, 0, 0, SDL_PRESSED, 0, 0, 0, scancode, sym, 0, 0};
    ASSERT_EQ(push20(key), 1) << "SDL2 did not take a key press: " << SDL_GetError();
}
