#include "shell/quiz_sequence.h"
#include "shell/resources.h"
#include "support/key_events.h"
#include "support/quiz_folder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <numeric>
#include <vector>

namespace {

std::vector<int> shuffled(std::int32_t count, unsigned seed, std::size_t slots = 8)
{
    std::vector<int> order(std::max<std::size_t>(slots, count > 0 ? static_cast<std::size_t>(count) : 0));
    std::iota(order.begin(), order.end(), 0);
    std::srand(seed);
    shuffleSlots(order.data(), count, [] { return std::rand(); });
    return order;
}

std::vector<int> identity(std::size_t size)
{
    std::vector<int> order(size);
    std::iota(order.begin(), order.end(), 0);
    return order;
}

class QuizSequenceDeathTest : public testing::Test {
  protected:
    void SetUp() override
    {
        startUpOrFail();
        stdoutToStderr();
    }
    void TearDown() override
    {
        flushEvents();
        releaseAll();
    }
    QuizFolder folder;
};

}  // namespace

TEST(Shuffle, LeavesFewerThanTwoSlotsAlone)
{
    for (const std::int32_t count : {0, 1, -1, INT_MIN}) {
        EXPECT_EQ(shuffled(count, 7), identity(8)) << count;
    }
}

TEST(Shuffle, DrawsEachSwapFromTheSlotsNotYetPlaced)
{
    std::vector<int> order = identity(4);
    std::vector<int> draws = {5, 0, 3};  // swaps 0<->1, 1<->1, 2<->3
    std::size_t next = 0;
    shuffleSlots(order.data(), 4, [&] { return draws.at(next++); });
    EXPECT_EQ(order, (std::vector<int>{1, 0, 3, 2}));
    EXPECT_EQ(next, 3u);
}

TEST(Shuffle, PermutesAndRepeatsForTheSameSeed)
{
    const std::vector<int> first = shuffled(500, 1234567);
    std::vector<int> sorted = first;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(sorted, identity(500));
    EXPECT_EQ(shuffled(500, 1234567), first);
    EXPECT_NE(shuffled(500, 1234568), first);

    std::vector<int> two = shuffled(2, 99, 2);
    std::sort(two.begin(), two.end());
    EXPECT_EQ(two, identity(2));
}

TEST_F(QuizSequenceDeathTest, WithoutMoleculesShowsHomeThenDeletesAndEnds)
{
    folder.writeList("0\nwater\n");
    push(keyDown(SDLK_SPACE));
    EXPECT_EXIT(runQuiz(), testing::ExitedWithCode(1),
                std::string("^Deleting molecules.\n") + shutDownLog + "$");
}

TEST_F(QuizSequenceDeathTest, StopsAtTheFirstMissingPicture)
{
    folder.writeList("3\nwater\nethanol\nmethane\n");
    folder.addMolecule("water");
    folder.addMolecule("methane");
    EXPECT_EXIT(runQuiz(), testing::ExitedWithCode(1),
                std::string("^Cannot load molecule picture of ethanol sorry, please try again later\n") +
                    shutDownLog + "$");

    folder.writeList("2\nwater");
    EXPECT_EXIT(runQuiz(), testing::ExitedWithCode(1),
                std::string("^Cannot load molecule picture of  sorry, please try again later\n") +
                    shutDownLog + "$");
}

TEST_F(QuizSequenceDeathTest, RefusesAnOverlongList)
{
    folder.writeList("600\nwater\n");
    EXPECT_EXIT(runQuiz(), testing::ExitedWithCode(1), "^Too many molecules in the list, the limit is 500");
}
