#include "support/quit_signal.h"

#include <SDL.h>

#include <csignal>
#include <unistd.h>

namespace {
int signalToSend = 0;
}  // namespace

// The linker sends every call of SDL_Quit here (-Wl,--wrap=SDL_Quit).
extern "C" void __real_SDL_Quit();  // NOLINT(bugprone-reserved-identifier)
extern "C" void __wrap_SDL_Quit()   // NOLINT(bugprone-reserved-identifier)
{
    __real_SDL_Quit();
    if (signalToSend != 0) {
        kill(getpid(), signalToSend);
    }
}

void signalAfterSdlQuit(int signum)
{
    signalToSend = signum;
}
