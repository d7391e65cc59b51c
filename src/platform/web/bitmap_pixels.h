// The pixels of the common kinds of BMP file, decoded the way SDL's loader reads them,
// for the page's canvas.
#pragma once

#include <cstddef>
#include <cstdint>

// The sides of the picture in the BMP file of `length` bytes when it is of a kind the
// quiz builder or a painting program writes, with the 40-byte header: 8 bits a pixel,
// plain or run-length encoded (BI_RLE8), or 24 bits a pixel, and well formed
// throughout. False for every other file, which is left to the browser's own decoder.
bool commonBitmapSides(const unsigned char* file, std::size_t length, std::int32_t& width,
                       std::int32_t& height);

// Decodes such a file into rgba, room for its width x height pixels, row by row from the
// top, each pixel four bytes in memory: red, green, blue, then an alpha of 255. False,
// with rgba left in any state, for any other file. The sides are the file's to say, so
// the picture budget check comes first.
bool decodeCommonBitmap(const unsigned char* file, std::size_t length, std::uint32_t* rgba);
