#include "shell/resources.h"

SDL_Surface* prompt = nullptr;
SDL_Surface* correctPicture = nullptr;
SDL_Surface* lastPicture = nullptr;
SDL_Surface* screen = nullptr;
TTF_Font* font = nullptr;
SDL_Surface* background = nullptr;
std::int32_t moleculeCount = 0;
SDL_Surface* incorrectPicture = nullptr;
const SDL_Color textColor = {0, 0, 0, 0};
std::ifstream moleculeList;
