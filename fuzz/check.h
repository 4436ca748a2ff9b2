// What every fuzz target shares: a failed property ends the run with a message that names it,
// so libFuzzer keeps the input as a crash.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "text/types.h"

namespace talvex::fuzz {

[[noreturn]] inline void PropertyFailed(const char* what, const char* file, int line) {
    std::fprintf(stderr, "%s:%d: property failed: %s\n", file, line, what);
    std::abort();
}

// True when `text` keeps the promise of the Text type: no 0 byte inside.
inline bool HoldsNoNul(const Text& text) {
    return text.view().find('\0') == std::string_view::npos;
}

}  // namespace talvex::fuzz

#define FUZZ_REQUIRE(condition)                                             \
    do {                                                                    \
        if (!(condition)) {                                                 \
            ::talvex::fuzz::PropertyFailed(#condition, __FILE__, __LINE__); \
        }                                                                   \
    } while (false)
