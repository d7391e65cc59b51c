// Sends the process a signal just after SDL_Quit: the unit tests link SDL_Quit through a
// wrapper, so a test can reach the moment when SDL has given the signals back their
// default action.
#pragma once

// Every later SDL_Quit is followed by the signal signum, sent to the whole process.
void signalAfterSdlQuit(int signum);
