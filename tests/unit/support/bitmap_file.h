// BMP files made up in memory, for the tests of the picture loaders.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>

// Appends the `size` low bytes of value, least significant first.
void put(std::string& out, std::uint32_t value, int size);

// A BMP file: the file header, an info header of infoSize bytes, the tables that follow
// it (palette or colour masks) and the pixel data.
struct Bitmap {
    std::int32_t width = 4;
    std::int32_t height = 3;
    std::uint16_t bitsPerPixel = 24;
    std::uint32_t compression = 0;
    std::uint32_t infoSize = 40;
    std::string tables = {};
    std::string pixels = {};
    std::int64_t pixelOffset = -1;  // -1: right after the tables
    std::uint32_t coloursUsed = 0;  // 0: as many as the depth allows

    [[nodiscard]] std::string bytes() const;
};

// Grey levels, four bytes each.
std::string palette(int colours);

// `height` rows of `rowBytes` bytes each, padded to four bytes, with bytes below `below`.
std::string rows(int rowBytes, int height, int below = 256);

// Colour masks, four bytes each.
std::string masks(std::initializer_list<std::uint32_t> values);
