/* LD_PRELOAD shim for the benchmark: logs when the program is handed events and when
 * it presents frames, without touching the program's sources or its standard output.
 *
 * When MOLVANE_FRAME_LOG names a file, every line appended to it is one of
 *   E <ns> <type> <sym>   SDL_PollEvent handed the program an event (sym 0 unless a key)
 *   F <ns> <ns>           one SDL_Flip: when it was called and when it returned
 *   W <ns> <ns>           one SDL_WaitEvent: when it was called and when it returned
 *   C <name> <ns> <ns> <p> one start-up call (SDL_Init, SDL_SetVideoMode, TTF_Init,
 *                         TTF_OpenFont, SDL_LoadBMP_RW): its start, its end and the
 *                         pointer it returned (0 for the calls that return a status)
 *   B <ns> <p>            one SDL_UpperBlit of the surface at address p
 * with CLOCK_MONOTONIC times in nanoseconds. Without the variable nothing is logged.
 * The SDL_ttf wrappers take SDL_ttf's headers only as declarations; a program that does
 * not load SDL_ttf never calls them.
 */
#include <SDL.h>
#include <SDL_ttf.h>

#include <dlfcn.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <time.h>
#include <unistd.h>

typedef int (*PollFunction)(SDL_Event *);
typedef int (*FlipFunction)(SDL_Surface *);
typedef int (*WaitFunction)(SDL_Event *);
typedef int (*InitFunction)(Uint32);
typedef SDL_Surface *(*ModeFunction)(int, int, int, Uint32);
typedef SDL_Surface *(*LoadFunction)(SDL_RWops *, int);
typedef int (*BlitFunction)(SDL_Surface *, SDL_Rect *, SDL_Surface *, SDL_Rect *);
typedef int (*FontInitFunction)(void);
typedef TTF_Font *(*FontOpenFunction)(const char *, int);

static int logFd = -2; /* -2: not opened yet; -1: logging off */

static long long now(void)
{
    struct timespec moment;
    clock_gettime(CLOCK_MONOTONIC, &moment);
    return (long long)moment.tv_sec * 1000000000LL + moment.tv_nsec;
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

static void logCall(const char *name, long long start, long long end, const void *result)
{
    char line[128];
    logLine(line, snprintf(line, sizeof line, "C %s %lld %lld %p\n", name, start, end, result));
}

int SDL_Init(Uint32 flags)
{
    static InitFunction real = NULL;
    if (real == NULL) {
        real = (InitFunction)next("SDL_Init");
    }
    const long long start = now();
    const int result = real(flags);
    logCall("SDL_Init", start, now(), NULL);
    return result;
}

SDL_Surface *SDL_SetVideoMode(int width, int height, int bpp, Uint32 flags)
{
    static ModeFunction real = NULL;
    if (real == NULL) {
        real = (ModeFunction)next("SDL_SetVideoMode");
    }
    const long long start = now();
    SDL_Surface *result = real(width, height, bpp, flags);
    logCall("SDL_SetVideoMode", start, now(), result);
    return result;
}

SDL_Surface *SDL_LoadBMP_RW(SDL_RWops *source, int freeSource)
{
    static LoadFunction real = NULL;
    if (real == NULL) {
        real = (LoadFunction)next("SDL_LoadBMP_RW");
    }
    const long long start = now();
    SDL_Surface *result = real(source, freeSource);
    logCall("SDL_LoadBMP_RW", start, now(), result);
    return result;
}

int TTF_Init(void)
{
    static FontInitFunction real = NULL;
    if (real == NULL) {
        real = (FontInitFunction)next("TTF_Init");
    }
    const long long start = now();
    const int result = real();
    logCall("TTF_Init", start, now(), NULL);
    return result;
}

TTF_Font *TTF_OpenFont(const char *file, int size)
{
    static FontOpenFunction real = NULL;
    if (real == NULL) {
        real = (FontOpenFunction)next("TTF_OpenFont");
    }
    const long long start = now();
    TTF_Font *result = real(file, size);
    logCall("TTF_OpenFont", start, now(), result);
    return result;
}

int SDL_UpperBlit(SDL_Surface *source, SDL_Rect *sourceRect, SDL_Surface *target,
                  SDL_Rect *targetRect)
{
    static BlitFunction real = NULL;
    if (real == NULL) {
        real = (BlitFunction)next("SDL_UpperBlit");
    }
    char line[96];
    logLine(line, snprintf(line, sizeof line, "B %lld %p\n", now(), (const void *)source));
    return real(source, sourceRect, target, targetRect);
}
