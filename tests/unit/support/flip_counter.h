// Counts the frames the program presents: the unit tests link SDL_Flip through a wrapper.
#pragma once

// How many times SDL_Flip was called since the last reset.
int flipsSinceReset();

void resetFlips();
