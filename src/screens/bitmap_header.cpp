#include "screens/bitmap_header.h"

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

// The compressions SDL can decode.
enum Compression : std::uint32_t { plain = 0, rle8 = 1, rle4 = 2, bitFields = 3 };

}  // namespace

bool isSafeBitmapHeader(const unsigned char* header, std::size_t length, std::int64_t fileSize)
{
    constexpr std::size_t fileHeaderSize = 14;
    constexpr std::size_t coreHeaderSize = 12;  // the old OS/2 layout
    constexpr std::size_t infoHeaderSize = 40;
    if (length < fileHeaderSize + 4 || header[0] != 'B' || header[1] != 'M') {
        return false;
    }
    const std::int64_t pixelOffset = readU32(header + 10);
    const std::uint32_t infoSize = readU32(header + 14);
    const unsigned char* info = header + fileHeaderSize;

    std::int64_t width = 0;
    std::int64_t height = 0;
    std::uint32_t bitsPerPixel = 0;
    std::uint32_t compression = plain;
    if (infoSize == coreHeaderSize) {
        if (length < fileHeaderSize + coreHeaderSize) {
            return false;
        }
        width = readU16(info + 4);
        height = readU16(info + 6);
        bitsPerPixel = readU16(info + 10);
    } else if (infoSize >= infoHeaderSize && infoSize <= 1024) {
        if (length < fileHeaderSize + infoHeaderSize) {
            return false;
        }
        width = readI32(info + 4);
        height = readI32(info + 8);  // negative for pictures stored top down
        bitsPerPixel = readU16(info + 14);
        compression = readU32(info + 16);
    } else {
        return false;
    }
    if (height < 0) {
        height = -height;
    }
    if (width < 1 || width > maxPictureSide || height < 1 || height > maxPictureSide) {
        return false;
    }
    switch (bitsPerPixel) {
    case 1:
    case 4:
    case 8:
    case 16:
    case 24:
    case 32: break;
    default: return false;
    }

    const std::int64_t dataSize = fileSize - pixelOffset;
    if (pixelOffset < static_cast<std::int64_t>(fileHeaderSize + infoSize) || dataSize <= 0) {
        return false;
    }
    const std::int64_t rowBytes = (width * bitsPerPixel + 31) / 32 * 4;
    switch (compression) {
    case plain: return rowBytes * height <= dataSize;
    case bitFields: return (bitsPerPixel == 16 || bitsPerPixel == 32) && rowBytes * height <= dataSize;
    case rle8:
    case rle4:
        // A run of up to 255 pixels takes two bytes, so no honest file expands further.
        // SDL allocates at the depth the header claims, which must be the coding's own.
        return bitsPerPixel == (compression == rle8 ? 8U : 4U) && width * height <= dataSize * 128;
    default: return false;
    }
}
