// Plain byte-walk references for the searches and rewrites of text/primitives: slow, obvious
// loops written straight from the rules, for the fuzz targets to compare against.
#pragma once

#include <algorithm>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace talvex::fuzz {

inline unsigned char ByteAt(std::string_view text, std::size_t index) {
    return static_cast<unsigned char>(text[index]);
}

// One character from `index`: two bytes from a byte of 0x80 or more, else one.
inline std::size_t CharLength(std::string_view text, std::size_t index) {
    return ByteAt(text, index) >= 0x80 ? 2 : 1;
}

inline unsigned char FoldAscii(unsigned char byte) {
    return (byte >= 'A' && byte <= 'Z') ? static_cast<unsigned char>(byte + 0x20) : byte;
}

inline bool MatchesAt(std::string_view text, std::size_t index, std::string_view subtext,
                      bool ignoreCase) {
    if (index + subtext.size() > text.size()) {
        return false;
    }
    for (std::size_t k = 0; k < subtext.size(); ++k) {
        unsigned char a = ByteAt(text, index + k);
        unsigned char b = ByteAt(subtext, k);
        if (ignoreCase ? FoldAscii(a) != FoldAscii(b) : a != b) {
            return false;
        }
    }
    return true;
}

inline int FindReference(std::string_view text, std::string_view subtext, std::optional<int> start,
                         bool ignoreCase) {
    const long first = (!start || *start <= 1) ? 1 : *start;
    if (first > static_cast<long>(text.size())) {
        return -1;
    }
    if (subtext.empty()) {
        return 1;  // the searched part, from `first` to the end, is non-empty here
    }
    for (std::size_t i = static_cast<std::size_t>(first - 1); i < text.size();
         i += CharLength(text, i)) {
        if (MatchesAt(text, i, subtext, ignoreCase)) {
            return static_cast<int>(i + 1);
        }
    }
    return -1;
}

inline int FindReverseReference(std::string_view text, std::string_view subtext,
                                std::optional<int> start, bool ignoreCase) {
    std::size_t limit = text.size();
    if (start) {
        if (*start <= 1) {
            return -1;
        }
        limit = std::min(limit, static_cast<std::size_t>(*start - 1));
    }
    if (subtext.empty()) {
        return limit > 0 ? 1 : -1;
    }
    int last = -1;
    for (std::size_t i = 0; i < limit; i += CharLength(text, i)) {
        if (i + subtext.size() <= limit && MatchesAt(text, i, subtext, ignoreCase)) {
            last = static_cast<int>(i + 1);
        }
    }
    return last;
}

// `count` below 0 is left to the caller: the reference knows only "all" and "at most n >= 0".
inline std::string ReplaceReference(std::string_view text, std::string_view subtext,
                                    std::string_view replacement, std::optional<int> start,
                                    std::optional<int> count, bool exact) {
    const long first = (!start || *start < 1) ? 1 : *start;
    if (text.empty() || subtext.empty() || first > static_cast<long>(text.size()) ||
        (count && *count == 0)) {
        return std::string(text);
    }
    std::string out(text.substr(0, static_cast<std::size_t>(first - 1)));
    std::size_t i = static_cast<std::size_t>(first - 1);
    int replaced = 0;
    while (i < text.size()) {
        if ((count && replaced == *count) || text.size() - i < subtext.size()) {
            out.append(text.substr(i));
            break;
        }
        if (MatchesAt(text, i, subtext, !exact)) {
            out.append(replacement);
            i += subtext.size();
            ++replaced;
        } else {
            const std::size_t n = std::min(CharLength(text, i), text.size() - i);
            out.append(text.substr(i, n));
            i += n;
        }
    }
    return out;
}

inline std::vector<std::string> SplitReference(std::string_view text, std::string_view delimiter,
                                               std::optional<int> count) {
    std::vector<std::string> pieces;
    if (text.empty() || (count && *count <= 0)) {
        return pieces;
    }
    if (delimiter.empty()) {
        pieces.emplace_back(text);
        return pieces;
    }
    std::size_t pieceStart = 0;
    std::size_t i = 0;
    while (i < text.size()) {
        if (MatchesAt(text, i, delimiter, false)) {
            pieces.emplace_back(text.substr(pieceStart, i - pieceStart));
            if (count && static_cast<int>(pieces.size()) == *count) {
                return pieces;
            }
            i += delimiter.size();
            pieceStart = i;
        } else {
            i += CharLength(text, i);
        }
    }
    if (pieceStart < text.size()) {
        pieces.emplace_back(text.substr(pieceStart));
    }
    return pieces;
}

// The quote placeholder of the markers, "#引号" in GBK.
inline constexpr std::string_view kQuotePlaceholder = "#\xD2\xFD\xBA\xC5";

inline std::string BetweenReference(std::string_view text, std::string_view startMarker,
                                    std::string_view endMarker, std::optional<int> start,
                                    bool ignoreCase) {
    const std::string open =
        ReplaceReference(startMarker, kQuotePlaceholder, "\"", std::nullopt, std::nullopt, true);
    const std::string close =
        ReplaceReference(endMarker, kQuotePlaceholder, "\"", std::nullopt, std::nullopt, true);
    const int p = FindReference(text, open, start, ignoreCase);
    if (p == -1) {
        return {};
    }
    const int from = p + static_cast<int>(open.size());
    const int q = FindReference(text, close, from, ignoreCase);
    // An empty end marker is found at 1, before `from`: MidText of a negative length is empty.
    if (q == -1 || q <= from) {
        return {};
    }
    return std::string(
        text.substr(static_cast<std::size_t>(from - 1), static_cast<std::size_t>(q - from)));
}

}  // namespace talvex::fuzz
