#include "check/data_check.h"
#include "support/quiz_folder.h"

#include <gtest/gtest.h>

#include <fstream>

namespace {

using Problems = std::vector<std::string>;

// A clean folder of two molecules, which each test then breaks in one way.
class DataCheck : public testing::Test {
  protected:
    void SetUp() override
    {
        folder.writeList("2\nethanol\npropan-2-ol\n");
        folder.addMolecule("ethanol");
        folder.addMolecule("propan-2-ol");
    }
    Problems problems() const { return checkDataFolder("data").problems; }
    QuizFolder folder;
};

}  // namespace

TEST_F(DataCheck, FindsNothingWrongWithACleanFolder)
{
    EXPECT_EQ(problems(), Problems{});
    folder.writeList("2\r\nethanol\r\npropan-2-ol\r\n\r\n");
    EXPECT_EQ(problems(), Problems{});
}

TEST_F(DataCheck, ReportsACountThatDoesNotMatchTheNames)
{
    folder.writeList("3\nethanol\npropan-2-ol\n");
    EXPECT_EQ(problems(),
              (Problems{"count: the list announces 3 molecules but holds 2 names", "empty name: line 4"}));
    folder.writeList("1\nethanol\npropan-2-ol\n");
    EXPECT_EQ(problems(), (Problems{"count: the list announces 1 molecules but holds 2 names",
                                    "unused picture: propan-2-ol.bmp"}));
    folder.writeList("0x2\nethanol\npropan-2-ol\n");
    EXPECT_EQ(problems().front(), "count: the first line \"0x2\" announces no molecules");
    folder.writeList("501\nethanol\n");
    EXPECT_EQ(problems(),
              (Problems{"count: the list announces 501 molecules, more than the 500 the quiz holds"}));
}

TEST_F(DataCheck, ReportsMissingAndBrokenPictures)
{
    folder.remove("propan-2-ol.bmp");
    std::ofstream(folder.data("ethanol.bmp")) << "not a picture";
    EXPECT_EQ(problems(), (Problems{"unloadable picture: ethanol.bmp (File is not a Windows BMP file)",
                                    "missing picture: propan-2-ol.bmp"}));
}

TEST_F(DataCheck, ReportsPicturesThatCoverThePrompt)
{
    writeBitmap(folder.data("ethanol.bmp"), 800, 341, 0x336699);
    writeBitmap(folder.data("propan-2-ol.bmp"), 800, 340, 0x336699);
    EXPECT_EQ(problems(),
              (Problems{"picture covers the prompt: ethanol.bmp is 341 pixels tall, at most 340 fit"}));
}

TEST_F(DataCheck, ReportsNamesTheKeysCannotType)
{
    const std::string longName(52, 'c');
    folder.writeList("3\nN'-methyl\npropan-2-ol\n" + longName + "\n");
    folder.remove("ethanol.bmp");
    folder.addMolecule("N'-methyl");
    folder.addMolecule(longName);
    const Problems found = problems();
    ASSERT_EQ(found.size(), 2U);
    EXPECT_EQ(found[0].rfind("untypeable name: \"N'-methyl\" on line 2 (", 0), 0U) << found[0];
    EXPECT_EQ(found[1].rfind("untypeable name: \"" + longName + "\" on line 4 (", 0), 0U) << found[1];
}

TEST_F(DataCheck, ReportsDuplicatesAndUnusedPictures)
{
    folder.writeList("3\nethanol\nethanol\nethanol\n");
    folder.addMolecule("Ethanol");
    EXPECT_EQ(problems(), (Problems{"duplicate name: \"ethanol\"", "unused picture: Ethanol.bmp",
                                    "unused picture: propan-2-ol.bmp"}));
}

TEST_F(DataCheck, ReportsMissingFixedFiles)
{
    for (const char* file : {"nsecthck.ttf", "background.bmp", "Homescreen.bmp", "Molecule List.txt"}) {
        folder.remove(file);
    }
    EXPECT_EQ(problems(), (Problems{"missing file: nsecthck.ttf", "missing file: background.bmp",
                                    "missing file: Homescreen.bmp", "missing file: Molecule List.txt"}));
    EXPECT_EQ(checkDataFolder("nowhere").problems, Problems{"missing folder: nowhere"});
}

TEST_F(DataCheck, RefusesKeysManyKeyboardsLackUnlessAllowed)
{
    folder.writeList("3\n(E)-but-2-ene\nammonium+\npropan-2-ol\n");
    folder.remove("ethanol.bmp");
    folder.addMolecule("(E)-but-2-ene");
    folder.addMolecule("ammonium+");
    const CheckReport refused = checkDataFolder("data");
    ASSERT_EQ(refused.problems.size(), 2U);
    EXPECT_EQ(refused.problems[0].rfind("hard-to-type name: \"(E)-but-2-ene\" on line 2 needs ( ), ", 0), 0U);
    EXPECT_NE(refused.problems[0].find("--allow-keys \"()\""), std::string::npos) << refused.problems[0];
    EXPECT_EQ(refused.problems[1].rfind("hard-to-type name: \"ammonium+\" on line 3 needs +, ", 0), 0U);
    EXPECT_EQ(refused.warnings, Problems{});

    const CheckReport partly = checkDataFolder("data", "+");
    EXPECT_EQ(partly.problems, Problems{refused.problems[0]});
    ASSERT_EQ(partly.warnings.size(), 1U);
    EXPECT_NE(partly.warnings[0].find("\"ammonium+\" on line 3"), std::string::npos);

    const CheckReport allowed = checkDataFolder("data", "()+");
    EXPECT_EQ(allowed.problems, Problems{});
    EXPECT_EQ(allowed.warnings.size(), 2U);
}
