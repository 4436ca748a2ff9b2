// Conversions between GBK (code page 936), UTF-8 and UTF-16LE on ICU.
// Stateless and thread-safe: no converter is shared between threads.
#pragma once

#include <string_view>

#include "text/types.h"

namespace talvex {

inline constexpr int kCodePageAnsi = 0;  // the system ANSI code page: GBK here
inline constexpr int kCodePageGbk = 936;
inline constexpr int kCodePageUtf8 = 65001;
// Invalid input never stops a conversion: a bad sequence becomes U+FFFD towards UTF-16, and a
// character the target lacks becomes its substitute ("?" in GBK). A code page other than
// these three converts to nothing (ToWide gives the terminator alone).

// `text` in `codePage` as UTF-16LE units followed by exactly one zero unit.
[[nodiscard]] WideBytes ToWide(const Text& text, int codePage = kCodePageUtf8);
// The units of `wide` before its first zero unit, in `codePage`, cut at the first NUL.
[[nodiscard]] Text FromWide(const WideBytes& wide, int codePage = kCodePageAnsi);
// GBK text to UTF-8 bytes carried in a Text.
[[nodiscard]] Text AnsiToUtf8(const Text& text);
// UTF-8 bytes carried in a Text to GBK.
[[nodiscard]] Text Utf8ToAnsi(const Text& text);
// Every unit of `wide` (an odd last byte ignored) to GBK, composing a base character with the
// combining marks after it where GBK has the precomposed form; cut at the first NUL.
[[nodiscard]] Text WideToGbk(const WideBytes& wide);
// The same conversion over UTF-16 units held elsewhere (the regex object's subject).
[[nodiscard]] Text WideToGbk(std::u16string_view units);

}  // namespace talvex
