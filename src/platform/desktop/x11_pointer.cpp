#include "platform/desktop/x11_pointer.h"

#include "platform/desktop/x11_window.h"

#include <X11/Xlib.h>
#include <X11/extensions/XI2.h>
#include <dlfcn.h>
#include <initializer_list>

namespace {

// Every kind of core motion report a window can ask for: plain motion, motion with
// buttons held, and the hint that asks for one report until the pointer is queried.
constexpr long motionMasks = PointerMotionMask | PointerMotionHintMask | ButtonMotionMask |
                             Button1MotionMask | Button2MotionMask | Button3MotionMask | Button4MotionMask |
                             Button5MotionMask;

// One device's selection of input-extension events, laid out as libXi's XIEventMask.
struct InputExtensionMask {
    int deviceid;
    int mask_len;
    unsigned char* mask;
};

// libXi's XIGetSelectedEvents and XISelectEvents.
using GetSelectedEvents = InputExtensionMask* (*)(Display*, Window, int*);
using SelectEvents = int (*)(Display*, Window, InputExtensionMask*, int);

// Takes the core motion reports out of what the window asks for.
void stopCoreMotion(Display* display, Window window)
{
    XWindowAttributes attributes;
    if (XGetWindowAttributes(display, window, &attributes) != 0) {
        XSelectInput(display, window, attributes.your_event_mask & ~motionMasks);
    }
}

// Takes the input extension's motion events out of what this connection asks for on
// target, device by device, leaving every other event it selected there.
void stopExtensionMotion(Display* display, Window target, GetSelectedEvents getSelected, SelectEvents select)
{
    int count = 0;
    InputExtensionMask* const masks = getSelected(display, target, &count);
    if (masks == nullptr) {
        return;
    }
    for (int i = 0; i < count; ++i) {
        for (const int motion : {XI_Motion, XI_RawMotion}) {
            if (masks[i].mask_len >= XIMaskLen(motion)) {
                XIClearMask(masks[i].mask, motion);
            }
        }
    }
    select(display, target, masks, count);
    XFree(masks);
}

// SDL takes the input extension's raw motion on the root window, for every pointer
// anywhere on the screen, when it loads libXi. A libXi that is not loaded means SDL
// asked for none of these, so it is not loaded here either.
void stopExtensionMotion(Display* display, Window window)
{
    void* const library = dlopen("libXi.so.6", RTLD_LAZY | RTLD_NOLOAD);
    if (library == nullptr) {
        return;
    }
    const auto getSelected = reinterpret_cast<GetSelectedEvents>(dlsym(library, "XIGetSelectedEvents"));
    const auto select = reinterpret_cast<SelectEvents>(dlsym(library, "XISelectEvents"));
    if (getSelected != nullptr && select != nullptr) {
        stopExtensionMotion(display, DefaultRootWindow(display), getSelected, select);
        stopExtensionMotion(display, window, getSelected, select);
    }
    dlclose(library);
}

}  // namespace

// SDL asks for motion when it opens the window; the X server would then wake the program
// up to a thousand times a second for a mouse that nothing reads. The window keeps the
// rest of what SDL asked for: keys, exposure, focus, the pointer entering and leaving,
// and the button presses, which are rare, and which a window that stops taking them
// would pass on to whatever lies beneath it.
void stopPointerMotionOnX11()
{
    Display* const display = windowDisplay();
    if (display == nullptr) {
        return;
    }
    const Window window = windowOnX11();
    stopCoreMotion(display, window);
    stopExtensionMotion(display, window);
    XFlush(display);
}
