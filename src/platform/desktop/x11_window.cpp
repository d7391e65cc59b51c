#include "platform/desktop/x11_window.h"

#include <SDL.h>
#include <SDL_syswm.h>

#include <cstring>

namespace {

// What SDL says of its window: on X11, its connection and its X window.
struct X11Window {
    Display* display = nullptr;
    Window window = 0;
};

// SDL's account of the window, looked up the first time it is needed.
const X11Window& x11Window()
{
    static const X11Window found = [] {
        X11Window result;
        char driver[16] = "";
        if (SDL_VideoDriverName(driver, sizeof driver) == nullptr || std::strcmp(driver, "x11") != 0) {
            return result;
        }
        SDL_SysWMinfo info;
        SDL_VERSION(&info.version);
        if (SDL_GetWMInfo(&info) <= 0 || info.subsystem != SDL_SYSWM_X11) {
            return result;
        }
        result.display = info.info.x11.display;
        result.window = info.info.x11.window;
        return result;
    }();
    return found;
}

}  // namespace

Display* windowDisplay()
{
    return x11Window().display;
}

Window windowOnX11()
{
    return x11Window().window;
}
