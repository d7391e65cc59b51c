// Telling the X11 window system to keep the pointer's motions to itself.
#pragma once

// Stops the X server sending the window's connection a message for every motion of the
// pointer over the window. Does nothing when the window is not on X11.
void stopPointerMotionOnX11();
