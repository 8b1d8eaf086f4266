#pragma once
// A rule of a fuzz target's own: when it breaks, the target names the file, line and rule, then
// aborts for libFuzzer to keep the input.
#include <cstdio>
#include <cstdlib>

#define FUZZ_CHECK(ok)                                                                  \
    do {                                                                                \
        if (!(ok)) {                                                                    \
            std::fprintf(stderr, "%s:%d: %s does not hold\n", __FILE__, __LINE__, #ok); \
            std::abort();                                                               \
        }                                                                               \
    } while (false)
