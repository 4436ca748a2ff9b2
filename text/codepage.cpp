#include "text/codepage.h"

#include <unicode/uchar.h>
#include <unicode/ucnv.h>
#include <unicode/ucnv_cb.h>
#include <unicode/unorm2.h>
#include <unicode/utf16.h>

#include <array>
#include <bit>
#include <cstring>
#include <memory>
#include <optional>

#include "text/primitives.h"

namespace talvex {

namespace {

struct ConverterCloser {
    void operator()(UConverter* converter) const { ucnv_close(converter); }
};
using ConverterPtr = std::unique_ptr<UConverter, ConverterCloser>;

// The charsets this tool converts between. GBK is ICU's "windows-936-2000" (0x80 = U+20AC),
// which "GBK" and "cp936" alias; "windows-936" would name a different table.
enum class Charset : std::size_t { Gbk, Utf8, Utf16Le, Count };

const char* CharsetName(Charset charset) {
    switch (charset) {
        case Charset::Gbk:
            return "windows-936-2000";
        case Charset::Utf8:
            return "UTF-8";
        case Charset::Utf16Le:
            return "UTF-16LE";
        case Charset::Count:
            break;
    }
    ProgramError("codepage: no such charset");
}

// Writes the target's substitute ("?" in GBK) for every character it cannot take. ICU's own
// substituting callback would silently drop default-ignorable characters such as U+200B.
void SubstituteUnmappable(const void* /*context*/, UConverterFromUnicodeArgs* args,
                          const UChar* /*units*/, int32_t /*length*/, UChar32 /*codePoint*/,
                          UConverterCallbackReason reason, UErrorCode* status) {
    if (reason == UCNV_UNASSIGNED || reason == UCNV_ILLEGAL || reason == UCNV_IRREGULAR) {
        *status = U_ZERO_ERROR;
        ucnv_cbFromUWriteSub(args, 0, status);
    }
}

// A converter that never stops at an error: towards UTF-16 an invalid sequence becomes
// U+FFFD (ICU's default, one per maximal bad sequence), from UTF-16 a character the target
// lacks becomes its substitute. GBK output also uses the table's best-fit mappings
// (U+00A2 to A1 E9, U+00B2 to "2"), as the system's code page 936 conversion does.
ConverterPtr OpenConverter(Charset charset) {
    UErrorCode status = U_ZERO_ERROR;
    ConverterPtr converter(ucnv_open(CharsetName(charset), &status));
    if (U_FAILURE(status) || !converter) {
        ProgramError("codepage: ICU cannot open a converter (is its data installed?)");
    }
    ucnv_setFromUCallBack(converter.get(), SubstituteUnmappable, nullptr, nullptr, nullptr,
                          &status);
    if (charset == Charset::Gbk) {
        ucnv_setFallback(converter.get(), true);
    }
    if (U_FAILURE(status)) {
        ProgramError("codepage: ICU rejected the converter settings");
    }
    return converter;
}

// This thread's converter for `charset`, reset for a new conversion. Opening one costs more
// than converting a short span, so each thread keeps its own; none is ever shared.
UConverter* ThreadConverter(Charset charset) {
    thread_local std::array<ConverterPtr, static_cast<std::size_t>(Charset::Count)> converters;
    ConverterPtr& slot = converters[static_cast<std::size_t>(charset)];
    if (!slot) {
        slot = OpenConverter(charset);
    }
    ucnv_reset(slot.get());
    return slot.get();
}

std::optional<Charset> CharsetOfCodePage(int codePage) {
    switch (codePage) {
        case kCodePageAnsi:
        case kCodePageGbk:
            return Charset::Gbk;
        case kCodePageUtf8:
            return Charset::Utf8;
        default:
            return std::nullopt;
    }
}

// Output is produced through a small buffer and appended to the result in spans, so the
// result's pages are written once.
constexpr std::size_t kChunkBytes = 16 * 1024;

// Converts all of `source` from one charset to another in a single pass through ICU's pivot
// buffer. `sizeGuess` is the expected output size, reserved up front.
std::string Convert(Charset to, Charset from, std::string_view source, std::size_t sizeGuess) {
    std::string output;
    if (source.empty()) {
        return output;
    }
    output.reserve(sizeGuess);
    UConverter* target = ThreadConverter(to);
    UConverter* origin = ThreadConverter(from);

    std::array<UChar, 4096> pivot;  // ICU tracks what it holds
    UChar* pivotSource = pivot.data();
    UChar* pivotTarget = pivot.data();
    std::array<char, kChunkBytes> chunk;  // not cleared: only written bytes are read
    const char* in = source.data();
    const char* inEnd = source.data() + source.size();
    bool firstCall = true;
    while (true) {
        char* out = chunk.data();
        UErrorCode status = U_ZERO_ERROR;
        ucnv_convertEx(target, origin, &out, chunk.data() + chunk.size(), &in, inEnd, pivot.data(),
                       &pivotSource, &pivotTarget, pivot.data() + pivot.size(), firstCall, true,
                       &status);
        firstCall = false;
        output.append(chunk.data(), static_cast<std::size_t>(out - chunk.data()));
        if (status == U_BUFFER_OVERFLOW_ERROR) {
            continue;  // the chunk is full: more to come
        }
        if (U_FAILURE(status)) {
            ProgramError("codepage: ICU conversion failed");
        }
        return output;
    }
}

// The units of whole UTF-16LE byte pairs in `bytes`; an odd last byte is left out.
std::u16string LittleEndianBytesToUnits(std::string_view bytes) {
    std::u16string units(bytes.size() / 2, u'\0');
    if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(units.data(), bytes.data(), units.size() * 2);
    } else {
        for (std::size_t i = 0; i < units.size(); ++i) {
            units[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                             (static_cast<unsigned char>(bytes[2 * i + 1]) << 8U));
        }
    }
    return units;
}

// The bytes of `wide` before its first zero unit.
std::string_view BeforeFirstZeroUnit(std::string_view wide) {
    for (std::size_t at = 0; at + 1 < wide.size(); at += 2) {
        if (wide[at] == '\0' && wide[at + 1] == '\0') {
            return wide.substr(0, at);
        }
    }
    return wide.substr(0, wide.size() & ~std::size_t{1});
}

// Composition: a base character followed by non-spacing marks becomes the precomposed
// character where GBK holds one. Only such pairs are composed, never full NFC, which would
// also rewrite CJK compatibility ideographs that GBK holds as they are.

bool IsNonSpacingMark(UChar32 c) {
    return c >= 0x300 && u_charType(c) == U_NON_SPACING_MARK;
}

// Whether GBK holds `c` itself, not merely a best-fit stand-in for it. Asked only when a
// mark composes, which is rare, so the probe's own converter is opened here.
bool GbkHolds(UChar32 c) {
    ConverterPtr probe = OpenConverter(Charset::Gbk);
    ucnv_setFallback(probe.get(), false);
    UErrorCode status = U_ZERO_ERROR;
    ucnv_setFromUCallBack(probe.get(), UCNV_FROM_U_CALLBACK_STOP, nullptr, nullptr, nullptr,
                          &status);
    std::array<UChar, 2> units{};
    int32_t length = 0;
    UBool error = false;
    U16_APPEND(units.data(), length, 2, c, error);
    std::array<char, 8> bytes{};
    ucnv_fromUChars(probe.get(), bytes.data(), static_cast<int32_t>(bytes.size()), units.data(),
                    length, &status);
    return U_SUCCESS(status) && !error;
}

// The precomposed form of `base` + `mark` when one exists and GBK holds it.
std::optional<UChar32> ComposeForGbk(const UNormalizer2* nfc, UChar32 base, UChar32 mark) {
    const UChar32 composed = unorm2_composePair(nfc, base, mark);
    if (composed < 0 || !GbkHolds(composed)) {
        return std::nullopt;
    }
    return composed;
}

const UNormalizer2* NfcData() {
    UErrorCode status = U_ZERO_ERROR;
    const UNormalizer2* nfc = unorm2_getNFCInstance(&status);  // owned by ICU, immutable
    if (U_FAILURE(status)) {
        ProgramError("codepage: ICU normalization data unavailable");
    }
    return nfc;
}

void AppendCodePoint(std::u16string& units, UChar32 c) {
    if (U_IS_BMP(c)) {
        units.push_back(static_cast<char16_t>(c));  // lone surrogates stay as they are
    } else {
        units.push_back(U16_LEAD(c));
        units.push_back(U16_TRAIL(c));
    }
}

// Whether a non-spacing mark follows some character; `unitAt(i)` reads unit i of `count`.
template <typename UnitAt>
bool HasMarkAfterCharacter(std::size_t count, UnitAt unitAt) {
    for (std::size_t at = 1; at < count; ++at) {
        const char16_t unit = unitAt(at);
        if (unit < 0x300) {
            continue;
        }
        UChar32 c = unit;
        if (U16_IS_LEAD(unit) && at + 1 < count && U16_IS_TRAIL(unitAt(at + 1))) {
            c = U16_GET_SUPPLEMENTARY(unit, unitAt(at + 1));
        }
        if (IsNonSpacingMark(c)) {
            return true;
        }
    }
    return false;
}

bool HasMarkAfterCharacter(std::u16string_view units) {
    return HasMarkAfterCharacter(units.size(), [units](std::size_t at) { return units[at]; });
}

// The same over UTF-16LE bytes, read without copying them into units.
bool HasMarkAfterCharacterInBytes(std::string_view bytes) {
    return HasMarkAfterCharacter(bytes.size() / 2, [bytes](std::size_t at) {
        return static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * at]) |
                                     (static_cast<unsigned char>(bytes[2 * at + 1]) << 8U));
    });
}

