// Merging cookie lists. A cookie list is a Text of name=value pairs separated by ";"; the
// merged list separates them by "; " and holds no other spaces. Names and pairs compare byte
// for byte. All functions are pure apart from MergeCookies' two in/out arguments.
#pragma once

#include "text/types.h"

namespace talvex {

// Folds the pairs a response set (`returnedCookies`) into the caller's list (`cookies`): the
// returned pairs in their order, then the old pairs whose names they do not hold (the first of
// each name only), without pairs ending in "=deleted" and without exact repeats. Both
// variables lose their spaces; `cookies` receives the merged list, which is also returned.
Text MergeCookies(Text& cookies, Text& returnedCookies);

// The bytes before the first "=" (the whole pair without one), trimmed of spaces.
[[nodiscard]] Text CookieName(const Text& pair);

// True when an element of `list` has the cookie name `name`.
[[nodiscard]] bool HasCookieName(const TextArray& list, const Text& name);

// The pieces of `text` cut at `delimiter`, each kept only at its first occurrence, joined by
// `delimiter` again.
[[nodiscard]] Text RemoveDuplicates(const Text& text, const Text& delimiter);

// The 1-based index of the first element equal to `text`; -1 when none is.
[[nodiscard]] int IndexOfText(const TextArray& list, const Text& text);

}  // namespace talvex
