// Arbitrary patterns over arbitrary subjects with every option: Create never crashes, a
// rejected pattern leaves an object that answers empty, and whatever matched reads back whole.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <string>

#include "fuzz/check.h"
#include "fuzz/regex_reading.h"
#include "regex/regex_object.h"

namespace {

using namespace talvex;
using namespace talvex::fuzz;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const auto caseSensitive = CaseSensitive{input.ConsumeBool()};
    const auto multiline = Multiline{input.ConsumeBool()};
    const auto global = Global{input.ConsumeBool()};
    const auto expandQuoteMarker = ExpandQuoteMarker{input.ConsumeBool()};
    const Text pattern(input.ConsumeRandomLengthString(256));
    const Text replacement(input.ConsumeRandomLengthString(64));
    const Text subject(input.ConsumeRemainingBytesAsString());

    RegexObject regex;
    const bool compiled =
        regex.Create(pattern, subject, caseSensitive, multiline, global, expandQuoteMarker);
    ReadEverything(regex, subject);
    const Text replaced = regex.Replace(replacement);
    FUZZ_REQUIRE(HoldsNoNul(replaced));
    FUZZ_REQUIRE(HoldsNoNul(regex.GetPattern()));
    if (!compiled) {
        FUZZ_REQUIRE(regex.MatchCount() == 0);
        FUZZ_REQUIRE(replaced.empty());
    }
    if (global == Global::No) {
        FUZZ_REQUIRE(regex.MatchCount() <= 1);
    }
    return 0;
}