// `units` with every base + mark sequence that GBK holds precomposed composed; std::nullopt
// when no mark follows a character, so the common case converts the caller's units as they are.
std::optional<std::u16string> ComposeMarks(std::u16string_view units) {
    if (!HasMarkAfterCharacter(units)) {
        return std::nullopt;
    }
    const UNormalizer2* nfc = NfcData();
    std::u16string composed;
    composed.reserve(units.size());
    const auto length = static_cast<int32_t>(units.size());
    UChar32 pending = -1;  // the last character, not yet written: marks may still compose with it
    for (int32_t at = 0; at < length;) {
        UChar32 c = 0;
        U16_NEXT(units.data(), at, length, c);
        if (pending >= 0 && IsNonSpacingMark(c)) {
            if (const std::optional<UChar32> precomposed = ComposeForGbk(nfc, pending, c)) {
                pending = *precomposed;
                continue;
            }
        }
        if (pending >= 0) {
            AppendCodePoint(composed, pending);
        }
        pending = c;
    }
    if (pending >= 0) {
        AppendCodePoint(composed, pending);
    }
    return composed;
}

// UTF-16 units to GBK, every unit converted; the caller cuts at the first NUL.
std::string UnitsToGbk(std::u16string_view units) {
    std::string output;
    if (units.empty()) {
        return output;
    }
    output.reserve(units.size() + units.size() / 2);
    UConverter* gbk = ThreadConverter(Charset::Gbk);
    std::array<char, kChunkBytes> chunk;  // not cleared: only written bytes are read
    const UChar* in = units.data();
    const UChar* inEnd = units.data() + units.size();
    while (true) {
        char* out = chunk.data();
        UErrorCode status = U_ZERO_ERROR;
        ucnv_fromUnicode(gbk, &out, chunk.data() + chunk.size(), &in, inEnd, nullptr, true,
                         &status);
        output.append(chunk.data(), static_cast<std::size_t>(out - chunk.data()));
        if (status == U_BUFFER_OVERFLOW_ERROR) {
            continue;
        }
        if (U_FAILURE(status)) {
            ProgramError("codepage: ICU conversion failed");
        }
        return output;
    }
}

}  // namespace

