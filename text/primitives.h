// Text and byte primitives: measuring, slicing, searching, rewriting and converting GBK text,
// and cutting text out between two markers. Positions are 1-based bytes; -1 is "not found".
// Searches and rewrites walk GBK characters (a byte >= 0x80 begins a two-byte character);
// case folding touches ASCII letters only. All functions are pure and thread-safe.
#pragma once

#include <cstdint>
#include <optional>

#include "text/types.h"

namespace talvex {

// The two case flags run in opposite senses; distinct types make a mix-up a compile error.
enum class IgnoreCase : bool { No = false, Yes = true };     // searches: Yes = case-insensitive
enum class CaseSensitive : bool { No = false, Yes = true };  // replacement: Yes = exact

// Measuring and slicing ------------------------------------------------------------------

[[nodiscard]] int TextLength(const Text& text);
// The first n bytes; n <= 0 gives the empty text, n past the end the whole text.
[[nodiscard]] Text LeftText(const Text& text, int n);
// The last n bytes, under the same rules as LeftText.
[[nodiscard]] Text RightText(const Text& text, int n);
// n bytes from 1-based `start`, clipped at the end; empty when start < 1, when start is past
// the end, or when n <= 0.
[[nodiscard]] Text MidText(const Text& text, int start, int n);

// The parts joined in order.
template <typename... Parts>
[[nodiscard]] Text ConcatText(const Parts&... parts) {
    std::string joined;
    joined.reserve((std::size_t{0} + ... + parts.size()));
    (joined.append(parts.view()), ...);
    return Text(std::move(joined));
}

// Searching ------------------------------------------------------------------------------

// Position of the first `subtext` beginning at or after `start` (omitted or <= 1: the first
// byte); -1 when none or when start is past the end. An empty subtext gives 1 when the
// searched part is non-empty, else -1.
[[nodiscard]] int FindText(const Text& text, const Text& subtext, std::optional<int> start,
                           IgnoreCase ignoreCase);
[[nodiscard]] int FindText(const Text& text, const Text& subtext,
                           IgnoreCase ignoreCase = IgnoreCase::No);

// Position of the last `subtext` lying wholly within the first start - 1 bytes (omitted: the
// whole text; start <= 1: -1). Occurrences may overlap.
[[nodiscard]] int FindTextReverse(const Text& text, const Text& subtext, std::optional<int> start,
                                  IgnoreCase ignoreCase);
[[nodiscard]] int FindTextReverse(const Text& text, const Text& subtext,
                                  IgnoreCase ignoreCase = IgnoreCase::No);

// Rewriting ------------------------------------------------------------------------------

// Replaces up to `count` (omitted: all) non-overlapping occurrences of `subtext` at or after
// `start` (omitted or < 1: 1) by `replacement`. Unchanged when text or subtext is empty,
// start is past the end, or count is 0.
[[nodiscard]] Text ReplaceSubtext(const Text& text, const Text& subtext, const Text& replacement,
                                  std::optional<int> start, std::optional<int> count,
                                  CaseSensitive caseSensitive);

// Cuts `text` at each exact `delimiter`. A trailing delimiter yields no empty last element;
// an empty text no element; an empty delimiter the whole text. `count` caps the elements
// (<= 0: none).
[[nodiscard]] TextArray SplitText(const Text& text, const Text& delimiter,
                                  std::optional<int> count = std::nullopt);

// Without leading and trailing spaces (0x20 and A1 A1); a stray lead byte at the end goes too.
[[nodiscard]] Text TrimBoth(const Text& text);
// Without any space (0x20, A1 A1 where it begins a character); a stray lead byte at the end goes.
[[nodiscard]] Text RemoveAllSpaces(const Text& text);
[[nodiscard]] Text ToUpperText(const Text& text);
[[nodiscard]] Text ToLowerText(const Text& text);

// Converting -----------------------------------------------------------------------------

// Folds full-width forms, skips leading white space, reads an optional sign and decimal
// digits; no digits gives 0; the value wraps modulo 2^32.
[[nodiscard]] std::int32_t TextToInt(const Text& text);
[[nodiscard]] Text IntToText(std::int32_t value);
// Upper-case hexadecimal of the value read as unsigned 32-bit, no leading zeros.
[[nodiscard]] Text ToHexText(std::int32_t value);
// The one-byte text of the low 8 bits of `code`; empty when those bits are 0.
[[nodiscard]] Text CharFromCode(std::int32_t code);
[[nodiscard]] Bytes TextToBytes(const Text& text);
// The bytes up to the first 0 byte.
[[nodiscard]] Text BytesToText(const Bytes& bytes);

// Bytes ----------------------------------------------------------------------------------

[[nodiscard]] int BytesLength(const Bytes& bytes);
// The first n bytes, n clipped to 0..length.
[[nodiscard]] Bytes LeftBytes(const Bytes& bytes, int n);
template <typename... Parts>
[[nodiscard]] Bytes ConcatBytes(const Parts&... parts) {
    std::string joined;
    joined.reserve((std::size_t{0} + ... + parts.size()));
    (joined.append(parts.view()), ...);
    return Bytes(std::move(joined));
}
// n zero bytes; empty when n <= 0.
[[nodiscard]] Bytes BlankBytes(int n);
// n spaces; empty when n <= 0.
[[nodiscard]] Text BlankText(int n);

// Text between markers -------------------------------------------------------------------

// The bytes strictly between the first `startMarker` (searched from `start`) and the next
// `endMarker` after it; the empty text when either is missing. "#引号" in a marker stands
// for a double quote.
[[nodiscard]] Text TextBetween(const Text& text, const Text& startMarker, const Text& endMarker,
                               std::optional<int> start = std::nullopt,
                               IgnoreCase ignoreCase = IgnoreCase::No);

}  // namespace talvex
