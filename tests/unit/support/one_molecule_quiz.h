// A started quiz of one molecule, "water", with its picture loaded, for the tests of the
// screens that ask for it.
#pragma once

#include "molecule/molecule.h"
#include "support/key_events.h"
#include "support/quiz_folder.h"

#include <gtest/gtest.h>

class OneMoleculeQuiz : public testing::Test {
  protected:
    void SetUp() override
    {
        folder.addMolecule("water");
        startUpOrFail();
        molecule.moleculeName = "water";
        molecule.buildPicturePath();
        molecule.loadPicture();
    }
    void TearDown() override
    {
        flushEvents();
        releaseAll();
    }
    QuizFolder folder;
    Molecule molecule;
};
