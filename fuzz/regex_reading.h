// Reads everything a regex object holds after Create, the way the flows and the tests do, and
// checks that each answer is well formed.
#pragma once

#include "fuzz/check.h"
#include "regex/regex_object.h"
#include "text/codepage.h"

namespace talvex::fuzz {

// A position is -2 (not found) or an offset at which the found text fits in the subject as the
// object sees it (the GBK form of its UTF-16 subject).
inline bool IsPlausiblePosition(int position, const Text& found, const Text& seenSubject) {
    return position == -2 || (position >= 0 && static_cast<std::size_t>(position) + found.size() <=
                                                   seenSubject.size());
}

inline void ReadEverything(const RegexObject& regex, const Text& subject) {
    const Text seenSubject = WideToGbk(ToWide(subject, kCodePageGbk));
    const int matches = regex.MatchCount();
    const int groups = regex.SubmatchCount();
    FUZZ_REQUIRE(matches >= 0 && groups >= 0);
    // Every match but an empty one takes at least one character of the subject.
    FUZZ_REQUIRE(static_cast<std::size_t>(matches) <= seenSubject.size() + 1);
    FUZZ_REQUIRE(matches > 0 || groups == 0);
    for (int i = 1; i <= matches; ++i) {
        int position = -7;
        const Text match = regex.MatchText(i, &position);
        FUZZ_REQUIRE(HoldsNoNul(match));
        FUZZ_REQUIRE(IsPlausiblePosition(position, match, seenSubject));
        FUZZ_REQUIRE(match == regex.MatchText(i));
        for (int g = 1; g <= groups; ++g) {
            int groupPosition = -7;
            const Text group = regex.SubmatchText(i, g, &groupPosition);
            FUZZ_REQUIRE(HoldsNoNul(group));
            FUZZ_REQUIRE(IsPlausiblePosition(groupPosition, group, seenSubject));
        }
        FUZZ_REQUIRE(regex.SubmatchText(i, 0).empty());
        FUZZ_REQUIRE(regex.SubmatchText(i, groups + 1).empty());
    }
    FUZZ_REQUIRE(regex.MatchText(0).empty());
    FUZZ_REQUIRE(regex.MatchText(matches + 1).empty());
    FUZZ_REQUIRE(regex.MatchText(-1).empty());
    FUZZ_REQUIRE(regex.SubmatchText(matches + 1, 1).empty());
}

}  // namespace talvex::fuzz
