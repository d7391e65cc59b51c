#include "platform/web/bitmap_pixels.h"
#include "support/bitmap_file.h"
#include "support/quiz_folder.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

// Colours whose red, green and blue all differ, four bytes each (blue first).
std::string colourPalette(int colours)
{
    std::string out;
    for (int k = 0; k < colours; ++k) {
        out +=
            {static_cast<char>(k * 7), static_cast<char>(k * 13 + 1), static_cast<char>(255 - k * 3), '\0'};
    }
    return out;
}

std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

const unsigned char* bytesOf(const std::string& file)
{
    return reinterpret_cast<const unsigned char*>(file.data());
}

// The decoder's pixels of file, or none where it leaves the file to the browser.
std::vector<std::uint32_t> decode(const std::string& file, std::int32_t& width, std::int32_t& height)
{
    if (!commonBitmapSides(bytesOf(file), file.size(), width, height)) {
        return {};
    }
    std::vector<std::uint32_t> rgba(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    if (!decodeCommonBitmap(bytesOf(file), file.size(), rgba.data())) {
        return {};
    }
    return rgba;
}

// Compares the decoder's pixels with SDL's own loading of the same file.
void expectAsSdlLoadsIt(const std::string& file)
{
    std::int32_t width = 0;
    std::int32_t height = 0;
    const std::vector<std::uint32_t> decoded = decode(file, width, height);
    ASSERT_FALSE(decoded.empty()) << "left to the browser";
    SDL_Surface* loaded = SDL_LoadBMP_RW(SDL_RWFromConstMem(file.data(), static_cast<int>(file.size())), 1);
    ASSERT_NE(loaded, nullptr) << SDL_GetError();
    SDL_PixelFormat rgbx = {};
    rgbx.BitsPerPixel = 32;
    rgbx.BytesPerPixel = 4;
    rgbx.Rmask = 0x000000FF;
    rgbx.Gmask = 0x0000FF00;
    rgbx.Bmask = 0x00FF0000;
    rgbx.Gshift = 8;
    rgbx.Bshift = 16;
    SDL_Surface* sdl = SDL_ConvertSurface(loaded, &rgbx, SDL_SWSURFACE);
    SDL_FreeSurface(loaded);
    ASSERT_NE(sdl, nullptr) << SDL_GetError();
    ASSERT_EQ(width, sdl->w);
    ASSERT_EQ(height, sdl->h);
    int differing = 0;
    for (int y = 0; y < height; ++y) {
        const auto* row =
            reinterpret_cast<const std::uint32_t*>(static_cast<const char*>(sdl->pixels) + y * sdl->pitch);
        for (int x = 0; x < width; ++x) {
            const std::uint32_t mine = decoded[static_cast<std::size_t>(y * width + x)];
            if ((mine & 0xFFFFFFU) != (row[x] & 0xFFFFFFU) || (mine >> 24) != 0xFF) {
                ++differing;
            }
        }
    }
    SDL_FreeSurface(sdl);
    EXPECT_EQ(differing, 0);
}

}  // namespace

TEST(CommonBitmap, DecodesAsSdlLoadsIt)
{
    // Every picture the program ships, as the quiz builder wrote it.
    for (const char* name :
         {"background", "correct", "incorrect", "last", "Homescreen", "butane", "nonane"}) {
        SCOPED_TRACE(name);
        expectAsSdlLoadsIt(readFile(std::string(BUNDLED_DATA "/") + name + ".bmp"));
    }
    // Run-length codes of every kind: runs, an odd absolute run and its padding, an empty
    // row, a move, a short row and the end, where skipped pixels keep colour 0.
    const std::string codes("\x03\x01\x00\x03\x04\x05\x06\x00\x02\x01\x00\x00"  // row 0
                            "\x00\x00"                                          // row 1
                            "\x00\x02\x02\x01\x05\x07"                          // up to row 3
                            "\x00\x00\x08\x09\x00\x01",                         // row 4, the end
                            26);
    const std::pair<const char*, Bitmap> pictures[] = {
        {"run-length", Bitmap{8, 5, 8, 1, 40, colourPalette(10), codes, -1, 10}},
        {"run-length, the whole palette", Bitmap{8, 5, 8, 1, 40, colourPalette(256), codes}},
        {"8 bits, rows padded", Bitmap{5, 3, 8, 0, 40, colourPalette(40), rows(5, 3, 40), -1, 40}},
        {"24 bits, bottom up", Bitmap{3, 2, 24, 0, 40, "", rows(9, 2)}},
        {"24 bits, top down", Bitmap{3, -2, 24, 0, 40, "", rows(9, 2)}},
    };
    for (const auto& [what, bitmap] : pictures) {
        SCOPED_TRACE(what);
        expectAsSdlLoadsIt(bitmap.bytes());
    }
}

TEST(CommonBitmap, LeavesEveryOtherFileToTheBrowser)
{
    const std::string plain = Bitmap{5, 3, 8, 0, 40, colourPalette(4), rows(5, 3, 4), -1, 4}.bytes();
    const std::string colours = colourPalette(4);
    auto runLength = [&colours](const std::string& codes) {
        return Bitmap{4, 2, 8, 1, 40, colours, codes, -1, 4}.bytes();
    };
    std::string notBm = plain;
    notBm[1] = 'A';
    const std::pair<const char*, std::string> others[] = {
        {"4 bits", Bitmap{5, 3, 4, 0, 40, colourPalette(16), rows(3, 3)}.bytes()},
        {"32 bits", Bitmap{3, 2, 32, 0, 40, "", rows(12, 2)}.bytes()},
        {"colour masks", Bitmap{3, 2, 32, 3, 40, masks({0xFF0000, 0xFF00, 0xFF}), rows(12, 2)}.bytes()},
        {"OS/2 header", Bitmap{3, 2, 24, 0, 12, "", rows(9, 2)}.bytes()},
        {"longer header", Bitmap{3, 2, 24, 0, 124, "", rows(9, 2)}.bytes()},
        {"not BM", notBm},
        {"pixels cut short", plain.substr(0, plain.size() - 1)},
        {"a colour past the palette", Bitmap{5, 3, 8, 0, 40, colours, rows(5, 3, 5), -1, 4}.bytes()},
        {"more colours than 8 bits hold",
         Bitmap{5, 3, 8, 0, 40, colourPalette(257), rows(5, 3), -1, 257}.bytes()},
        {"run-length top down", Bitmap{4, -2, 8, 1, 40, colours, std::string("\x00\x01", 2), -1, 4}.bytes()},
        {"a run past the row", runLength(std::string("\x05\x01\x00\x01", 4))},
        {"an absolute run past the row",
         runLength(std::string("\x00\x05\x01\x01\x01\x01\x01\x00\x00\x01", 10))},
        {"a row past the top", runLength(std::string("\x00\x00\x00\x00\x01\x01\x00\x01", 8))},
        {"a move past the top", runLength(std::string("\x00\x02\x00\x03\x00\x01", 6))},
        {"a run colour past the palette", runLength(std::string("\x02\x04\x00\x01", 4))},
        {"no end", runLength(std::string("\x02\x01\x00\x00", 4))},
        {"an absolute run cut short", runLength(std::string("\x00\x03\x01\x01", 4))},
    };
    for (const auto& [what, file] : others) {
        SCOPED_TRACE(what);
        std::int32_t width = 0;
        std::int32_t height = 0;
        EXPECT_TRUE(decode(file, width, height).empty());
    }
}
