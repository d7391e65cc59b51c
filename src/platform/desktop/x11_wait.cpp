#include "platform/desktop/x11_wait.h"

#include "platform/desktop/signal_wake.h"

#include <SDL.h>
#include <SDL_syswm.h>

#include <X11/Xlib.h>
#include <cerrno>
#include <cstring>
#include <poll.h>

namespace {

// The X connection of the window, or null when the window is not on X11. Looked up once:
// the window exists before any screen waits, and keeps its connection for the whole run.
Display* windowDisplay()
{
    static Display* const display = [] {
        char driver[16] = "";
        if (SDL_VideoDriverName(driver, sizeof driver) == nullptr || std::strcmp(driver, "x11") != 0) {
            return static_cast<Display*>(nullptr);
        }
        SDL_SysWMinfo info;
        SDL_VERSION(&info.version);
        if (SDL_GetWMInfo(&info) <= 0 || info.subsystem != SDL_SYSWM_X11) {
            return static_cast<Display*>(nullptr);
        }
        return info.info.x11.display;
    }();
    return display;
}

// Sleeps until the X connection can be read or a quit signal arrived. A signal that
// interrupts the sleep only ends it: the caller looks for events again either way.
void sleepOnConnection(Display* display)
{
    pollfd watched[2] = {{ConnectionNumber(display), POLLIN, 0}, {signalWakeFd(), POLLIN, 0}};
    const nfds_t count = watched[1].fd >= 0 ? 2 : 1;
    if (poll(watched, count, -1) < 0 && errno != EINTR) {
        // Nothing to sleep on: fall back to SDL's own wait rather than spin.
        SDL_WaitEvent(nullptr);
        return;
    }
    if (count == 2 && (watched[1].revents & POLLIN) != 0) {
        drainSignalWake();
    }
}

}  // namespace

bool waitOnX11()
{
    Display* const display = windowDisplay();
    if (display == nullptr) {
        return false;
    }
    wakeOnQuitSignals();
    // SDL_PollEvent(nullptr) lets SDL read what the connection holds and says whether that
    // gave an event. XPending then sends what SDL left in Xlib's output buffer and counts
    // what Xlib has read but SDL has not yet taken: only with both at nothing is it safe
    // to sleep on the connection.
    while (SDL_PollEvent(nullptr) == 0) {
        if (XPending(display) == 0) {
            sleepOnConnection(display);
        }
    }
    return true;
}
