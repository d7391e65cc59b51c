// The program's window as the X11 window system knows it.
#pragma once

#include <X11/Xlib.h>

// The X connection of the window, or null when the window is not on X11. Looked up once:
// the window exists before anyone asks, and keeps its connection for the whole run.
Display* windowDisplay();

// The X window that shows the program's screens; only meaningful with a windowDisplay().
Window windowOnX11();
