// Every operation of text/primitives over arbitrary bytes and arguments, with the searches, the
// replacement, the split and the markers compared against the byte-walk references.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>

#include "fuzz/check.h"
#include "fuzz/reference.h"
#include "text/primitives.h"

namespace {

using namespace talvex;
using namespace talvex::fuzz;

// Small arguments around the interesting edges (0, 1, the length) most of the time, any int
// now and then.
int ConsumeArgument(FuzzedDataProvider& input) {
    if (input.ConsumeBool()) {
        return input.ConsumeIntegral<int>();
    }
    return input.ConsumeIntegralInRange<int>(-4, 80);
}

std::optional<int> ConsumeOptionalArgument(FuzzedDataProvider& input) {
    if (input.ConsumeBool()) {
        return std::nullopt;
    }
    return ConsumeArgument(input);
}

std::size_t Clip(int n, std::size_t length) {
    return n <= 0 ? 0 : std::min(static_cast<std::size_t>(n), length);
}

void CheckSlicing(const Text& text, int n, int start) {
    const std::string_view bytes = text.view();
    FUZZ_REQUIRE(TextLength(text) == static_cast<int>(bytes.size()));

    const Text left = LeftText(text, n);
    FUZZ_REQUIRE(left.view() == bytes.substr(0, Clip(n, bytes.size())));
    const Text right = RightText(text, n);
    FUZZ_REQUIRE(right.view() == bytes.substr(bytes.size() - Clip(n, bytes.size())));

    const Text mid = MidText(text, start, n);
    if (start < 1 || static_cast<std::size_t>(start) > bytes.size() || n <= 0) {
        FUZZ_REQUIRE(mid.empty());
    } else {
        FUZZ_REQUIRE(mid.view() == bytes.substr(static_cast<std::size_t>(start) - 1,
                                                static_cast<std::size_t>(n)));
    }
}

void CheckSearches(const Text& text, const Text& subtext, std::optional<int> start) {
    for (IgnoreCase ignoreCase : {IgnoreCase::No, IgnoreCase::Yes}) {
        const bool ignore = ignoreCase == IgnoreCase::Yes;
        const int found = FindText(text, subtext, start, ignoreCase);
        FUZZ_REQUIRE(found == FindReference(text.view(), subtext.view(), start, ignore));
        if (!start) {
            FUZZ_REQUIRE(FindText(text, subtext, ignoreCase) == found);
        }
        const int last = FindTextReverse(text, subtext, start, ignoreCase);
        FUZZ_REQUIRE(last == FindReverseReference(text.view(), subtext.view(), start, ignore));
        if (!start) {
            FUZZ_REQUIRE(FindTextReverse(text, subtext, ignoreCase) == last);
        }
    }
}

void CheckReplace(const Text& text, const Text& subtext, const Text& replacement,
                  std::optional<int> start, std::optional<int> count) {
    for (CaseSensitive caseSensitive : {CaseSensitive::No, CaseSensitive::Yes}) {
        const Text replaced =
            ReplaceSubtext(text, subtext, replacement, start, count, caseSensitive);
        FUZZ_REQUIRE(HoldsNoNul(replaced));
        if (!count || *count >= 0) {
            FUZZ_REQUIRE(replaced.view() == ReplaceReference(text.view(), subtext.view(),
                                                             replacement.view(), start, count,
                                                             caseSensitive == CaseSensitive::Yes));
        }
    }
}

void CheckSplit(const Text& text, const Text& delimiter, std::optional<int> count) {
    const TextArray pieces = SplitText(text, delimiter, count);
    const std::vector<std::string> expected = SplitReference(text.view(), delimiter.view(), count);
    FUZZ_REQUIRE(pieces.Count() == static_cast<int>(expected.size()));
    std::string joined;
    for (int i = 1; i <= pieces.Count(); ++i) {
        FUZZ_REQUIRE(pieces[i].view() == expected[static_cast<std::size_t>(i) - 1]);
        if (i > 1) {
            joined.append(delimiter.view());
        }
        joined.append(pieces[i].view());
    }
    // Joined back, the uncapped pieces give the text again, less one trailing delimiter.
    if (!count && !delimiter.empty() && !text.empty()) {
        const bool endsInDelimiter = joined.size() < text.size();
        if (endsInDelimiter) {
            joined.append(delimiter.view());
        }
        FUZZ_REQUIRE(joined == text.view());
    }
}

void CheckRewrites(const Text& text) {
    const std::string_view bytes = text.view();
    const Text upper = ToUpperText(text);
    const Text lower = ToLowerText(text);
    FUZZ_REQUIRE(upper.size() == bytes.size() && lower.size() == bytes.size());
    for (std::size_t i = 0; i < bytes.size(); i += CharLength(bytes, i)) {
        const unsigned char byte = ByteAt(bytes, i);
        const bool letter = (byte | 0x20) >= 'a' && (byte | 0x20) <= 'z';
        FUZZ_REQUIRE(ByteAt(upper.view(), i) == (letter ? (byte & ~0x20) : byte));
        FUZZ_REQUIRE(ByteAt(lower.view(), i) == (letter ? (byte | 0x20) : byte));
        if (i + 1 < bytes.size() && byte >= 0x80) {
            FUZZ_REQUIRE(upper.view()[i + 1] == bytes[i + 1]);
            FUZZ_REQUIRE(lower.view()[i + 1] == bytes[i + 1]);
        }
    }

    // RemoveAllSpaces by the rules: walk characters, drop 0x20, A1 A1 and a stray last lead.
    std::string withoutSpaces;
    for (std::size_t i = 0; i < bytes.size(); i += CharLength(bytes, i)) {
        if (ByteAt(bytes, i) >= 0x80) {
            if (i + 1 < bytes.size() &&
                !(ByteAt(bytes, i) == 0xA1 && ByteAt(bytes, i + 1) == 0xA1)) {
                withoutSpaces.append(bytes.substr(i, 2));
            }
        } else if (bytes[i] != ' ') {
            withoutSpaces.push_back(bytes[i]);
        }
    }
    FUZZ_REQUIRE(RemoveAllSpaces(text).view() == withoutSpaces);

    // TrimBoth keeps an inner piece of the text and never begins with a space. (It is not
    // idempotent: spaces before a stray last lead byte stay when that byte goes.)
    const Text trimmed = TrimBoth(text);
    FUZZ_REQUIRE(trimmed.size() <= bytes.size());
    FUZZ_REQUIRE(trimmed.empty() || bytes.find(trimmed.view()) != std::string_view::npos);
    FUZZ_REQUIRE(trimmed.empty() || trimmed.view().front() != ' ');
    FUZZ_REQUIRE(trimmed.view().substr(0, 2) != "\xA1\xA1");
}

void CheckConversions(const Text& text, std::int32_t value) {
    (void)TextToInt(text);
    FUZZ_REQUIRE(TextToInt(IntToText(value)) == value);
    char hex[16];
    std::snprintf(hex, sizeof hex, "%" PRIX32, static_cast<std::uint32_t>(value));
    FUZZ_REQUIRE(ToHexText(value).view() == hex);
    const Text oneByte = CharFromCode(value);
    FUZZ_REQUIRE(oneByte.size() == ((value & 0xFF) != 0 ? 1u : 0u));
    FUZZ_REQUIRE(BytesToText(TextToBytes(text)) == text);
}

void CheckBytes(const Bytes& bytes, int n) {
    FUZZ_REQUIRE(BytesLength(bytes) == static_cast<int>(bytes.size()));
    const Bytes left = LeftBytes(bytes, n);
    FUZZ_REQUIRE(left.view() == bytes.view().substr(0, Clip(n, bytes.size())));
    const Text text = BytesToText(bytes);
    FUZZ_REQUIRE(text.view() == bytes.view().substr(0, bytes.view().find('\0')));
    const Bytes joined = ConcatBytes(bytes, left);
    FUZZ_REQUIRE(joined.size() == bytes.size() + left.size());
    // Blank runs are kept small: a size of gigabytes is a fair request, just not a useful one here.
    const int blank = std::clamp(n, -8, 4096);
    FUZZ_REQUIRE(BlankBytes(blank).view() == std::string(Clip(blank, 4096), '\0'));
    FUZZ_REQUIRE(BlankText(blank).view() == std::string(Clip(blank, 4096), ' '));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const int n = ConsumeArgument(input);
    const int position = ConsumeArgument(input);
    const std::optional<int> start = ConsumeOptionalArgument(input);
    const std::optional<int> count = ConsumeOptionalArgument(input);
    const std::int32_t value = input.ConsumeIntegral<std::int32_t>();
    const Text subtext(input.ConsumeRandomLengthString(16));
    const Text other(input.ConsumeRandomLengthString(16));
    const std::string rest = input.ConsumeRemainingBytesAsString();
    const Bytes bytes(rest);
    const Text text(rest);

    CheckSlicing(text, n, position);
    CheckSearches(text, subtext, start);
    CheckReplace(text, subtext, other, start, count);
    CheckSplit(text, subtext, count);
    CheckSplit(text, subtext, std::nullopt);
    CheckRewrites(text);
    CheckConversions(text, value);
    CheckBytes(bytes, n);

    const Text joined = ConcatText(text, subtext, other);
    FUZZ_REQUIRE(joined.size() == text.size() + subtext.size() + other.size());
    for (IgnoreCase ignoreCase : {IgnoreCase::No, IgnoreCase::Yes}) {
        const Text between = TextBetween(text, subtext, other, start, ignoreCase);
        FUZZ_REQUIRE(between.view() == BetweenReference(text.view(), subtext.view(), other.view(),
                                                        start, ignoreCase == IgnoreCase::Yes));
    }
    FUZZ_REQUIRE(TextBetween(text, subtext, other) ==
                 TextBetween(text, subtext, other, std::nullopt, IgnoreCase::No));
    return 0;
}
