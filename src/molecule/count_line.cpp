#include "molecule/count_line.h"

#include <cctype>
#include <cstdlib>
#include <limits>

namespace {

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Moves past a run of digits and says how many there were.
std::size_t skipDigits(const std::string& text, std::size_t& at)
{
    const std::size_t start = at;
    while (at < text.size() && isDigit(text[at])) {
        ++at;
    }
    return at - start;
}

// The longest decimal number at the start of text (after white space), or "".
std::string decimalPrefix(const std::string& text)
{
    std::size_t at = 0;
    while (at < text.size() && std::isspace(static_cast<unsigned char>(text[at])) != 0) {
        ++at;
    }
    const std::size_t start = at;
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) {
        ++at;
    }
    std::size_t digits = skipDigits(text, at);
    if (at < text.size() && text[at] == '.') {
        ++at;
        digits += skipDigits(text, at);
    }
    if (digits == 0) {
        return "";
    }
    std::size_t end = at;
    if (at < text.size() && (text[at] == 'e' || text[at] == 'E')) {
        ++at;
        if (at < text.size() && (text[at] == '+' || text[at] == '-')) {
            ++at;
        }
        if (skipDigits(text, at) > 0) {
            end = at;
        }
    }
    return text.substr(start, end - start);
}

}  // namespace

std::int32_t parseMoleculeCount(const std::string& line)
{
    const std::string number = decimalPrefix(line);
    if (number.empty()) {
        return 0;
    }
    // Only a plain decimal reaches strtod, so it cannot read hex, inf or nan.
    const double value = std::strtod(number.c_str(), nullptr);
    constexpr double lowest = std::numeric_limits<std::int32_t>::min();
    constexpr double highest = std::numeric_limits<std::int32_t>::max();
    if (value > lowest - 1.0 && value < highest + 1.0) {
        return static_cast<std::int32_t>(value);
    }
    return std::numeric_limits<std::int32_t>::min();
}
