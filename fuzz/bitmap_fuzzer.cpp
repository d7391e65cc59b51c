// Fuzz target for picture loading: the header guard isSafeBitmapHeader, and loadBitmap,
// which puts the guard in front of SDL's BMP loader.
//
// The bytes are written to a file and loaded the way the program loads every picture.
// A file the guard refuses must come back refused, unread by SDL, with the program's
// message; a file it accepts goes to SDL, which must neither read out of bounds nor
// allocate more than its pixels can fill (libFuzzer's -malloc_limit_mb catches a
// header that declares a huge picture and still got past the guard).
#include "fuzz_check.h"
#include "screens/bitmap_header.h"
#include "screens/bitmap_loader.h"

#include <SDL.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
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
    const bool safe =
        isSafeBitmapHeader(data, std::min(size, bitmapHeaderBytes), static_cast<std::int64_t>(size));

    writeScratch(data, size);
    SDL_Surface* picture = loadBitmap(scratchPath().c_str());
    if (!safe) {
        FUZZ_CHECK(picture == nullptr);
        FUZZ_CHECK(SDL_GetError() == scratchPath() + " is not a picture this program can show");
        return 0;
    }
    if (picture != nullptr) {
        FUZZ_CHECK(picture->w >= 1 && picture->w <= maxPictureSide);
        FUZZ_CHECK(picture->h >= 1 && picture->h <= maxPictureSide);
        // Even run-length coding of the narrowest rows cannot fill more than this.
        FUZZ_CHECK(std::int64_t{picture->pitch} * picture->h <= 512 * static_cast<std::int64_t>(size));
        // Every pixel row must be there to be read: AddressSanitizer checks the reads.
        const auto* pixels = static_cast<const std::uint8_t*>(picture->pixels);
        for (int y = 0; y < picture->h; ++y) {
            const std::uint8_t* row = pixels + static_cast<std::size_t>(y) * picture->pitch;
            pixelSum = pixelSum + row[0] + row[picture->pitch - 1];
        }
        SDL_FreeSurface(picture);
    }
    return 0;
}
