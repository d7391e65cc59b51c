#include "shell/resources.h"
#include "shell/start_up.h"

#include <csignal>
#include <cstdlib>
#include <iostream>

// Every step copes with a resource that start-up never got to create.
void shutDown()
{
    // The run ends here, with its whole log and status 1, whatever arrives meanwhile.
    // SDL turns SIGINT and SIGTERM into a request to quit until SDL_Quit gives them back
    // their default action, which would end the process at once; ignoring them instead
    // holds for every thread, and SDL_Quit leaves a handler that is not its own alone.
    static_cast<void>(std::signal(SIGINT, SIG_IGN));
    static_cast<void>(std::signal(SIGTERM, SIG_IGN));

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
