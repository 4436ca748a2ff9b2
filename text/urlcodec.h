// Percent-encoding of keywords and percent-decoding of fetched pages.
#pragma once

#include "text/types.h"

namespace talvex {

enum class KeepPlain : bool { No = false, Yes = true };  // Yes keeps - . 0-9 A-Z a-z unescaped
enum class ToUtf8 : bool { No = false, Yes = true };     // Yes encodes the UTF-8 form
enum class FromUtf8 : bool { No = false, Yes = true };   // Yes converts the decoded bytes to GBK

// Every byte as %XX (upper-case hex) unless kept plain; pure ASCII.
[[nodiscard]] Text UrlEncode(const Text& text, KeepPlain keepPlain = KeepPlain::No,
                             ToUtf8 toUtf8 = ToUtf8::No);
// Resolves every %XX (hex digits in either case; %00 adds nothing). A "%" not followed by two
// hex digits is kept as it is. "+" stays "+".
[[nodiscard]] Text UrlDecode(const Text& text, FromUtf8 fromUtf8 = FromUtf8::No);

}  // namespace talvex
