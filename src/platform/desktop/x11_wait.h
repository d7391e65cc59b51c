// Waiting for the next event on the X11 window system without waking up meanwhile.
#pragma once

// Returns once an event is pending, having slept until the X connection or a quit signal
// had something to say. False at once, having waited for nothing, when the window is not
// on X11.
bool waitOnX11();
