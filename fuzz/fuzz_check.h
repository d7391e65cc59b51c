// The way a fuzz target reports a broken expectation: say what broke and abort, so
// that libFuzzer (or the replay driver) stops on the input that broke it.
#pragma once

#include <cstdio>
#include <cstdlib>

#define FUZZ_CHECK(condition)                                                                                \
    do {                                                                                                     \
        if (!(condition)) {                                                                                  \
            std::fprintf(stderr, "%s:%d: expected %s\n", __FILE__, __LINE__, #condition);                    \
            std::abort();                                                                                    \
        }                                                                                                    \
    } while (false)
