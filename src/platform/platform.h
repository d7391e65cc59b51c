// What differs between the desktop and the browser. Each build links one implementation:
// desktop/ for the native program, web/ for the browser (see src/CMakeLists.txt). The
// picture loading, loadBitmap in screens/bitmap_loader.h, is also chosen per platform.
#pragma once

// Makes the choices that must come before SDL_Init, such as how SDL draws the window.
void prepareVideo();

// Keeps the pointer's motions and button presses, which no screen reads, out of the
// screens' event queue, and where the window system allows, stops them being sent at all.
// Called once, when the window is open.
void ignorePointer();

// Tells the platform that the player finished the quiz: the right answer to the last
// molecule was given and the closing screen came up. Quitting is never finishing.
void reportQuizFinished();

// Sleeps until at least one event is pending, so that a screen with nothing to do
// leaves the processor alone. Returns at once when one is already pending.
void waitForEvent();
