// The regex object: runs one regular expression over one GBK subject and hands out the matches
// and their capture groups as Text. Matches and groups count from 1; a failed call never
// raises, it gives false, 0 or the empty text.
//
// Thread confinement: an object belongs to the thread that made it and is never handed to
// another. Copies share the compiled pattern and the match results (both immutable once made)
// and hold their own copy of the subject.
#pragma once

#include <memory>

#include "text/primitives.h"
#include "text/types.h"

namespace talvex {

// Options of RegexObject::Create. Each is its own type so that arguments cannot be swapped;
// CaseSensitive (from text/primitives.h) selects exact matching.
enum class Multiline : bool { No = false, Yes = true };  // Yes: ^ and $ also match at line breaks
enum class Global : bool { No = false, Yes = true };     // Yes: every match, else the first only
enum class ExpandQuoteMarker : bool { No = false, Yes = true };  // Yes: "#引号" becomes a quote

class RegexObject {
  public:
    // Compiles `pattern` (case-insensitive, multi-line and global unless told otherwise) and
    // collects every match in `subject`, from left to right without overlaps. A dot never
    // matches CR or LF. True when the pattern compiled, also when nothing matched; false for a
    // pattern the engine rejects. Replaces everything an earlier Create left behind. A line on
    // which matching runs away yields no match; the scan goes on line by line after it, and
    // ends (keeping what it found) after 64 such lines.
    bool Create(const Text& pattern, const Text& subject,
                CaseSensitive caseSensitive = CaseSensitive::No,
                Multiline multiline = Multiline::Yes, Global global = Global::Yes,
                ExpandQuoteMarker expandQuoteMarker = ExpandQuoteMarker::No);

    // The pattern of the last Create, quote markers expanded; empty before the first Create.
    [[nodiscard]] Text GetPattern() const;

    // The subject with the matches of the last Create replaced by `replacement`, in which $1 to
    // $99 stand for a group, $& and $0 for the whole match, $` and $' for the text before and
    // after it, and $$ for a dollar sign. Empty before Create and after a rejected pattern.
    [[nodiscard]] Text Replace(const Text& replacement = Text()) const;

    // The number of matches of the last Create; 0 when it failed or never ran.
    [[nodiscard]] int MatchCount() const;

    // The text of match `index` (1 to MatchCount()); empty for any other index. When `position`
    // is given, it receives the 0-based byte offset of that text in the subject found by
    // searching from the match's UTF-16 offset taken as a byte position, or -2 when not found.
    [[nodiscard]] Text MatchText(int index, int* position = nullptr) const;

    // The text of capture group `submatchIndex` of match `matchIndex`, both from 1; empty for a
    // group that took no part in the match and for any index out of range. `position` as for
    // MatchText, searched from the offset of the whole match.
    [[nodiscard]] Text SubmatchText(int matchIndex, int submatchIndex,
                                    int* position = nullptr) const;

    // The number of capture groups in the pattern; 0 when there is no match.
    [[nodiscard]] int SubmatchCount() const;

  private:
    struct Engine;     // the expanded pattern and its compiled form
    struct MatchList;  // the offsets of every match and group found by the last Create

    [[nodiscard]] int PositionOf(const Text& found, int matchIndex) const;

    std::shared_ptr<const Engine> m_engine;
    std::shared_ptr<const MatchList> m_matches;
    WideBytes m_subject;  // the subject as ToWide made it from GBK, terminating zero unit included
};

}  // namespace talvex
