/* LD_PRELOAD shim for the benchmark: logs when the program is handed events and when
 * it presents frames, without touching the program's sources or its standard output.
 *
 * When MOLVANE_FRAME_LOG names a file, every line appended to it is one of
 *   E <ns> <type> <sym>   SDL_PollEvent handed the program an event (sym 0 unless a key)
 *   F <ns> <ns>           one SDL_Flip: when it was called and when it returned
 *   W <ns> <ns>           one SDL_WaitEvent: when it was called and when it returned
 * with CLOCK_MONOTONIC times in nanoseconds. Without the variable nothing is logged.
 */
#include <SDL.h>

#include <dlfcn.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <time.h>
#include <unistd.h>

typedef int (*PollFunction)(SDL_Event *);
typedef int (*FlipFunction)(SDL_Surface *);
typedef int (*WaitFunction)(SDL_Event *);

static int logFd = -2; /* -2: not opened yet; -1: logging off */

static long long now(void)
{
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return (long long)ts.tv_sec * 1000000000LL + ts.tv_nsec;
}

static int logFile(void)
{
    if (logFd == -2) {
        const char *path = getenv("MOLVANE_FRAME_LOG");
        logFd = (path != NULL && *path != '\0')
                    ? open(path, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644)
                    : -1;
    }
    return logFd;
}

/* One write per line, so a killed process loses nothing it already logged. */
static void logLine(const char *line, int length)
{
    const int fd = logFile();
    if (fd >= 0 && length > 0) {
        ssize_t ignored = write(fd, line, (size_t)length);
        (void)ignored;
    }
}

static void *next(const char *name)
{
    void *function = dlsym(RTLD_NEXT, name);
    if (function == NULL) {
        fprintf(stderr, "frame_log: no %s to wrap\n", name);
        abort();
    }
    return function;
}

int SDL_PollEvent(SDL_Event *event)
{
    static PollFunction real = NULL;
    if (real == NULL) {
        real = (PollFunction)next("SDL_PollEvent");
    }
    const int result = real(event);
    if (result != 0 && event != NULL) {
        const long long t = now();
        const int sym = (event->type == SDL_KEYDOWN || event->type == SDL_KEYUP)
                            ? (int)event->key.keysym.sym
                            : 0;
        char line[96];
        logLine(line, snprintf(line, sizeof line, "E %lld %d %d\n", t, (int)event->type, sym));
    }
    return result;
}

int SDL_Flip(SDL_Surface *surface)
{
    static FlipFunction real = NULL;
    if (real == NULL) {
        real = (FlipFunction)next("SDL_Flip");
    }
    const long long start = now();
    const int result = real(surface);
    const long long end = now();
    char line[96];
    logLine(line, snprintf(line, sizeof line, "F %lld %lld\n", start, end));
    return result;
}

int SDL_WaitEvent(SDL_Event *event)
{
    static WaitFunction real = NULL;
    if (real == NULL) {
        real = (WaitFunction)next("SDL_WaitEvent");
    }
    const long long start = now();
    const int result = real(event);
    const long long end = now();
    char line[96];
    logLine(line, snprintf(line, sizeof line, "W %lld %lld\n", start, end));
    return result;
}
