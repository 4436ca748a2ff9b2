#include "text/primitives.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <limits>

namespace talvex {

namespace {

constexpr std::size_t kNotFound = std::string_view::npos;

// The GBK full-width space A1 A1, which counts as a space wherever a character begins.
constexpr unsigned char kWideSpaceByte = 0xA1;

unsigned char ByteAt(std::string_view text, std::size_t index) {
    return static_cast<unsigned char>(text[index]);
}

// Bytes of the character that begins at `index`: a byte of 0x80 or more begins a two-byte
// character, except as the very last byte (a stray first byte, one byte long).
std::size_t CharLength(std::string_view text, std::size_t index) {
    return (ByteAt(text, index) >= 0x80 && index + 1 < text.size()) ? 2 : 1;
}

bool IsStrayLeadByte(std::string_view text, std::size_t index) {
    return index + 1 == text.size() && ByteAt(text, index) >= 0x80;
}

bool IsSpaceAt(std::string_view text, std::size_t index) {
    const unsigned char byte = ByteAt(text, index);
    if (byte == 0x20) {
        return true;
    }
    return byte == kWideSpaceByte && index + 1 < text.size() &&
           ByteAt(text, index + 1) == kWideSpaceByte;
}

unsigned char FoldAscii(unsigned char byte) {
    return (byte >= 'A' && byte <= 'Z') ? static_cast<unsigned char>(byte + ('a' - 'A')) : byte;
}

bool EqualIgnoringAsciiCase(const char* a, const char* b, std::size_t length) {
    for (std::size_t i = 0; i < length; ++i) {
        if (FoldAscii(static_cast<unsigned char>(a[i])) !=
            FoldAscii(static_cast<unsigned char>(b[i]))) {
            return false;
        }
    }
    return true;
}

// The first occurrence of a non-empty `subtext` that begins on a character boundary at or
// after `from`, where `from` itself begins a character; kNotFound when none. Candidates are
// found with a byte search; a cursor that only moves forward checks that each one begins a
// character, so the whole search stays linear in the text.
std::size_t FindCharAligned(std::string_view text, std::string_view subtext, std::size_t from,
                            IgnoreCase ignoreCase) {
    const std::size_t length = subtext.size();
    if (from > text.size() || text.size() - from < length) {
        return kNotFound;
    }
    if (ignoreCase == IgnoreCase::Yes) {
        const std::size_t last = text.size() - length;
        const unsigned char first = FoldAscii(ByteAt(subtext, 0));
        for (std::size_t at = from; at <= last; at += CharLength(text, at)) {
            if (FoldAscii(ByteAt(text, at)) == first &&
                EqualIgnoringAsciiCase(text.data() + at, subtext.data(), length)) {
                return at;
            }
        }
        return kNotFound;
    }
    std::size_t cursor = from;
    while (true) {
        const std::size_t candidate = text.find(subtext, cursor);
        if (candidate == kNotFound) {
            return kNotFound;
        }
        while (cursor < candidate) {
            cursor += CharLength(text, cursor);
        }
        if (cursor == candidate) {
            return candidate;
        }
        // The candidate began on the second byte of a character: search on from the next one.
    }
}

int ToPosition(std::size_t index) {
    return static_cast<int>(index) + 1;
}

// Index of a 1-based start, where omitted and values <= 1 mean the first byte.
std::size_t StartIndex(std::optional<int> start) {
    return (start && *start > 1) ? static_cast<std::size_t>(*start) - 1 : 0;
}

Text WithoutPlaceholder(const Text& marker) {
    // "#引号" in GBK.
    static constexpr const char* kQuotePlaceholder = "\x23\xD2\xFD\xBA\xC5";
    return ReplaceSubtext(marker, Text(kQuotePlaceholder), Text("\""), std::nullopt, std::nullopt,
                          CaseSensitive::Yes);
}

}  // namespace

// Measuring and slicing ------------------------------------------------------------------

int TextLength(const Text& text) {
    return static_cast<int>(text.size());
}

Text LeftText(const Text& text, int n) {
    if (n <= 0) {
        return {};
    }
    return Text(text.view().substr(0, static_cast<std::size_t>(n)));
}

Text RightText(const Text& text, int n) {
    if (n <= 0) {
        return {};
    }
    const auto count = static_cast<std::size_t>(n);
    if (count >= text.size()) {
        return text;
    }
    return Text(text.view().substr(text.size() - count));
}

Text MidText(const Text& text, int start, int n) {
    if (start < 1 || static_cast<std::size_t>(start) > text.size() || n <= 0) {
        return {};
    }
    return Text(
        text.view().substr(static_cast<std::size_t>(start) - 1, static_cast<std::size_t>(n)));
}

// Searching ------------------------------------------------------------------------------

int FindText(const Text& text, const Text& subtext, std::optional<int> start,
             IgnoreCase ignoreCase) {
    const std::size_t from = StartIndex(start);
    if (from >= text.size()) {
        return -1;  // start past the end, or nothing to search
    }
    if (subtext.empty()) {
        return 1;
    }
    const std::size_t found = FindCharAligned(text.view(), subtext.view(), from, ignoreCase);
    return found == kNotFound ? -1 : ToPosition(found);
}

int FindText(const Text& text, const Text& subtext, IgnoreCase ignoreCase) {
    return FindText(text, subtext, std::nullopt, ignoreCase);
}

int FindTextReverse(const Text& text, const Text& subtext, std::optional<int> start,
                    IgnoreCase ignoreCase) {
    std::size_t limit = text.size();
    if (start) {
        if (*start <= 1) {
            return -1;
        }
        limit = std::min(limit, static_cast<std::size_t>(*start) - 1);
    }
    if (limit == 0) {
        return -1;
    }
    if (subtext.empty()) {
        return 1;
    }
    const std::string_view searched = text.view().substr(0, limit);
    std::size_t last = kNotFound;
    std::size_t from = 0;
    while (true) {
        const std::size_t found = FindCharAligned(searched, subtext.view(), from, ignoreCase);
        if (found == kNotFound) {
            break;
        }
        last = found;
        from = found + CharLength(searched, found);  // occurrences may overlap
    }
    return last == kNotFound ? -1 : ToPosition(last);
}

int FindTextReverse(const Text& text, const Text& subtext, IgnoreCase ignoreCase) {
    return FindTextReverse(text, subtext, std::nullopt, ignoreCase);
}

// Rewriting ------------------------------------------------------------------------------

Text ReplaceSubtext(const Text& text, const Text& subtext, const Text& replacement,
                    std::optional<int> start, std::optional<int> count,
                    CaseSensitive caseSensitive) {
    const std::size_t from = StartIndex(start);
    if (text.empty() || subtext.empty() || from >= text.size() || (count && *count == 0)) {
        return text;
    }
    const IgnoreCase ignoreCase =
        caseSensitive == CaseSensitive::Yes ? IgnoreCase::No : IgnoreCase::Yes;
    const std::string_view source = text.view();
    // A negative count never runs out, like an omitted one.
    long long remaining = (count && *count > 0) ? *count : -1;

    std::string result;
    result.reserve(source.size());
    std::size_t copiedUpTo = 0;
    std::size_t cursor = from;
    while (remaining != 0) {
        const std::size_t found = FindCharAligned(source, subtext.view(), cursor, ignoreCase);
        if (found == kNotFound) {
            break;
        }
        result.append(source.substr(copiedUpTo, found - copiedUpTo));
        result.append(replacement.view());
        copiedUpTo = cursor = found + subtext.size();
        if (remaining > 0) {
            --remaining;
        }
    }
    result.append(source.substr(copiedUpTo));
    return Text(std::move(result));
}

TextArray SplitText(const Text& text, const Text& delimiter, std::optional<int> count) {
    TextArray pieces;
    const std::size_t cap = count ? static_cast<std::size_t>(std::max(*count, 0))
                                  : std::numeric_limits<std::size_t>::max();
    if (text.empty() || cap == 0) {
        return pieces;
    }
    if (delimiter.empty()) {
        pieces.Append(text);
        return pieces;
    }
    const std::string_view source = text.view();
    std::size_t from = 0;
    while (static_cast<std::size_t>(pieces.Count()) < cap) {
        const std::size_t found = FindCharAligned(source, delimiter.view(), from, IgnoreCase::No);
        if (found == kNotFound) {
            if (from < source.size()) {
                pieces.Append(Text(source.substr(from)));
            }
            break;
        }
        pieces.Append(Text(source.substr(from, found - from)));
        from = found + delimiter.size();
    }
    return pieces;
}

Text TrimBoth(const Text& text) {
    const std::string_view source = text.view();
    std::size_t begin = kNotFound;  // first character that is not a space
    std::size_t lastStart = 0;      // the last character that is not a space
    std::size_t end = 0;            // just past it
    for (std::size_t at = 0; at < source.size();) {
        const std::size_t length = CharLength(source, at);
        if (!IsSpaceAt(source, at)) {
            if (begin == kNotFound) {
                begin = at;
            }
            lastStart = at;
            end = at + length;
        }
        at += length;
    }
    if (begin == kNotFound) {
        return {};
    }
    // The stray first byte stops the trailing trim and then goes itself.
    if (IsStrayLeadByte(source, lastStart)) {
        --end;
    }
    return Text(source.substr(begin, end - begin));
}

Text RemoveAllSpaces(const Text& text) {
    const std::string_view source = text.view();
    std::string result;
    result.reserve(source.size());
    std::size_t spanBegin = 0;
    std::size_t at = 0;
    while (at < source.size()) {
        const std::size_t length = CharLength(source, at);
        if (IsSpaceAt(source, at) || IsStrayLeadByte(source, at)) {
            result.append(source.substr(spanBegin, at - spanBegin));
            spanBegin = at + length;
        }
        at += length;
    }
    result.append(source.substr(spanBegin));
    return Text(std::move(result));
}

namespace {

template <typename Fold>
Text FoldSingleByteCharacters(const Text& text, Fold fold) {
    std::string result = text.str();
    for (std::size_t at = 0; at < result.size(); at += CharLength(result, at)) {
        result[at] = static_cast<char>(fold(static_cast<unsigned char>(result[at])));
    }
    return Text(std::move(result));
}

}  // namespace

Text ToUpperText(const Text& text) {
    return FoldSingleByteCharacters(text, [](unsigned char byte) {
        return (byte >= 'a' && byte <= 'z') ? static_cast<unsigned char>(byte - ('a' - 'A')) : byte;
    });
}

Text ToLowerText(const Text& text) {
    return FoldSingleByteCharacters(text, FoldAscii);
}

// Converting -----------------------------------------------------------------------------

namespace {

// The text with full-width forms folded to their ASCII partners, walking by characters.
std::string FoldFullWidth(std::string_view source) {
    std::string folded;
    folded.reserve(source.size());
    for (std::size_t at = 0; at < source.size();) {
        const std::size_t length = CharLength(source, at);
        if (length == 2) {
            const unsigned char lead = ByteAt(source, at);
            const unsigned char trail = ByteAt(source, at + 1);
            char single = 0;
            if (lead == 0xA3 && trail >= 0xA1 && trail <= 0xFE) {
                single = static_cast<char>(trail - 0x80);
            } else if (lead == 0xA1 && trail == 0xA1) {
                single = ' ';
            } else if (lead == 0xA1 && trail == 0xAB) {
                single = '~';
            } else if (lead == 0xA1 && (trail == 0xEE || trail == 0xEF)) {
                single = '*';
            }
            if (single != 0) {
                folded.push_back(single);
                at += 2;
                continue;
            }
        }
        folded.append(source.substr(at, length));
        at += length;
    }
    return folded;
}

}  // namespace

std::int32_t TextToInt(const Text& text) {
    const std::string folded = FoldFullWidth(text.view());
    std::size_t at = 0;
    while (at < folded.size() &&
           (folded[at] == ' ' || (folded[at] >= '\t' && folded[at] <= '\r'))) {
        ++at;
    }
    bool negative = false;
    if (at < folded.size() && (folded[at] == '+' || folded[at] == '-')) {
        negative = folded[at] == '-';
        ++at;
    }
    // Unsigned arithmetic wraps modulo 2^32 by definition; no overflow check by design.
    std::uint32_t value = 0;
    for (; at < folded.size() && folded[at] >= '0' && folded[at] <= '9'; ++at) {
        value = value * 10U + static_cast<std::uint32_t>(folded[at] - '0');
    }
    if (negative) {
        value = 0U - value;
    }
    return static_cast<std::int32_t>(value);
}

Text IntToText(std::int32_t value) {
    std::array<char, 16> digits{};
    const auto result = std::to_chars(digits.data(), digits.data() + digits.size(), value);
    return Text(
        std::string_view(digits.data(), static_cast<std::size_t>(result.ptr - digits.data())));
}

Text ToHexText(std::int32_t value) {
    static constexpr char kHexDigits[] = "0123456789ABCDEF";
    auto bits = static_cast<std::uint32_t>(value);
    std::array<char, 8> digits{};
    std::size_t first = digits.size();
    do {
        digits[--first] = kHexDigits[bits & 0xFU];
        bits >>= 4U;
    } while (bits != 0);
    return Text(std::string_view(digits.data() + first, digits.size() - first));
}

Text CharFromCode(std::int32_t code) {
    const char byte = static_cast<char>(static_cast<std::uint32_t>(code) & 0xFFU);
    return Text(std::string_view(&byte, 1));  // a 0 byte gives the empty text
}

Bytes TextToBytes(const Text& text) {
    return Bytes(text.view());
}

Text BytesToText(const Bytes& bytes) {
    return Text(bytes.view());
}

// Bytes ----------------------------------------------------------------------------------

int BytesLength(const Bytes& bytes) {
    return static_cast<int>(bytes.size());
}

Bytes LeftBytes(const Bytes& bytes, int n) {
    if (n <= 0) {
        return {};
    }
    return Bytes(bytes.view().substr(0, static_cast<std::size_t>(n)));
}

Bytes BlankBytes(int n) {
    if (n <= 0) {
        return {};
    }
    return Bytes(std::string(static_cast<std::size_t>(n), '\0'));
}

Text BlankText(int n) {
    if (n <= 0) {
        return {};
    }
    return Text(std::string(static_cast<std::size_t>(n), ' '));
}

// Text between markers -------------------------------------------------------------------

Text TextBetween(const Text& text, const Text& startMarker, const Text& endMarker,
                 std::optional<int> start, IgnoreCase ignoreCase) {
    const Text opening = WithoutPlaceholder(startMarker);
    const Text closing = WithoutPlaceholder(endMarker);
    const int opened = FindText(text, opening, start, ignoreCase);
    if (opened == -1) {
        return {};
    }
    const int from = opened + TextLength(opening);
    const int closed = FindText(text, closing, from, ignoreCase);
    if (closed == -1) {
        return {};
    }
    return MidText(text, from, closed - from);
}

}  // namespace talvex
