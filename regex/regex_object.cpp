#include "regex/regex_object.h"

#include <algorithm>
#include <bit>
#include <climits>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

#include "text/codepage.h"

#define PCRE2_CODE_UNIT_WIDTH 16
#include <pcre2.h>

namespace talvex {
namespace {

static_assert(std::endian::native == std::endian::little, "WideBytes hold UTF-16LE units");
static_assert(sizeof(char16_t) == sizeof(PCRE2_UCHAR));

// A subject on which matching runs away (nested lazy quantifiers over a long line) must end the
// scan instead of running for minutes. The match limit counts backtracking steps of one search;
// a real result page needs a small fraction of it per match. The depth and heap limits bound
// the interpreter's memory; the JIT keeps to its own stack.
constexpr std::uint32_t kMatchLimit = 1'000'000;
constexpr std::uint32_t kDepthLimit = 100'000;
constexpr std::uint32_t kHeapLimitKib = 64 * 1024;
// How many runaway lines one scan may meet before it ends.
constexpr int kMaxRunaways = 64;

// "#引号" in GBK: the placeholder a pattern may use for a double quote.
constexpr const char* kQuoteMarker = "#\xD2\xFD\xBA\xC5";

struct CodeFree {
    void operator()(pcre2_code* code) const { pcre2_code_free(code); }
};
struct CompileContextFree {
    void operator()(pcre2_compile_context* context) const { pcre2_compile_context_free(context); }
};
struct MatchContextFree {
    void operator()(pcre2_match_context* context) const { pcre2_match_context_free(context); }
};
struct MatchDataFree {
    void operator()(pcre2_match_data* data) const { pcre2_match_data_free(data); }
};
using CodePtr = std::unique_ptr<pcre2_code, CodeFree>;
using CompileContextPtr = std::unique_ptr<pcre2_compile_context, CompileContextFree>;
using MatchContextPtr = std::unique_ptr<pcre2_match_context, MatchContextFree>;
using MatchDataPtr = std::unique_ptr<pcre2_match_data, MatchDataFree>;

PCRE2_SPTR Units(std::u16string_view text) {
    return reinterpret_cast<PCRE2_SPTR>(text.data());
}

// The UTF-16 units of a WideBytes that ToWide made, without its terminating zero unit. They are
// read in place: copying a page of many megabytes would cost as much as converting it.
std::u16string_view UnitsOf(const WideBytes& wide) {
    const std::size_t units = wide.size() / 2;
    return {reinterpret_cast<const char16_t*>(wide.data()), units > 0 ? units - 1 : 0};
}

// The units of the subject and of the pattern all come from GBK text, and GBK has no combining
// marks, so WideToGbk gives the same bytes here as a plain conversion would.
Text ToText(std::u16string_view units) {
    return WideToGbk(units);
}

bool IsHighSurrogate(char16_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}
bool IsLowSurrogate(char16_t unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

// The offset one character after `offset`. A CRLF counts as one character, since it is one
// line break for the engine, and so does a surrogate pair.
std::size_t NextCharacter(std::u16string_view subject, std::size_t offset) {
    if (offset + 1 < subject.size()) {
        const char16_t unit = subject[offset];
        const char16_t next = subject[offset + 1];
        if ((unit == u'\r' && next == u'\n') || (IsHighSurrogate(unit) && IsLowSurrogate(next))) {
            return offset + 2;
        }
    }
    return offset + 1;
}

CodePtr Compile(std::u16string_view pattern, CaseSensitive caseSensitive, Multiline multiline) {
    const CompileContextPtr context(pcre2_compile_context_create(nullptr));
    if (!context) {
        return nullptr;
    }
    // ANYCRLF: a dot stops at LF, at CR and at CRLF, so a title split over lines never matches.
    pcre2_set_newline(context.get(), PCRE2_NEWLINE_ANYCRLF);
    // Without multi-line mode $ matches only at the very end, not before a final line break.
    std::uint32_t options = PCRE2_UTF | PCRE2_DOLLAR_ENDONLY;
    if (caseSensitive == CaseSensitive::No) {
        options |= PCRE2_CASELESS;
    }
    if (multiline == Multiline::Yes) {
        options |= PCRE2_MULTILINE;
    }
    int error = 0;
    PCRE2_SIZE errorOffset = 0;
    CodePtr code(pcre2_compile(Units(pattern), pattern.size(), options, &error, &errorOffset,
                               context.get()));
    if (code) {
        // Where the JIT is unavailable this fails and the interpreter runs instead.
        pcre2_jit_compile(code.get(), PCRE2_JIT_COMPLETE);
    }
    return code;
}

}  // namespace

struct RegexObject::Engine {
    WideBytes pattern;  // after quote-marker expansion
    CodePtr code;       // empty when the engine rejected the pattern
};

// Per match, the start and end offset (UTF-16 units) of the whole match and then of each group;
// both are PCRE2_UNSET for a group that took no part.
struct RegexObject::MatchList {
    std::size_t groupCount = 0;
    std::vector<PCRE2_SIZE> offsets;

