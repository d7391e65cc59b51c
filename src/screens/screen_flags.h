// What a screen has seen of the player so far.
#pragma once

struct ScreenFlags {
    bool done = false;  // the screen has what it waited for
    bool quit = false;  // the player asked to leave the program
};
