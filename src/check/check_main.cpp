// molvane-check [DATA_FOLDER]: checks a quiz's data folder (./data by default), prints one
// line per problem and exits 0 only when there is none.
#include "check/data_check.h"

#include <iostream>

int main(int argc, char** argv)
{
    const std::string folder = argc > 1 ? argv[1] : "./data";
    const std::vector<std::string> problems = checkDataFolder(folder);
    for (const std::string& problem : problems) {
        std::cout << problem << '\n';
    }
    if (problems.empty()) {
        std::cout << folder << ": no problems found\n";
        return 0;
    }
    return 1;
}
