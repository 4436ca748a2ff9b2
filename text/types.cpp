#include "text/types.h"

#include <cstdio>
#include <cstdlib>

namespace talvex {

void ProgramError(const char* message) {
    std::fprintf(stderr, "talvex: programming error: %s\n", message);
    std::fflush(stderr);
    std::abort();
}

}  // namespace talvex
