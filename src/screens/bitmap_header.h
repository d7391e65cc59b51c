// A check of a BMP file's header, made before SDL is allowed to allocate for it.
#pragma once

#include <cstddef>
#include <cstdint>

// The most memory a picture may ask SDL for: 64 MiB, counted at four bytes a pixel (the
// most SDL's loader gives a pixel), so at most 16,777,216 pixels, whatever their depth.
constexpr std::int64_t pictureBudgetBytes = std::int64_t{64} << 20;

// How many leading bytes of a file isWithinPictureBudget looks at: up to the picture's sides.
constexpr std::size_t bitmapHeaderBytes = 26;

// False when the file that starts with these `length` bytes declares a picture larger than
// pictureBudgetBytes, or sides whose product overflows. SDL's loader allocates the whole
// picture before it reads a pixel, so a tiny file can claim gigabytes. Every other file,
// well formed or not, is SDL's to load or refuse.
bool isWithinPictureBudget(const unsigned char* header, std::size_t length);
