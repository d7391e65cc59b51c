#include "screens/bitmap_header.h"

#include <algorithm>

namespace {

std::uint32_t readU16(const unsigned char* p)
{
    return static_cast<std::uint32_t>(p[0] | (p[1] << 8));
}

std::uint32_t readU32(const unsigned char* p)
{
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

std::int32_t readI32(const unsigned char* p)
{
    return static_cast<std::int32_t>(readU32(p));
}

}  // namespace

bool isWithinPictureBudget(const unsigned char* header, std::size_t length)
{
    // SDL reads the fields the way they are laid out here; where the file ends early it
    // gets the bytes that are there and zeros for the rest.
    unsigned char bytes[bitmapHeaderBytes] = {};
    std::copy_n(header, std::min(length, bitmapHeaderBytes), bytes);
    if (bytes[0] != 'B' || bytes[1] != 'M') {
        return true;  // SDL refuses it before anything else
    }
    constexpr std::uint32_t coreHeaderSize = 12;  // the old OS/2 layout
    constexpr std::uint32_t infoHeaderSize = 40;  // and every longer one
    const std::uint32_t infoSize = readU32(bytes + 14);
    std::int64_t width = 0;
    std::int64_t height = 0;
    if (infoSize == coreHeaderSize) {
        width = readU16(bytes + 18);
        height = readU16(bytes + 20);
    } else if (infoSize >= infoHeaderSize) {
        width = readI32(bytes + 18);
        height = readI32(bytes + 22);  // negative for pictures stored top down
    }
    if (width <= 0 || height == 0) {
        return true;  // SDL refuses the sides without allocating
    }
    height = height < 0 ? -height : height;
    constexpr std::int64_t budgetPixels = pictureBudgetBytes / 4;
    return width <= budgetPixels / height;
}
