#include "platform/desktop/signal_wake.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

using Handler = void (*)(int);

int wakePipe[2] = {-1, -1};
Handler sdlOnInterrupt = nullptr;
Handler sdlOnTerminate = nullptr;

extern "C" void wakeAfterSdl(int signum);

// Installs wakeAfterSdl for signum.
void installWake(int signum)
{
    struct sigaction action = {};
    action.sa_handler = wakeAfterSdl;
    sigemptyset(&action.sa_mask);
    static_cast<void>(sigaction(signum, &action, nullptr));
}

// Runs SDL's handler, which installs itself again, puts this one back in front of it,
// unless someone else took the signal meanwhile, and wakes the sleeper.
extern "C" void wakeAfterSdl(int signum)
{
    const int savedErrno = errno;
    const Handler sdl = signum == SIGINT ? sdlOnInterrupt : sdlOnTerminate;
    if (sdl != nullptr) {
        sdl(signum);
    }
    struct sigaction current = {};
    if (sigaction(signum, nullptr, &current) == 0 && current.sa_handler == sdl) {
        installWake(signum);
    }
    // A full pipe already wakes the sleeper, so a failed write loses nothing.
    const ssize_t written = write(wakePipe[1], "!", 1);
    static_cast<void>(written);
    errno = savedErrno;
}

// The handler set for signum if it is a function (SDL's), else null.
Handler functionHandler(int signum)
{
    struct sigaction current = {};
    if (sigaction(signum, nullptr, &current) != 0 || (current.sa_flags & SA_SIGINFO) != 0 ||
        current.sa_handler == SIG_DFL || current.sa_handler == SIG_IGN) {
        return nullptr;
    }
    return current.sa_handler;
}

}  // namespace

void wakeOnQuitSignals()
{
    static bool done = false;
    if (done) {
        return;
    }
    done = true;
    if (pipe2(wakePipe, O_NONBLOCK | O_CLOEXEC) != 0) {
        wakePipe[0] = wakePipe[1] = -1;
        return;
    }
    sdlOnInterrupt = functionHandler(SIGINT);
    sdlOnTerminate = functionHandler(SIGTERM);
    if (sdlOnInterrupt != nullptr) {
        installWake(SIGINT);
    }
    if (sdlOnTerminate != nullptr) {
        installWake(SIGTERM);
    }
}

int signalWakeFd()
{
    return wakePipe[0];
}

void drainSignalWake()
{
    char bytes[64];
    while (read(wakePipe[0], bytes, sizeof bytes) > 0) {
    }
}
