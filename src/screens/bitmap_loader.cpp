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
    const int fileSize = SDL_RWseek(source, 0, RW_SEEK_END);
    if (length < 0 || fileSize < 0 || SDL_RWseek(source, 0, RW_SEEK_SET) != 0 ||
        !isSafeBitmapHeader(header, static_cast<std::size_t>(length), fileSize)) {
        SDL_RWclose(source);
        SDL_SetError("%s is not a picture this program can show", path);
        return nullptr;
    }
    return SDL_LoadBMP_RW(source, 1);
}
