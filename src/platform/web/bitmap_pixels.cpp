#include "platform/web/bitmap_pixels.h"

#include <algorithm>
#include <climits>
#include <vector>

namespace {

constexpr std::size_t fileHeaderSize = 14;
constexpr std::uint32_t infoHeaderSize = 40;
constexpr std::uint32_t plainPixels = 0;  // BI_RGB
constexpr std::uint32_t runLength8 = 1;   // BI_RLE8
constexpr std::uint32_t opaque = 0xFF000000U;

std::uint32_t readU16(const unsigned char* p)
{
    return static_cast<std::uint32_t>(p[0] | (p[1] << 8));
}

std::uint32_t readU32(const unsigned char* p)
{
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

std::uint32_t rgb(std::uint32_t red, std::uint32_t green, std::uint32_t blue)
{
    return red | (green << 8) | (blue << 16) | opaque;
}

// What the headers of a file say, once they have been found sound.
struct Layout {
    std::int32_t width = 0;
    std::int32_t height = 0;
    bool topDown = false;
    std::uint32_t bitsPerPixel = 0;
    std::uint32_t compression = 0;
    std::size_t pixelOffset = 0;
    std::vector<std::uint32_t> palette;
};

// The layout of file, or false when it is not a file this decoder takes.
bool readLayout(const unsigned char* file, std::size_t length, Layout& layout)
{
    if (length < fileHeaderSize + infoHeaderSize || file[0] != 'B' || file[1] != 'M' ||
        readU32(file + 14) != infoHeaderSize || readU16(file + 26) != 1) {
        return false;
    }
    const auto width = static_cast<std::int32_t>(readU32(file + 18));
    const auto height = static_cast<std::int32_t>(readU32(file + 22));
    layout.bitsPerPixel = readU16(file + 28);
    layout.compression = readU32(file + 30);
    layout.pixelOffset = readU32(file + 10);
    const bool palettised = layout.bitsPerPixel == 8;
    const bool known =
        (palettised && (layout.compression == plainPixels || layout.compression == runLength8)) ||
        (layout.bitsPerPixel == 24 && layout.compression == plainPixels);
    if (!known || width <= 0 || height == 0 || height == INT32_MIN || layout.pixelOffset > length) {
        return false;
    }
    layout.width = width;
    layout.topDown = height < 0;
    layout.height = layout.topDown ? -height : height;
    if (layout.topDown && layout.compression == runLength8) {
        return false;  // run-length pictures are stored bottom up only
    }
    if (palettised) {
        std::uint32_t colours = readU32(file + 46);
        colours = colours == 0 ? 256 : colours;
        const std::size_t start = fileHeaderSize + infoHeaderSize;
        if (colours > 256 || start + 4 * std::size_t{colours} > layout.pixelOffset) {
            return false;
        }
        for (std::uint32_t k = 0; k < colours; ++k) {
            const unsigned char* entry = file + start + std::size_t{4} * k;  // blue, green, red, unused
            layout.palette.push_back(rgb(entry[2], entry[1], entry[0]));
        }
    }
    return true;
}

// Plain rows, each padded to four bytes, bottom up unless the file says otherwise. With
// rgba null, only checks them.
bool decodePlain(const unsigned char* file, std::size_t length, const Layout& layout, std::uint32_t* rgba)
{
    const std::size_t bytesPerPixel = layout.bitsPerPixel / 8;
    const std::size_t rowBytes = (std::size_t(layout.width) * bytesPerPixel + 3) / 4 * 4;
    const auto width = static_cast<std::size_t>(layout.width);
    const auto height = static_cast<std::size_t>(layout.height);
    if ((length - layout.pixelOffset) / rowBytes < height) {
        return false;
    }
    for (std::size_t row = 0; row < height; ++row) {
        const unsigned char* source = file + layout.pixelOffset + row * rowBytes;
        const std::size_t y = layout.topDown ? row : height - 1 - row;
        for (std::size_t x = 0; x < width; ++x) {
            if (bytesPerPixel == 1 && source[x] >= layout.palette.size()) {
                return false;
            }
            if (rgba == nullptr) {
                continue;
            }
            const unsigned char* pixel = source + 3 * x;  // blue, green, red
            rgba[y * width + x] =
                bytesPerPixel == 1 ? layout.palette[source[x]] : rgb(pixel[2], pixel[1], pixel[0]);
        }
    }
    return true;
}

// Run-length codes, rows bottom up, that stay inside the picture and end with the
// end-of-picture code. Pixels the codes skip keep colour 0, as in SDL's loader. With rgba
// null, only checks them.
bool decodeRunLength(const unsigned char* file, std::size_t length, const Layout& layout, std::uint32_t* rgba)
{
    const auto width = static_cast<std::size_t>(layout.width);
    const auto height = static_cast<std::size_t>(layout.height);
    const std::uint32_t* palette = layout.palette.data();
    const std::size_t colours = layout.palette.size();
    if (rgba != nullptr) {
        std::fill(rgba, rgba + width * height, palette[0]);
    }
    std::size_t at = layout.pixelOffset;
    std::size_t x = 0;
    std::size_t row = 0;  // from the bottom
    // Sets the next `count` pixels of the row from `next`, false where that leaves the row.
    auto put = [&](std::size_t count, auto next) {
        if (row >= height || count > width - x) {
            return false;
        }
        const std::size_t start = (height - 1 - row) * width + x;
        for (std::size_t k = 0; k < count; ++k) {
            const unsigned char index = next(k);
            if (index >= colours) {
                return false;
            }
            if (rgba != nullptr) {
                rgba[start + k] = palette[index];
            }
        }
        x += count;
        return true;
    };
    while (length - at >= 2) {
        const unsigned char count = file[at];
        const unsigned char value = file[at + 1];
        at += 2;
        if (count != 0) {
            if (!put(count, [value](std::size_t) { return value; })) {
                return false;
            }
        } else if (value == 0) {  // end of the row
            x = 0;
            ++row;
        } else if (value == 1) {  // end of the picture
            return true;
        } else if (value == 2) {  // move right and up
            if (length - at < 2 || file[at] > width - x || file[at + 1] > height - row) {
                return false;
            }
            x += file[at];
            row += file[at + 1];
            at += 2;
        } else {  // `value` pixels as they are, padded to an even length
            const std::size_t padded = (std::size_t{value} + 1) / 2 * 2;
            if (length - at < padded || !put(value, [&](std::size_t k) { return file[at + k]; })) {
                return false;
            }
            at += padded;
        }
    }
    return false;
}

bool decodePixels(const unsigned char* file, std::size_t length, const Layout& layout, std::uint32_t* rgba)
{
    return layout.compression == runLength8 ? decodeRunLength(file, length, layout, rgba)
                                            : decodePlain(file, length, layout, rgba);
}

}  // namespace

bool commonBitmapSides(const unsigned char* file, std::size_t length, std::int32_t& width,
                       std::int32_t& height)
{
    Layout layout;
    if (!readLayout(file, length, layout) || !decodePixels(file, length, layout, nullptr)) {
        return false;
    }
    width = layout.width;
    height = layout.height;
    return true;
}

bool decodeCommonBitmap(const unsigned char* file, std::size_t length, std::uint32_t* rgba)
{
    Layout layout;
    return readLayout(file, length, layout) && decodePixels(file, length, layout, rgba);
}
