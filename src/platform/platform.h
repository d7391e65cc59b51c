// What differs between the desktop and the browser. Each build links one implementation:
// desktop/ for the native program, web/ for the browser (see src/CMakeLists.txt). The
// picture loading, loadBitmap in screens/bitmap_loader.h, is also chosen per platform.
#pragma once

// Makes the choices that must come before SDL_Init, such as how SDL draws the window.
void prepareVideo();

// Sleeps until at least one event is pending, so that a screen with nothing to do
// leaves the processor alone. Returns at once when one is already pending.
void waitForEvent();
