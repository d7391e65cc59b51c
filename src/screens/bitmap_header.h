// A check of a BMP file's header, made before SDL is allowed to allocate for it.
#pragma once

#include <cstddef>
#include <cstdint>

// The largest width or height of a picture the program will load.
constexpr std::int64_t maxPictureSide = 8192;

// How many leading bytes of a file isSafeBitmapHeader wants to see.
constexpr std::size_t bitmapHeaderBytes = 54;

// True when the header (the file's first `length` bytes, of a file of `fileSize` bytes)
// is well formed, no side exceeds maxPictureSide, and the pixel data it declares fits
// in the file. SDL's loader allocates the whole picture before reading a pixel, so
// a tiny file claiming a huge picture must be stopped here.
bool isSafeBitmapHeader(const unsigned char* header, std::size_t length, std::int64_t fileSize);
