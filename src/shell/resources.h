// The process-wide resources that every screen draws with.
#pragma once

#include <SDL.h>
#include <SDL_ttf.h>

#include <cstdint>
#include <fstream>

// All of them are empty until startUp fills them; only shutDown releases them,
// except prompt, which each answer entry renders anew.
extern SDL_Surface* prompt;
extern SDL_Surface* correctPicture;
extern SDL_Surface* lastPicture;
extern SDL_Surface* screen;
extern TTF_Font* font;
extern SDL_Surface* background;
extern std::int32_t moleculeCount;
extern SDL_Surface* incorrectPicture;
extern const SDL_Color textColor;
extern std::ifstream moleculeList;

// The window and its layout.
constexpr int screenWidth = 800;
constexpr int screenHeight = 600;
