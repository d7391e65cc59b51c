// The run of the quiz, from reading the list to the closing screen.
#pragma once

#include <cstdint>
#include <utility>

// Shuffles the first count slots in place: each slot i from the front swaps with a slot
// i + nextRandom() % (count - i). nextRandom returns values of at least 0.
template <typename Slot, typename Random>
void shuffleSlots(Slot* slots, std::int32_t count, Random&& nextRandom)
{
    for (std::int32_t i = 0; count >= 2 && i <= count - 2; ++i) {
        const std::int32_t j = i + nextRandom() % (count - i);
        std::swap(slots[i], slots[j]);
    }
}

// Runs the whole quiz on the opened molecule list. Every way out ends the run.
[[noreturn]] void runQuiz();
