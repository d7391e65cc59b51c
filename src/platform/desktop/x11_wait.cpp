#include "platform/desktop/x11_wait.h"

#include "platform/desktop/signal_wake.h"
#include "platform/desktop/x11_window.h"

#include <SDL.h>

#include <X11/Xlib.h>
#include <cerrno>
#include <poll.h>

namespace {

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
