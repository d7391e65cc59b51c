#include "shell/resources.h"
#include "shell/start_up.h"

#include <cstdlib>
#include <iostream>

// Every step copes with a resource that start-up never got to create.
void shutDown()
{
    std::cout << "Freeing surfaces.\n";
    if (background != nullptr) {
        SDL_FreeSurface(background);
        background = nullptr;
    }
    if (prompt != nullptr) {
        SDL_FreeSurface(prompt);
        prompt = nullptr;
    }

    std::cout << "Closing Molecule list.\n";
    if (moleculeList.is_open()) {
        moleculeList.close();
    }

    std::cout << "Closing Fonts.\n";
    if (font != nullptr) {
        TTF_CloseFont(font);
        font = nullptr;
    }

    std::cout << "Quitting SDL_TTF.\n";
    TTF_Quit();

    std::cout << "Quitting SDL.\n";
    SDL_Quit();

    // The other pictures and the molecules go with the process.
    std::cout << "Goodbye!";
    std::exit(1);
}
