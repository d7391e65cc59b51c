#include "screens/bitmap_loader.h"

#include "screens/bitmap_header.h"

SDL_Surface* loadBitmap(const char* path)
{
    SDL_RWops* source = SDL_RWFromFile(path, "rb");
    if (source == nullptr) {
        return nullptr;
    }
    unsigned char header[bitmapHeaderBytes] = {};
    const int length = SDL_RWread(source, header, 1, sizeof header);
    if (SDL_RWseek(source, 0, RW_SEEK_SET) != 0) {
        SDL_RWclose(source);  // SDL's loader could not have read it either
        return nullptr;
    }
    if (!isWithinPictureBudget(header, length > 0 ? static_cast<std::size_t>(length) : 0)) {
        SDL_RWclose(source);
        SDL_SetError("%s is not a picture this program can show", path);
        return nullptr;
    }
    // From the first byte, as if nothing had been read.
    return SDL_LoadBMP_RW(source, 1);
}
