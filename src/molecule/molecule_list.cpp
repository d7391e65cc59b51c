#include "molecule/molecule_list.h"

#include "molecule/count_line.h"
#include "shell/resources.h"
#include "shell/start_up.h"

#include <iostream>
#include <new>

bool readListLine(std::istream& list, std::string& line)
{
    if (!std::getline(list, line)) {
        return false;
    }
    // A line that ended at LF drops the CR of a CR LF pair.
    if (!list.eof() && !line.empty() && line.back() == '\r') {
        line.pop_back();
    }
    return true;
}

void readMoleculeList(std::istream& list, MoleculeTable& molecules, std::string& sNumberOfMolecules)
{
    readListLine(list, sNumberOfMolecules);
    moleculeCount = parseMoleculeCount(sNumberOfMolecules);
    if (moleculeCount > maxMolecules) {
        std::cout << "Too many molecules in the list, the limit is 500, please try again.  Sorry.\n";
        shutDown();
    }

    for (std::int32_t k = 0; k < moleculeCount; ++k) {
        molecules[k].reset(new (std::nothrow) Molecule);
    }
    for (std::int32_t k = 0; k < moleculeCount; ++k) {
        if (molecules[k] != nullptr) {
            readListLine(list, molecules[k]->moleculeName);
        }
    }
    for (std::int32_t k = 0; k < moleculeCount; ++k) {
        if (molecules[k] == nullptr) {
            std::cout << "Molecules loaded incorrectly, please try again.  Sorry.\n";
            shutDown();
        }
    }
}
