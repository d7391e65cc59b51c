// The first line of the molecule list: how many molecules follow.
#pragma once

#include <cstdint>
#include <string>

// The count a list's first line announces. Its longest leading decimal number (after
// white space: sign, digits, point, fraction, exponent) is truncated toward zero; no
// number gives 0, and a value beyond a signed 32-bit integer gives the smallest one.
// Hexadecimal, infinity and NaN are not numbers here.
std::int32_t parseMoleculeCount(const std::string& line);
