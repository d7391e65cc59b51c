#include "support/polled_events.h"

namespace {
std::vector<Uint8> polled;
}  // namespace

// The linker sends the program's calls of SDL_PollEvent here (-Wl,--wrap=SDL_PollEvent).
extern "C" int __real_SDL_PollEvent(SDL_Event* event);  // NOLINT(bugprone-reserved-identifier)
extern "C" int __wrap_SDL_PollEvent(SDL_Event* event)   // NOLINT(bugprone-reserved-identifier)
{
    const int result = __real_SDL_PollEvent(event);
    if (result != 0 && event != nullptr) {
        polled.push_back(event->type);
    }
    return result;
}

std::vector<Uint8> polledSinceReset()
{
    return polled;
}

void resetPolled()
{
    polled.clear();
}
