#include "support/bitmap_file.h"

void put(std::string& out, std::uint32_t value, int size)
{
    for (int i = 0; i < size; ++i) {
        out += static_cast<char>((value >> (8 * i)) & 0xFF);
    }
}

std::string Bitmap::bytes() const
{
    std::string info;
    put(info, infoSize, 4);
    if (infoSize == 12) {
        put(info, static_cast<std::uint32_t>(width), 2);
        put(info, static_cast<std::uint32_t>(height), 2);
        put(info, 1, 2);
        put(info, bitsPerPixel, 2);
    } else {
        put(info, static_cast<std::uint32_t>(width), 4);
        put(info, static_cast<std::uint32_t>(height), 4);
        put(info, 1, 2);
        put(info, bitsPerPixel, 2);
        put(info, compression, 4);
        info.append(12, '\0');  // image size and resolution
        put(info, coloursUsed, 4);
        info.resize(infoSize, '\0');
    }
    std::string out = "BM";
    put(out, static_cast<std::uint32_t>(14 + info.size() + tables.size() + pixels.size()), 4);
    put(out, 0, 4);
    put(out, static_cast<std::uint32_t>(pixelOffset >= 0 ? pixelOffset : 14 + info.size() + tables.size()),
        4);
    return out + info + tables + pixels;
}

std::string palette(int colours)
{
    std::string out;
    for (int k = 0; k < colours; ++k) {
        const auto grey = static_cast<char>(k * 255 / (colours - 1));
        out += std::string(3, grey) + '\0';
    }
    return out;
}

std::string rows(int rowBytes, int height, int below)
{
    std::string out;
    const int padded = (rowBytes + 3) / 4 * 4;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < padded; ++x) {
            out += static_cast<char>((y * 31 + x * 7) % below);
        }
    }
    return out;
}

std::string masks(std::initializer_list<std::uint32_t> values)
{
    std::string out;
    for (std::uint32_t value : values) {
        put(out, value, 4);
    }
    return out;
}
