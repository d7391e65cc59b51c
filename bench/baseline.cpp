// The benchmark's yardstick: the least an SDL 1.2 program must do to show the quiz's
// window. It initialises SDL as the quiz does, opens the same 800 by 600 window,
// presents one frame and then sleeps until a key press or a close.
//
// With the argument --flips N it presents N frames one after another instead and
// exits, which gives the bare cost of one SDL_Flip on this platform. With --hold MS it
// takes no events for MS milliseconds after its frame, then takes every pending event
// and exits, which shows how many events the platform keeps for a busy program.
#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char** argv)
{
    int flips = 0;
    int hold = 0;
    if (argc == 3 && std::strcmp(argv[1], "--flips") == 0) {
        flips = std::atoi(argv[2]);
    } else if (argc == 3 && std::strcmp(argv[1], "--hold") == 0) {
        hold = std::atoi(argv[2]);
    }
    if (SDL_Init(0xFFFF) < 0) {
        std::printf("SDL_Init failed: %s\n", SDL_GetError());
        return 2;
    }
    SDL_WM_SetCaption("Molvane baseline", nullptr);
    SDL_Surface* screen = SDL_SetVideoMode(800, 600, 32, SDL_HWSURFACE | SDL_DOUBLEBUF);
    if (screen == nullptr) {
        std::printf("SDL_SetVideoMode failed: %s\n", SDL_GetError());
        SDL_Quit();
        return 2;
    }
    SDL_FillRect(screen, nullptr, SDL_MapRGB(screen->format, 240, 240, 240));
    SDL_Flip(screen);

    if (flips > 0) {
        for (int k = 1; k < flips; ++k) {
            const Uint8 grey = static_cast<Uint8>(k % 2 == 0 ? 240 : 200);
            SDL_FillRect(screen, nullptr, SDL_MapRGB(screen->format, grey, grey, grey));
            SDL_Flip(screen);
        }
        SDL_Quit();
        return 0;
    }

    SDL_Event event;
    if (hold > 0) {
        SDL_Delay(static_cast<Uint32>(hold));
        while (SDL_PollEvent(&event) != 0) {
        }
        SDL_Quit();
        return 0;
    }
    while (SDL_WaitEvent(&event) != 0) {
        if (event.type == SDL_QUIT || event.type == SDL_KEYDOWN) {
            break;
        }
    }
    SDL_Quit();
    return 0;
}
