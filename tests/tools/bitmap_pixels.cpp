// bitmap_pixels FILE: loads a picture the way the quiz does and writes what it got to
// standard output (size, depth, palette, then the pixel rows without padding), so that
// two files can be compared as the program sees them. Exits 1 when the load fails.
#include "screens/bitmap_loader.h"

#include <cstddef>
#include <iostream>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::cerr << "usage: bitmap_pixels FILE\n";
        return 2;
    }
    SDL_Surface* picture = loadBitmap(argv[1]);
    if (picture == nullptr) {
        std::cerr << SDL_GetError() << '\n';
        return 1;
    }
    const SDL_PixelFormat* format = picture->format;
    std::cout << picture->w << ' ' << picture->h << ' ' << int{format->BitsPerPixel} << '\n';
    if (format->palette != nullptr) {
        for (int k = 0; k < format->palette->ncolors; ++k) {
            const SDL_Color& colour = format->palette->colors[k];
            std::cout << int{colour.r} << ' ' << int{colour.g} << ' ' << int{colour.b} << '\n';
        }
    }
    const auto* pixels = static_cast<const char*>(picture->pixels);
    const std::size_t rowBytes = static_cast<std::size_t>(picture->w) * format->BytesPerPixel;
    for (std::size_t y = 0; y < static_cast<std::size_t>(picture->h); ++y) {
        std::cout.write(pixels + y * picture->pitch, static_cast<std::streamsize>(rowBytes));
    }
    SDL_FreeSurface(picture);
    return std::cout.good() ? 0 : 1;
}
