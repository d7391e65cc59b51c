// Fuzz target for picture loading: the budget check isWithinPictureBudget, and loadBitmap,
// which puts it in front of SDL's BMP loader.
//
// The bytes are written to a file and loaded the way the program loads every picture.
// A file over the budget must come back refused, unread by SDL, with the program's
// message. Any other file must come back exactly as SDL's own loader gives it: the same
// picture, or the same failure in SDL's words. Its picture must fit the budget and every
// row of it must be there to read (libFuzzer's -malloc_limit_mb catches a header that
// got past the check and still made SDL allocate more).
#include "fuzz_check.h"
#include "screens/bitmap_header.h"
#include "screens/bitmap_loader.h"

#include <SDL.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

namespace {

// Where the pixels read are summed, so that the reads are not optimised away.
volatile unsigned pixelSum = 0;

// One scratch file per process, removed when the process ends.
const std::string& scratchPath()
{
    static const std::string path = [] {
        const char* folder = std::getenv("TMPDIR");
        std::string pattern =
            std::string(folder != nullptr && *folder != '\0' ? folder : "/tmp") + "/molvane-fuzz-XXXXXX.bmp";
        const int fd = mkstemps(pattern.data(), 4);
        FUZZ_CHECK(fd >= 0);
        close(fd);
        return pattern;
    }();
    return path;
}

void removeScratch()
{
    std::remove(scratchPath().c_str());
}

void writeScratch(const std::uint8_t* data, std::size_t size)
{
    std::FILE* file = std::fopen(scratchPath().c_str(), "wb");
    FUZZ_CHECK(file != nullptr);
    FUZZ_CHECK(std::fwrite(data, 1, size, file) == size);
    FUZZ_CHECK(std::fclose(file) == 0);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    scratchPath();
    std::atexit(removeScratch);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const bool withinBudget = isWithinPictureBudget(data, size);

    writeScratch(data, size);
    const std::string& path = scratchPath();
    SDL_Surface* picture = loadBitmap(path.c_str());
    if (!withinBudget) {
        FUZZ_CHECK(picture == nullptr);
        FUZZ_CHECK(SDL_GetError() == path + " is not a picture this program can show");
        return 0;
    }
    const std::string error = picture == nullptr ? SDL_GetError() : "";
    SDL_Surface* plain = SDL_LoadBMP_RW(SDL_RWFromFile(path.c_str(), "rb"), 1);
    if (picture == nullptr) {
        FUZZ_CHECK(plain == nullptr);
        FUZZ_CHECK(error == SDL_GetError());
        return 0;
    }
    FUZZ_CHECK(plain != nullptr);
    FUZZ_CHECK(picture->w == plain->w && picture->h == plain->h && picture->pitch == plain->pitch);
    FUZZ_CHECK(picture->format->BitsPerPixel == plain->format->BitsPerPixel);
    const auto bytes = static_cast<std::size_t>(picture->pitch) * static_cast<std::size_t>(picture->h);
    FUZZ_CHECK(std::memcmp(picture->pixels, plain->pixels, bytes) == 0);
    SDL_FreeSurface(plain);

    FUZZ_CHECK(static_cast<std::int64_t>(bytes) <= pictureBudgetBytes);
    // Every pixel row must be there to be read: AddressSanitizer checks the reads.
    const auto* pixels = static_cast<const std::uint8_t*>(picture->pixels);
    for (int y = 0; y < picture->h; ++y) {
        const std::uint8_t* row = pixels + static_cast<std::size_t>(y) * picture->pitch;
        pixelSum = pixelSum + row[0] + row[picture->pitch - 1];
    }
    SDL_FreeSurface(picture);
    return 0;
}
