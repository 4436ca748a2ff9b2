// Helpers shared by the text tests: readable byte dumps for failure messages.
#pragma once

#include <string>
#include <string_view>

namespace talvex::testing {

// The bytes as space-separated upper-case hex pairs, e.g. "D6 D0 41".
inline std::string HexBytes(std::string_view bytes) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string out;
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (!out.empty()) {
            out.push_back(' ');
        }
        out.push_back(kDigits[byte >> 4U]);
        out.push_back(kDigits[byte & 0xFU]);
    }
    return out;
}

}  // namespace talvex::testing
