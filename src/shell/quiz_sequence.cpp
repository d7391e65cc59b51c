#include "shell/quiz_sequence.h"

#include "molecule/molecule_list.h"
#include "screens/picture_screens.h"
#include "shell/resources.h"
#include "shell/start_up.h"

#include <cstdlib>
#include <ctime>
#include <iostream>

namespace {

// Asks one molecule until it is named right; the last one leads to the closing screen.
void askUntilRight(Molecule& molecule, bool isLast)
{
    for (;;) {
        molecule.askForName();
        if (!molecule.isAnswerCorrect()) {
            molecule.showIncorrect();
        } else if (!isLast) {
            molecule.showCorrect();
            return;
        } else {
            showLastScreen();
        }
    }
}

}  // namespace

void runQuiz()
{
    // The records live until the process ends, so the table is never unwound.
    MoleculeTable molecules;
    std::string sNumberOfMolecules;
    readMoleculeList(moleculeList, molecules, sNumberOfMolecules);

    std::srand(static_cast<unsigned>(std::time(nullptr)));
    shuffleSlots(molecules.data(), moleculeCount, [] { return std::rand(); });

    for (std::int32_t k = 0; k < moleculeCount; ++k) {
        molecules[k]->buildPicturePath();
        molecules[k]->loadPicture();
    }

    {
        HomeScreen home;
        home.showHomeScreen();
    }

    for (std::int32_t i = 0; i < moleculeCount; ++i) {
        askUntilRight(*molecules[i], i == moleculeCount - 1);
    }

    // Only a quiz without molecules gets here.
    std::cout << "Deleting molecules.\n";
    for (auto& molecule : molecules) {
        molecule.reset();
    }
    shutDown();
}
