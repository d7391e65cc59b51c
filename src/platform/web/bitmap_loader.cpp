#include "screens/bitmap_loader.h"

#include "screens/bitmap_header.h"

#include <cstdio>
#include <emscripten.h>
#include <memory>

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

// Reads up to `capacity` leading bytes of the file at path into header. The emulated
// SDL_RWops cannot be read from C++, so this goes through stdio.
bool readHeader(const char* path, unsigned char* header, std::size_t capacity, std::size_t& length)
{
    const std::unique_ptr<std::FILE, FileClose> file(std::fopen(path, "rb"));
    if (file == nullptr) {
        return false;
    }
    length = std::fread(header, 1, capacity, file.get());
    return true;
}

}  // namespace

SDL_Surface* loadBitmap(const char* path)
{
    unsigned char header[bitmapHeaderBytes] = {};
    std::size_t length = 0;
    if (!readHeader(path, header, sizeof header, length)) {
        return nullptr;
    }
    if (!isWithinPictureBudget(header, length)) {
        SDL_SetError("%s is not a picture this program can show", path);
        return nullptr;
    }
    if (decodePicture(path) == 0) {
        return nullptr;
    }
    SDL_Surface* picture = SDL_LoadBMP_RW(SDL_RWFromFile(path, "rb"), 1);
    forgetPicture(path);
    return picture;
}
