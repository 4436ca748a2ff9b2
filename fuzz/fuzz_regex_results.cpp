// The result-list pattern over arbitrary pages, decoded as the search decodes a fetched page or
// taken as they come: every match and both groups are read.
#include <cstdint>
#include <string_view>

#include "fuzz/check.h"
#include "fuzz/regex_reading.h"
#include "regex/regex_object.h"
#include "text/primitives.h"
#include "text/urlcodec.h"

namespace {

using namespace talvex;
using namespace talvex::fuzz;

// The result-list pattern with the quote placeholder, as a pattern table would hold it.
constexpr const char* kResultListPattern =
    "<a href=#\xD2\xFD\xBA\xC5(.*?)#\xD2\xFD\xBA\xC5>(.*?)</a></li><li>";

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    // The first byte says whether the page goes through the percent decoding of a fetched page.
    const bool decode = (data[0] & 1) != 0;
    const Text raw(std::string_view(reinterpret_cast<const char*>(data) + 1, size - 1));
    const Text page = decode ? UrlDecode(raw, FromUtf8::Yes) : raw;

    RegexObject results;
    FUZZ_REQUIRE(results.Create(Text(kResultListPattern), page, CaseSensitive::No, Multiline::Yes,
                                Global::Yes, ExpandQuoteMarker::Yes));
    FUZZ_REQUIRE(results.GetPattern() == Text("<a href=\"(.*?)\">(.*?)</a></li><li>"));
    ReadEverything(results, page);
    FUZZ_REQUIRE(results.MatchCount() == 0 || results.SubmatchCount() == 2);
    for (int i = 1; i <= results.MatchCount(); ++i) {
        // Each result is an anchor, in either letter case.
        const Text match = results.MatchText(i);
        FUZZ_REQUIRE(ToLowerText(LeftText(match, 9)) == Text("<a href=\""));
    }
    const Text replaced = results.Replace(Text("[$1|$2]"));
    FUZZ_REQUIRE(HoldsNoNul(replaced));

    const RegexObject copy = results;
    FUZZ_REQUIRE(copy.MatchCount() == results.MatchCount());
    return 0;
}
