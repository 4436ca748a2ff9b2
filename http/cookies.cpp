#include "http/cookies.h"

#include <string>
#include <unordered_set>

#include "text/primitives.h"

namespace talvex {
namespace {

bool EndsWithDeleted(const Text& pair) {
    return RightText(pair, 8) == Text("=deleted");
}

}  // namespace

Text MergeCookies(Text& cookies, Text& returnedCookies) {
    cookies = RemoveAllSpaces(cookies);
    returnedCookies = RemoveAllSpaces(returnedCookies);
    const TextArray oldPairs = SplitText(cookies, ";");
    TextArray merged = SplitText(returnedCookies, ";");

    // The names in the merged list, kept alongside it so the walk stays linear.
    std::unordered_set<std::string> mergedNames;
    for (const Text& pair : merged.elements()) {
        mergedNames.insert(CookieName(pair).str());
    }
    for (const Text& pair : oldPairs.elements()) {
        if (mergedNames.insert(CookieName(pair).str()).second) {
            merged.Append(pair);
        }
    }

    std::string joined;
    for (const Text& pair : merged.elements()) {
        if (!EndsWithDeleted(pair)) {
            joined.append(pair.view()).append("; ");
        }
    }
    const Text list(std::move(joined));
    cookies = RemoveDuplicates(LeftText(list, TextLength(list) - 2), "; ");
    return cookies;
}

Text CookieName(const Text& pair) {
    const int equals = FindText(pair, "=");
    if (equals == -1) {
        return TrimBoth(pair);
    }
    return TrimBoth(LeftText(pair, equals - 1));
}

bool HasCookieName(const TextArray& list, const Text& name) {
    for (const Text& pair : list.elements()) {
        if (CookieName(pair) == name) {
            return true;
        }
    }
    return false;
}

Text RemoveDuplicates(const Text& text, const Text& delimiter) {
    std::unordered_set<std::string> seen;
    std::string output;
    const TextArray pieces = SplitText(text, delimiter);
    for (const Text& piece : pieces.elements()) {
        if (seen.insert(piece.str()).second) {
            output.append(piece.view()).append(delimiter.view());
        }
    }
    const Text joined(std::move(output));
    return LeftText(joined, TextLength(joined) - TextLength(delimiter));
}

int IndexOfText(const TextArray& list, const Text& text) {
    for (int index = 1; index <= list.Count(); ++index) {
        if (list[index] == text) {
            return index;
        }
    }
    return -1;
}

}  // namespace talvex
