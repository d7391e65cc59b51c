// Start-up and shut-down of the whole program.
#pragma once

// Brings up SDL, the window, the font, the fixed pictures and the molecule list,
// logging each step; false after printing why a step failed.
bool startUp();

// Releases what the program holds, quits the libraries and ends the process with status 1.
[[noreturn]] void shutDown();
