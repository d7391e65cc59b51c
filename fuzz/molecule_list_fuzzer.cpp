// Fuzz target for reading the molecule list: the count line, then one name per line.
//
// The bytes are read as the list file. Two things are checked against an independent
// account of the same bytes:
// - the count, against the C library's own strtod reading of the first line, with the
//   forms the list does not take as numbers (hexadecimal, infinity, NaN) worth 0;
// - the records, against the lines found by splitting the bytes at LF.
// A count above the table's 500 slots ends the run (the refusal is tested end to end),
// so such an input is only parsed here, never read into a table.
#include "fuzz_check.h"
#include "molecule/count_line.h"
#include "molecule/molecule_list.h"
#include "shell/resources.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

namespace {

// The lines of a list file: split at LF; a CR right before the LF is not part of the
// line; the last line needs no LF, and keeps a CR that no LF follows.
std::vector<std::string> linesOf(const std::string& bytes)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < bytes.size()) {
        const std::size_t end = bytes.find('\n', start);
        if (end == std::string::npos) {
            lines.push_back(bytes.substr(start));
            break;
        }
        std::string line = bytes.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

// What the count line is worth: strtod's reading, truncated toward zero; beyond a signed
// 32-bit integer the smallest one; no number, or a hexadecimal, infinite or NaN one, 0.
std::int32_t expectedCount(const std::string& line)
{
    const char* start = line.c_str();
    char* end = nullptr;
    const double value = std::strtod(start, &end);
    const std::string used(start, static_cast<std::size_t>(end - start));
    if (used.find_first_of("xXiInN") != std::string::npos) {
        // A hexadecimal number's decimal start is its "0"; inf and nan have none.
        return 0;
    }
    constexpr double lowest = std::numeric_limits<std::int32_t>::min();
    constexpr double highest = std::numeric_limits<std::int32_t>::max();
    if (!(value > lowest - 1.0 && value < highest + 1.0)) {
        return std::numeric_limits<std::int32_t>::min();
    }
    return static_cast<std::int32_t>(value);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const std::vector<std::string> lines = linesOf(bytes);
    const std::string firstLine = lines.empty() ? std::string() : lines.front();

    const std::int32_t count = parseMoleculeCount(firstLine);
    FUZZ_CHECK(count == expectedCount(firstLine));
    if (count > maxMolecules) {
        return 0;
    }

    std::istringstream list(bytes);
    MoleculeTable molecules;
    std::string sNumberOfMolecules = "stale";
    readMoleculeList(list, molecules, sNumberOfMolecules);
    FUZZ_CHECK(sNumberOfMolecules == firstLine);
    FUZZ_CHECK(moleculeCount == count);
    for (std::int32_t k = 0; k < maxMolecules; ++k) {
        if (k >= count) {
            FUZZ_CHECK(molecules[k] == nullptr);
            continue;
        }
        FUZZ_CHECK(molecules[k] != nullptr);
        const std::size_t line = static_cast<std::size_t>(k) + 1;
        const std::string expected = line < lines.size() ? lines[line] : std::string();
        FUZZ_CHECK(molecules[k]->moleculeName == expected);
        FUZZ_CHECK(molecules[k]->answer.empty());
        FUZZ_CHECK(molecules[k]->picture == nullptr);
    }
    return 0;
}
