#pragma once

#include <cstdio>
#include <cstdlib>

// Stops the run on a broken rule, naming it first so that a crash report says which one.
#define Require(condition)                                                        \
    do {                                                                          \
        if (!(condition)) {                                                       \
            std::fprintf(stderr, "broken: %s (line %d)\n", #condition, __LINE__); \
            std::abort();                                                         \
        }                                                                         \
    } while (false)
