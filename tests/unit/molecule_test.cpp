#include "molecule/molecule.h"
#include "support/quiz_folder.h"

#include <gtest/gtest.h>

TEST(Molecule, BuildsItsPicturePathFromItsName)
{
    Molecule ethanol;
    ethanol.moleculeName = "Ethanol";
    ethanol.buildPicturePath();
    EXPECT_EQ(ethanol.pathStream.str(), "./data/Ethanol.bmp");

    Molecule spaced;
    spaced.moleculeName = "ethanoic acid ";
    spaced.buildPicturePath();
    EXPECT_EQ(spaced.pathStream.str(), "./data/ethanoic acid .bmp");
}

TEST(Molecule, TakesOnlyTheExactNameAsTheAnswer)
{
    Molecule molecule;
    molecule.moleculeName = "Ethanol";
    for (const char* wrong : {"ethanol", "Ethanol ", " Ethanol", "Ethano", "ETHANOL", ""}) {
        molecule.answer = wrong;
        EXPECT_FALSE(molecule.isAnswerCorrect()) << '"' << wrong << '"';
    }
    molecule.answer = "Ethanol";
    EXPECT_TRUE(molecule.isAnswerCorrect());

    Molecule unnamed;
    EXPECT_TRUE(unnamed.isAnswerCorrect());
}

TEST(Molecule, LoadsItsPicture)
{
    QuizFolder folder;
    folder.addMolecule("propan-2-ol");
    Molecule molecule;
    molecule.moleculeName = "propan-2-ol";
    molecule.buildPicturePath();
    molecule.loadPicture();
    ASSERT_NE(molecule.picture, nullptr);
    EXPECT_EQ(molecule.picture->w, 40);
}

TEST(MoleculeDeathTest, EndsTheRunWhenItsPictureIsMissing)
{
    QuizFolder folder;
    for (const std::string name : {"Propane", ""}) {
        EXPECT_EXIT(
            {
                stdoutToStderr();
                Molecule molecule;
                molecule.moleculeName = name;
                molecule.buildPicturePath();
                molecule.loadPicture();
            },
            testing::ExitedWithCode(1),
            "^Cannot load molecule picture of " + name + " sorry, please try again later\n" + shutDownLog +
                "$");
    }
}
