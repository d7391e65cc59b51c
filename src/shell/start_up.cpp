#include "shell/start_up.h"

#include "platform/platform.h"
#include "screens/bitmap_loader.h"
#include "shell/resources.h"

#include <iostream>

namespace {

// Prints a failed step's message followed directly by SDL's own account of it.
bool fail(const char* message)
{
    std::cout << message << SDL_GetError();
    return false;
}

}  // namespace

bool startUp()
{
    std::cout << "Initializing SDL\n";
    prepareVideo();
    if (SDL_Init(0xFFFF) < 0) {
        return fail("Unable to initialize SDL Graphics, please try again later.  Sorry.\n");
    }

    std::cout << "Setting Graphics mode to 800 X 600\n";
    SDL_WM_SetCaption("Molvane", nullptr);
    screen = SDL_SetVideoMode(screenWidth, screenHeight, 32, SDL_HWSURFACE | SDL_DOUBLEBUF);
    if (screen == nullptr) {
        return fail("Unable to initialize 800 x 600 Graphics, please try again later.  Sorry.\n");
    }
    ignorePointer();

    std::cout << "Initializing Fonts.\n";
    if (TTF_Init() == -1) {
        return fail("Unable to initialize fonts, please try again later.  Sorry.\n");
    }

    std::cout << "Loading Fonts.\n";
    font = TTF_OpenFont("./data/nsecthck.ttf", 28);
    if (font == nullptr) {
        return fail("Unable to load fonts, please try again later.  Sorry.\n");
    }

    std::cout << "Loading pictures\n";
    background = loadBitmap("./data/background.bmp");
    if (background == nullptr) {
        return fail("Unable to load backgroung, please try again later. Sorry.\n");
    }
    correctPicture = loadBitmap("./data/correct.bmp");
    if (correctPicture == nullptr) {
        return fail("Unable to load picture, please try again later. Sorry.\n");
    }
    incorrectPicture = loadBitmap("./data/incorrect.bmp");
    if (incorrectPicture == nullptr) {
        return fail("Unable to load picture, please try again later.  Sorry.\n");
    }
    lastPicture = loadBitmap("./data/last.bmp");
    if (lastPicture == nullptr) {
        // The closing screen can do without its picture, so this only warns.
        fail("uanable to load picture, please try again later.  Sorry.\n");
    }

    std::cout << "Openning molecule list.\n";
    moleculeList.open("./data/Molecule List.txt");
    if (!moleculeList.is_open()) {
        return fail("Unable to open molecule list, please try again later.  Sorry.\n");
    }
    return true;
}
