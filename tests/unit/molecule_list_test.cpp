#include "molecule/molecule_list.h"
#include "shell/resources.h"
#include "support/quiz_folder.h"

#include <gtest/gtest.h>

#include <sstream>
#include <vector>

namespace {

// Reads a list from text and returns the names of the created molecules.
std::vector<std::string> namesRead(const std::string& text, MoleculeTable& molecules)
{
    std::istringstream list(text);
    std::string countLine;
    readMoleculeList(list, molecules, countLine);
    std::vector<std::string> names;
    for (std::int32_t k = 0; k < moleculeCount; ++k) {
        names.push_back(molecules[k]->moleculeName);
    }
    return names;
}

std::vector<std::string> namesRead(const std::string& text)
{
    MoleculeTable molecules;
    return namesRead(text, molecules);
}

using Names = std::vector<std::string>;

}  // namespace

TEST(ListLines, EndAtLineFeedAndDropTheCarriageReturnBeforeIt)
{
    std::istringstream list("one\r\ntwo\n\r\n\rthree\r\r\nlast\r");
    std::string line;
    const Names expected = {"one", "two", "", "\rthree\r", "last\r"};
    for (const std::string& want : expected) {
        ASSERT_TRUE(readListLine(list, line));
        EXPECT_EQ(line, want);
    }
    EXPECT_FALSE(readListLine(list, line));
}

TEST(MoleculeList, ReadsTheAnnouncedNumberOfNamesByteForByte)
{
    EXPECT_EQ(namesRead("3\nwater\nethanol\npropan-2-ol\n"), (Names{"water", "ethanol", "propan-2-ol"}));
    EXPECT_EQ(namesRead("2\r\nwater\r\nethanol\r\n"), (Names{"water", "ethanol"}));
    EXPECT_EQ(namesRead("2 names\n methane  \n\xe9thane\nignored\n"), (Names{" methane  ", "\xe9thane"}));
    EXPECT_EQ(namesRead("2\nwater\nethanol"), (Names{"water", "ethanol"}));
    EXPECT_EQ(namesRead("1.9\nwater\nethanol\n"), (Names{"water"}));
}

TEST(MoleculeList, LeavesMissingNamesEmpty)
{
    MoleculeTable molecules;
    EXPECT_EQ(namesRead("4\nwater\n", molecules), (Names{"water", "", "", ""}));
    EXPECT_EQ(molecules[4], nullptr);
}

TEST(MoleculeList, CreatesNoMoleculesForACountBelowOne)
{
    for (const std::string text :
         {"", "0\nwater\n", "-5\nwater\n", "x3\nwater\n", "0x1A\nwater\n", "1e12\nwater\n", "nan\nwater\n"}) {
        MoleculeTable molecules;
        EXPECT_EQ(namesRead(text, molecules), Names{}) << text;
        for (const auto& molecule : molecules) {
            ASSERT_EQ(molecule, nullptr);
        }
    }
}

TEST(MoleculeList, HoldsUpToFiveHundredMolecules)
{
    std::string text = "500\n";
    for (int k = 0; k < 500; ++k) {
        text += "m" + std::to_string(k) + "\n";
    }
    const Names names = namesRead(text);
    ASSERT_EQ(names.size(), 500u);
    EXPECT_EQ(names.back(), "m499");
}

TEST(MoleculeListDeathTest, RefusesMoreThanFiveHundredMolecules)
{
    EXPECT_EXIT(
        {
            stdoutToStderr();
            namesRead("501\nwater\n");
        },
        testing::ExitedWithCode(1),
        std::string("^Too many molecules in the list, the limit is 500, please try again.  Sorry.\n") +
            shutDownLog + "$");
}
