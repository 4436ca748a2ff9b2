// The URL percent codec: UrlDecode undoes UrlEncode on any Text, and arbitrary input decodes
// exactly as the byte-walk reference says.
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz/check.h"
#include "text/codepage.h"
#include "text/urlcodec.h"

namespace {

using namespace talvex;
using namespace talvex::fuzz;

int HexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

std::string DecodeReference(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 &&
            HexValue(text[i + 2]) >= 0) {
            const char byte = static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]));
            if (byte != '\0') {
                out.push_back(byte);
            }
            i += 2;
        } else {
            out.push_back(text[i]);
        }
    }
    return out;
}

bool IsPlain(char c) {
    return c == '-' || c == '.' || (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') ||
           (c >= 'a' && c <= 'z');
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const Text text(std::string_view(reinterpret_cast<const char*>(data), size));

    for (KeepPlain keepPlain : {KeepPlain::No, KeepPlain::Yes}) {
        const Text encoded = UrlEncode(text, keepPlain, ToUtf8::No);
        for (char c : encoded.view()) {
            FUZZ_REQUIRE(c == '%' || (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') ||
                         (keepPlain == KeepPlain::Yes && IsPlain(c)));
        }
        if (keepPlain == KeepPlain::No) {
            FUZZ_REQUIRE(encoded.size() == 3 * text.size());
        }
        FUZZ_REQUIRE(UrlDecode(encoded, FromUtf8::No) == text);

        // Through UTF-8 and back, for GBK that survives the trip through UTF-8 at all.
        if (Utf8ToAnsi(AnsiToUtf8(text)) == text) {
            FUZZ_REQUIRE(UrlDecode(UrlEncode(text, keepPlain, ToUtf8::Yes), FromUtf8::Yes) == text);
        }
    }

    const Text decoded = UrlDecode(text, FromUtf8::No);
    FUZZ_REQUIRE(decoded.view() == DecodeReference(text.view()));
    FUZZ_REQUIRE(UrlDecode(text) == decoded);
    const Text converted = UrlDecode(text, FromUtf8::Yes);
    FUZZ_REQUIRE(HoldsNoNul(converted));
    FUZZ_REQUIRE(converted == Utf8ToAnsi(decoded));
    return 0;
}
