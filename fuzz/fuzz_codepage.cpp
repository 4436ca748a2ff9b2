// The code-page conversions over arbitrary bytes: no input crashes or reads out of bounds, the
// direct UTF-8 to GBK conversion agrees with the two steps through UTF-16, and valid GBK comes
// back unchanged from UTF-16.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz/check.h"
#include "text/codepage.h"

namespace {

using namespace talvex;
using namespace talvex::fuzz;

// The units of `wide` as ToWide makes them: an even size and exactly one zero unit, the last.
bool EndsInOneZeroUnit(const WideBytes& wide) {
    const std::string_view bytes = wide.view();
    if (bytes.size() < 2 || bytes.size() % 2 != 0) {
        return false;
    }
    for (std::size_t i = 0; i + 2 < bytes.size(); i += 2) {
        if (bytes[i] == '\0' && bytes[i + 1] == '\0') {
            return false;
        }
    }
    return bytes[bytes.size() - 2] == '\0' && bytes[bytes.size() - 1] == '\0';
}

bool HoldsReplacementCharacter(const WideBytes& wide) {
    const std::string_view bytes = wide.view();
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        if (bytes[i] == '\xFD' && bytes[i + 1] == '\xFF') {
            return true;
        }
    }
    return false;
}

// Valid-looking GBK from arbitrary bytes: ASCII below 0x80 stays, every other byte becomes a
// lead byte (0x81 to 0xFE) followed by a trail byte (0x40 to 0xFE without 0x7F) made of the next.
std::string ShapeAsGbk(std::string_view raw) {
    std::string gbk;
    gbk.reserve(raw.size() + 1);
    for (std::size_t i = 0; i < raw.size(); ++i) {
        const auto byte = static_cast<unsigned char>(raw[i]);
        if (byte == 0) {
            continue;
        }
        if (byte < 0x80) {
            gbk.push_back(static_cast<char>(byte));
            continue;
        }
        const unsigned lead = 0x81 + (byte - 0x80) % 0x7E;
        const unsigned next = i + 1 < raw.size() ? static_cast<unsigned char>(raw[++i]) : 0;
        unsigned trail = 0x40 + next % 0xBE;  // 0x40..0xFD, then skip 0x7F
        if (trail >= 0x7F) {
            ++trail;
        }
        gbk.push_back(static_cast<char>(lead));
        gbk.push_back(static_cast<char>(trail));
    }
    return gbk;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view raw(reinterpret_cast<const char*>(data), size);
    const Text text(raw);

    for (int codePage : {kCodePageUtf8, kCodePageGbk, kCodePageAnsi}) {
        const WideBytes wide = ToWide(text, codePage);
        FUZZ_REQUIRE(EndsInOneZeroUnit(wide));
        for (int target : {kCodePageUtf8, kCodePageGbk, kCodePageAnsi}) {
            FUZZ_REQUIRE(HoldsNoNul(FromWide(wide, target)));
        }
    }

    // Direct and two-step UTF-8 to GBK agree.
    const Text ansi = Utf8ToAnsi(text);
    FUZZ_REQUIRE(ansi == FromWide(ToWide(text, kCodePageUtf8), kCodePageGbk));
    const Text utf8 = AnsiToUtf8(text);
    FUZZ_REQUIRE(utf8 == FromWide(ToWide(text, kCodePageGbk), kCodePageUtf8));

    // Arbitrary units, odd sizes and inner zero units included.
    const WideBytes units(raw);
    FUZZ_REQUIRE(HoldsNoNul(FromWide(units, kCodePageGbk)));
    FUZZ_REQUIRE(HoldsNoNul(FromWide(units, kCodePageUtf8)));
    FUZZ_REQUIRE(HoldsNoNul(WideToGbk(units)));
    const std::u16string aligned(reinterpret_cast<const char16_t*>(raw.data()),
                                 reinterpret_cast<const char16_t*>(raw.data()) + raw.size() / 2);
    FUZZ_REQUIRE(WideToGbk(std::u16string_view(aligned)) == WideToGbk(units));

    // GBK -> UTF-16 -> GBK is the identity on GBK that converted without a replacement.
    const Text gbk(ShapeAsGbk(raw));
    const WideBytes gbkWide = ToWide(gbk, kCodePageGbk);
    FUZZ_REQUIRE(EndsInOneZeroUnit(gbkWide));
    if (!HoldsReplacementCharacter(gbkWide)) {
        FUZZ_REQUIRE(FromWide(gbkWide, kCodePageGbk) == gbk);
        FUZZ_REQUIRE(WideToGbk(gbkWide) == gbk);
        FUZZ_REQUIRE(Utf8ToAnsi(AnsiToUtf8(gbk)) == gbk);
    }
    return 0;
}
