#include "screens/bitmap_loader.h"

#include "platform/web/bitmap_pixels.h"
#include "screens/bitmap_header.h"

#include <cstdio>
#include <emscripten.h>
#include <memory>
#include <vector>

// Has the page decode the picture file at path into the surface, and draw it into the
// canvas that SDL draws the surface from, when the surface is first drawn
// (module/pictures.js, with molvaneDecodeBitmap).
EM_JS(void, drawPictureWhenUsed, (SDL_Surface * surface, const char* path),
      { Module['molvaneDrawPictureWhenUsed'](surface, UTF8ToString(path)); });

// Decodes the picture file at path with the browser's image decoder and leaves it where
// SDL_LoadBMP_RW looks for it. 1 when it is ready, 0 when the browser cannot decode it.
EM_ASYNC_JS(int, decodePicture, (const char* path),
            { return await Module['molvaneDecodePicture'](UTF8ToString(path)); });

// Lets go of the decoded picture once SDL has drawn it into a surface of its own.
EM_JS(void, forgetPicture, (const char* path), { Module['molvaneForgetPicture'](UTF8ToString(path)); });

namespace {

// Closes a file that was only read from, so closing it cannot lose anything.
struct FileClose {
    void operator()(std::FILE* file) const { static_cast<void>(std::fclose(file)); }
};

// Reads the file at path into bytes through stdio, as the emulated SDL_RWops cannot be
// read from C++. False when the file cannot be opened.
bool readWholeFile(const char* path, std::vector<unsigned char>& bytes)
{
    const std::unique_ptr<std::FILE, FileClose> file(std::fopen(path, "rb"));
    if (file == nullptr) {
        return false;
    }
    unsigned char chunk[BUFSIZ];
    for (std::size_t got = 0; (got = std::fread(chunk, 1, sizeof chunk, file.get())) > 0;) {
        bytes.insert(bytes.end(), chunk, chunk + got);
    }
    return true;
}

}  // namespace

// Decodes the file of `length` bytes at file, which loadBitmap has found sound, into the
// pixels at rgba. 1 when done, 0 when the file has changed into another since.
extern "C" EMSCRIPTEN_KEEPALIVE int molvaneDecodeBitmap(const unsigned char* file, std::size_t length,
                                                        std::uint32_t* rgba)
{
    return decodeCommonBitmap(file, length, rgba) ? 1 : 0;
}

SDL_Surface* loadBitmap(const char* path)
{
    std::vector<unsigned char> bytes;
    if (!readWholeFile(path, bytes)) {
        return nullptr;
    }
    if (!isWithinPictureBudget(bytes.data(), bytes.size())) {
        SDL_SetError("%s is not a picture this program can show", path);
        return nullptr;
    }
    // The common kinds are decoded by the program, and only when first drawn: the
    // browser's decoder takes its time, SDL's loader copies every picture twice more,
    // and most pictures wait long before they are first shown.
    std::int32_t width = 0;
    std::int32_t height = 0;
    if (commonBitmapSides(bytes.data(), bytes.size(), width, height)) {
        SDL_Surface* picture = SDL_CreateRGBSurface(SDL_SWSURFACE, width, height, 32, 0x000000FF, 0x0000FF00,
                                                    0x00FF0000, 0xFF000000);
        if (picture != nullptr) {
            drawPictureWhenUsed(picture, path);
        }
        return picture;
    }
    if (decodePicture(path) == 0) {
        return nullptr;
    }
    SDL_Surface* picture = SDL_LoadBMP_RW(SDL_RWFromFile(path, "rb"), 1);
    forgetPicture(path);
    return picture;
}