WideBytes ToWide(const Text& text, int codePage) {
    std::string wide;
    if (const std::optional<Charset> charset = CharsetOfCodePage(codePage)) {
        // Every input byte yields at most one unit (two bytes), a four-byte UTF-8 sequence two;
        // the room reserved includes the terminator, so appending it copies nothing.
        wide = Convert(Charset::Utf16Le, *charset, text.view(), text.size() * 2 + 2);
    }
    wide.append(2, '\0');  // exactly one terminating zero unit
    return WideBytes(std::move(wide));
}

Text FromWide(const WideBytes& wide, int codePage) {
    const std::optional<Charset> charset = CharsetOfCodePage(codePage);
    if (!charset) {
        return {};  // a code page this tool does not know converts to nothing
    }
    const std::string_view units = BeforeFirstZeroUnit(wide.view());
    const std::size_t guess = *charset == Charset::Utf8 ? units.size() / 2 * 3 : units.size();
    return Text(Convert(*charset, Charset::Utf16Le, units, guess));
}

Text AnsiToUtf8(const Text& text) {
    // The same bytes as GBK -> UTF-16 -> UTF-8, in one pass.
    return Text(Convert(Charset::Utf8, Charset::Gbk, text.view(), text.size() + text.size() / 2));
}

Text Utf8ToAnsi(const Text& text) {
    // The same bytes as UTF-8 -> UTF-16 -> GBK without composition, in one pass; a UTF-8
    // byte never yields more than one GBK byte.
    return Text(Convert(Charset::Gbk, Charset::Utf8, text.view(), text.size()));
}

Text WideToGbk(const WideBytes& wide) {
    // Units after a zero unit never reach the result, which is cut there.
    const std::string_view bytes = BeforeFirstZeroUnit(wide.view());
    if (HasMarkAfterCharacterInBytes(bytes)) {
        return WideToGbk(std::u16string_view(LittleEndianBytesToUnits(bytes)));
    }
    // Nothing to compose: straight from the bytes, a BMP unit giving at most two GBK bytes.
    return Text(Convert(Charset::Gbk, Charset::Utf16Le, bytes, bytes.size()));
}

Text WideToGbk(std::u16string_view units) {
    // Units after a zero unit never reach the result, which is cut there.
    units = units.substr(0, units.find(u'\0'));
    if (const std::optional<std::u16string> composed = ComposeMarks(units)) {
        return Text(UnitsToGbk(*composed));
    }
    return Text(UnitsToGbk(units));
}

}  // namespace talvex
