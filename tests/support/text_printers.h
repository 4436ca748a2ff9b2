// Readable failure messages for Text and Bytes in GoogleTest: the bytes in quotes, control
// and non-ASCII bytes escaped, long values cut after their first 300 bytes.
#pragma once

#include <cstdio>
#include <ostream>
#include <string_view>

#include "text/types.h"

namespace talvex {

inline void PrintEscaped(std::string_view bytes, std::ostream* out) {
    constexpr std::size_t kShown = 300;
    *out << '"';
    for (const char c : bytes.substr(0, kShown)) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\r') {
            *out << "\\r";
        } else if (c == '\n') {
            *out << "\\n";
        } else if (c == '"' || c == '\\') {
            *out << '\\' << c;
        } else if (byte < 0x20 || byte >= 0x7F) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
            *out << escaped;
        } else {
            *out << c;
        }
    }
    *out << '"';
    if (bytes.size() > kShown) {
        *out << "... (" << bytes.size() << " bytes)";
    }
}

inline void PrintTo(const Text& text, std::ostream* out) {
    PrintEscaped(text.view(), out);
}

inline void PrintTo(const Bytes& bytes, std::ostream* out) {
    PrintEscaped(bytes.view(), out);
}

}  // namespace talvex
