// Reading the molecule list: a count line, then one name per line.
#pragma once

#include "molecule/molecule.h"

#include <array>
#include <cstdint>
#include <istream>
#include <memory>
#include <string>

// The most molecules one quiz can hold.
constexpr std::int32_t maxMolecules = 500;

using MoleculeTable = std::array<std::unique_ptr<Molecule>, maxMolecules>;

// Reads the next line without its line end (LF, or CR LF); false past the end of the file.
bool readListLine(std::istream& list, std::string& line);

// Reads the count line into sNumberOfMolecules and moleculeCount, then gives each of the
// first moleculeCount slots a molecule named by the following lines; names missing at
// the end of the file stay empty. A count above maxMolecules, or a molecule that cannot
// be created, ends the run.
void readMoleculeList(std::istream& list, MoleculeTable& molecules, std::string& sNumberOfMolecules);
