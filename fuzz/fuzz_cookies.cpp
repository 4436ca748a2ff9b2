// Cookie merging over arbitrary lists: the merged list is well formed and the in/out arguments
// end up as the contract says.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <set>
#include <string>
#include <string_view>

#include "fuzz/check.h"
#include "http/cookies.h"
#include "text/primitives.h"

namespace {

using namespace talvex;
using namespace talvex::fuzz;

// True when a space (0x20) begins a character; the second byte of a GBK character may be 0x20
// and is no space.
bool HoldsSpace(std::string_view text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (static_cast<unsigned char>(text[i]) >= 0x80) {
            ++i;
        } else if (text[i] == ' ') {
            return true;
        }
    }
    return false;
}

bool IsAscii(std::string_view text) {
    for (char c : text) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            return false;
        }
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    Text returned(input.ConsumeRandomLengthString(size));
    Text cookies(input.ConsumeRemainingBytesAsString());

    const Text merged = MergeCookies(cookies, returned);
    FUZZ_REQUIRE(merged == cookies);
    FUZZ_REQUIRE(HoldsNoNul(merged));
    FUZZ_REQUIRE(!HoldsSpace(returned.view()));

    // Pairs separated by "; " and no other space; no pair ends in "=deleted"; no exact repeat.
    // (With GBK bytes in the list a pair may end in a stray lead byte that swallows the ";".)
    const TextArray pairs = SplitText(merged, Text("; "));
    if (IsAscii(merged.view())) {
        std::set<std::string> seen;
        for (int i = 1; i <= pairs.Count(); ++i) {
            const std::string_view pair = pairs[i].view();
            FUZZ_REQUIRE(pair.find(' ') == std::string_view::npos);
            FUZZ_REQUIRE(!pair.ends_with("=deleted"));
            FUZZ_REQUIRE(seen.insert(std::string(pair)).second);
        }
    }

    (void)CookieName(merged);
    (void)HasCookieName(pairs, returned);
    (void)IndexOfText(pairs, returned);
    const Text unique = RemoveDuplicates(merged, Text("; "));
    FUZZ_REQUIRE(unique.size() <= merged.size());
    return 0;
}