    [[nodiscard]] std::size_t Stride() const { return 2 * (groupCount + 1); }
    [[nodiscard]] int Count() const { return static_cast<int>(offsets.size() / Stride()); }
    [[nodiscard]] bool HasMatch(int index) const { return index >= 1 && index <= Count(); }
    // Start and end of group `group` (0: the whole match) of match `index`, which must exist.
    [[nodiscard]] const PCRE2_SIZE* Span(int index, std::size_t group) const {
        return &offsets[(static_cast<std::size_t>(index) - 1) * Stride() + 2 * group];
    }
};

namespace {

// Every match of `code` in `subject` from left to right, each search going on where the
// previous match ended; only the first unless `global`. An error of the engine (a limit
// reached) ends the scan and keeps what was found before it.
// True for the errors by which the engine gives up on a search that ran away.
bool RanAway(int result) {
    return result == PCRE2_ERROR_MATCHLIMIT || result == PCRE2_ERROR_DEPTHLIMIT ||
           result == PCRE2_ERROR_HEAPLIMIT || result == PCRE2_ERROR_JIT_STACKLIMIT;
}

// The offset of the first CR or LF at or after `offset`, or the subject's end.
std::size_t LineEnd(std::u16string_view subject, std::size_t offset) {
    const std::size_t end = subject.find_first_of(u"\r\n", offset);
    return end == std::u16string_view::npos ? subject.size() : end;
}

// The offset where the line after the one ending at `lineEnd` begins (CR LF is one break).
std::size_t NextLine(std::u16string_view subject, std::size_t lineEnd) {
    if (lineEnd + 1 < subject.size() && subject[lineEnd] == u'\r' &&
        subject[lineEnd + 1] == u'\n') {
        return lineEnd + 2;
    }
    return lineEnd + 1;
}

void CollectMatches(const pcre2_code& code, std::u16string_view subject, Global global,
                    std::vector<PCRE2_SIZE>& offsets, std::size_t groupCount) {
    const MatchDataPtr data(
        pcre2_match_data_create(static_cast<std::uint32_t>(groupCount + 1), nullptr));
    const MatchContextPtr context(pcre2_match_context_create(nullptr));
    if (!data || !context) {
        return;
    }
    pcre2_set_match_limit(context.get(), kMatchLimit);
    pcre2_set_depth_limit(context.get(), kDepthLimit);
    pcre2_set_heap_limit(context.get(), kHeapLimitKib);

    const std::size_t pairs = groupCount + 1;
    // The first search checks the whole subject for valid UTF-16. Without PCRE2_NO_UTF_CHECK
    // every later search would check the rest of the subject again: quadratic on a big page.
    std::uint32_t options = 0;
    // Once a search has run away, the scan goes on one line at a time: a runaway line then
    // costs only itself, and the lines after it are still searched. After kMaxRunaways such
    // lines the scan ends, so a page made of them costs a bounded amount of work.
    bool lineByLine = false;
    int runaways = 0;
    std::size_t start = 0;
    while (start <= subject.size()) {
        const std::size_t end = lineByLine ? LineEnd(subject, start) : subject.size();
        const int found =
            pcre2_match(&code, Units(subject), end, start, options, data.get(), context.get());
        options = PCRE2_NO_UTF_CHECK;
        if (found <= 0) {
            if (RanAway(found) && !lineByLine) {
                lineByLine = true;
                continue;  // the same start again, within its own line this time
            }
            if (RanAway(found) && ++runaways >= kMaxRunaways) {
                break;
            }
            if (!lineByLine || end >= subject.size()) {
                break;
            }
            start = NextLine(subject, end);
            continue;
        }
        const PCRE2_SIZE* ovector = pcre2_get_ovector_pointer(data.get());
        const std::size_t set = std::min(static_cast<std::size_t>(found), pairs);
        offsets.insert(offsets.end(), ovector, ovector + 2 * set);
        offsets.insert(offsets.end(), 2 * (pairs - set), PCRE2_UNSET);
        if (global == Global::No) {
            break;
        }
        // After an empty match the next search begins one character further on.
        start = ovector[1] > ovector[0] ? ovector[1] : NextCharacter(subject, ovector[1]);
    }
}

}  // namespace

bool RegexObject::Create(const Text& pattern, const Text& subject, CaseSensitive caseSensitive,
                         Multiline multiline, Global global, ExpandQuoteMarker expandQuoteMarker) {
    m_engine.reset();
    m_matches.reset();

    auto engine = std::make_shared<Engine>();
    const Text expanded = expandQuoteMarker == ExpandQuoteMarker::Yes
                              ? ReplaceSubtext(pattern, kQuoteMarker, "\"", std::nullopt,
                                               std::nullopt, CaseSensitive::Yes)
                              : pattern;
    engine->pattern = ToWide(expanded, kCodePageAnsi);
    engine->code = Compile(UnitsOf(engine->pattern), caseSensitive, multiline);
    m_subject = ToWide(subject, kCodePageGbk);

    if (engine->code) {
        auto matches = std::make_shared<MatchList>();
        std::uint32_t captureCount = 0;
        pcre2_pattern_info(engine->code.get(), PCRE2_INFO_CAPTURECOUNT, &captureCount);
        matches->groupCount = captureCount;
        CollectMatches(*engine->code, UnitsOf(m_subject), global, matches->offsets,
                       matches->groupCount);
        m_matches = std::move(matches);
    }
    m_engine = std::move(engine);
    return m_matches != nullptr;
}

Text RegexObject::GetPattern() const {
    return m_engine ? ToText(UnitsOf(m_engine->pattern)) : Text();
}

Text RegexObject::Replace(const Text& replacement) const {
    if (!m_matches) {
        return Text();
    }
    const std::u16string_view subject = UnitsOf(m_subject);
    const WideBytes replacementWide = ToWide(replacement, kCodePageAnsi);
    const std::u16string_view units = UnitsOf(replacementWide);
    const std::size_t groupCount = m_matches->groupCount;
    std::u16string result;
    result.reserve(subject.size());
    std::size_t copied = 0;
    for (int index = 1; index <= m_matches->Count(); ++index) {
        const PCRE2_SIZE* match = m_matches->Span(index, 0);
        result.append(subject.substr(copied, match[0] - copied));
        const auto appendGroup = [&](std::size_t group) {
            const PCRE2_SIZE* span = m_matches->Span(index, group);
            if (span[0] != PCRE2_UNSET) {
                result.append(subject.substr(span[0], span[1] - span[0]));
            }
        };
        for (std::size_t i = 0; i < units.size(); ++i) {
            const char16_t unit = units[i];
            const char16_t next = i + 1 < units.size() ? units[i + 1] : u'\0';
            if (unit != u'$' || next == u'\0') {
                result.push_back(unit);
                continue;
            }
            if (next == u'$') {
                result.push_back(u'$');
                ++i;
            } else if (next == u'&') {
                appendGroup(0);
                ++i;
            } else if (next == u'`') {
                result.append(subject.substr(0, match[0]));
                ++i;
            } else if (next == u'\'') {
                result.append(subject.substr(match[1]));
                ++i;
            } else if (next >= u'0' && next <= u'9') {
                // Two digits when they name an existing group, else one; $0 is the whole match.
                const std::size_t first = static_cast<std::size_t>(next - u'0');
                const char16_t after = i + 2 < units.size() ? units[i + 2] : u'\0';
                const bool afterIsDigit = after >= u'0' && after <= u'9';
                const std::size_t both =
                    afterIsDigit ? first * 10 + static_cast<std::size_t>(after - u'0') : 0;
                if (both >= 1 && both <= groupCount) {
                    appendGroup(both);
                    i += 2;
                } else if (first <= groupCount) {
                    appendGroup(first);
                    ++i;
                } else {
                    result.push_back(unit);  // a group the pattern lacks: the text stays as written
                }
            } else {
                result.push_back(unit);
            }
        }
        copied = match[1];
    }
    result.append(subject.substr(std::min(copied, subject.size())));
    return ToText(result);
}

int RegexObject::MatchCount() const {
    return m_matches ? m_matches->Count() : 0;
}

Text RegexObject::MatchText(int index, int* position) const {
    Text found;
    if (m_matches && m_matches->HasMatch(index)) {
        const PCRE2_SIZE* span = m_matches->Span(index, 0);
        found = ToText(UnitsOf(m_subject).substr(span[0], span[1] - span[0]));
    }
    if (position) {
        *position = PositionOf(found, index);
    }
    return found;
}

Text RegexObject::SubmatchText(int matchIndex, int submatchIndex, int* position) const {
    Text found;
    if (m_matches && m_matches->HasMatch(matchIndex) && submatchIndex >= 1 &&
        static_cast<std::size_t>(submatchIndex) <= m_matches->groupCount) {
        const PCRE2_SIZE* span =
            m_matches->Span(matchIndex, static_cast<std::size_t>(submatchIndex));
        if (span[0] != PCRE2_UNSET) {
            found = ToText(UnitsOf(m_subject).substr(span[0], span[1] - span[0]));
        }
    }
    if (position) {
        // The engine gives no offset for a single group: search from the match's own offset.
        *position = PositionOf(found, matchIndex);
    }
    return found;
}

int RegexObject::SubmatchCount() const {
    return m_matches && m_matches->Count() > 0 ? static_cast<int>(m_matches->groupCount) : 0;
}

// The 0-based byte offset of `found` in the subject, -2 when absent. The search starts at the
// match's offset in UTF-16 units read as a 1-based byte position: at or before the match's own
// byte offset, since every character before it takes at least one byte. A missing match counts
// as offset 0, a search from the beginning. The comparison is exact.
int RegexObject::PositionOf(const Text& found, int matchIndex) const {
    const Text subject = ToText(UnitsOf(m_subject));
    std::size_t firstIndex = 0;
    if (m_matches && m_matches->HasMatch(matchIndex)) {
        firstIndex = m_matches->Span(matchIndex, 0)[0];
    }
    const int start = static_cast<int>(std::min<std::size_t>(firstIndex, INT_MAX));
    return FindText(subject, found, start, IgnoreCase::No) - 1;
}

}  // namespace talvex
