#include "text/urlcodec.h"

#include <array>
#include <string>

#include "text/codepage.h"

namespace talvex {

namespace {

constexpr char kUpperHexDigits[] = "0123456789ABCDEF";

bool IsKeptPlain(unsigned char byte) {
    return byte == '-' || byte == '.' || (byte >= '0' && byte <= '9') ||
           (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z');
}

// The value of a hexadecimal digit in either case, or -1.
int HexValue(char digit) {
    if (digit >= '0' && digit <= '9') {
        return digit - '0';
    }
    if (digit >= 'A' && digit <= 'F') {
        return digit - 'A' + 10;
    }
    if (digit >= 'a' && digit <= 'f') {
        return digit - 'a' + 10;
    }
    return -1;
}

}  // namespace

namespace {

// Appends the escapes of `bytes` to `encoded`, through a small buffer appended in spans.
void AppendEscaped(std::string& encoded, std::string_view bytes, KeepPlain keepPlain) {
    std::array<char, 3 * 4096> chunk;  // not cleared: only written bytes are read
    std::size_t used = 0;
    for (const char c : bytes) {
        if (used + 3 > chunk.size()) {
            encoded.append(chunk.data(), used);
            used = 0;
        }
        const auto byte = static_cast<unsigned char>(c);
        if (keepPlain == KeepPlain::Yes && IsKeptPlain(byte)) {
            chunk[used++] = c;
            continue;
        }
        chunk[used++] = '%';
        chunk[used++] = kUpperHexDigits[byte >> 4U];
        chunk[used++] = kUpperHexDigits[byte & 0xFU];
    }
    encoded.append(chunk.data(), used);
}

// GBK text is converted to UTF-8 a slice at a time, so a long text needs no whole UTF-8 copy.
// A slice ends just after an ASCII byte, where every GBK reading is between characters.
constexpr std::size_t kSliceBytes = 16 * 1024;

std::size_t SliceEnd(std::string_view text, std::size_t from) {
    if (text.size() - from <= kSliceBytes) {
        return text.size();
    }
    for (std::size_t end = from + kSliceBytes; end < text.size(); ++end) {
        if (static_cast<unsigned char>(text[end - 1]) < 0x80) {
            return end;
        }
    }
    return text.size();
}

}  // namespace

Text UrlEncode(const Text& text, KeepPlain keepPlain, ToUtf8 toUtf8) {
    const std::string_view source = text.view();
    std::string encoded;
    encoded.reserve(source.size() * 3);
    if (toUtf8 == ToUtf8::No) {
        AppendEscaped(encoded, source, keepPlain);
        return Text(std::move(encoded));
    }
    for (std::size_t from = 0; from < source.size();) {
        const std::size_t end = SliceEnd(source, from);
        AppendEscaped(encoded, AnsiToUtf8(Text(source.substr(from, end - from))).view(), keepPlain);
        from = end;
    }
    return Text(std::move(encoded));
}

Text UrlDecode(const Text& text, FromUtf8 fromUtf8) {
    const std::string_view source = text.view();
    std::string decoded;
    decoded.reserve(source.size());
    std::size_t at = 0;
    while (at < source.size()) {
        const std::size_t percent = source.find('%', at);
        if (percent == std::string_view::npos) {
            decoded.append(source.substr(at));
            break;
        }
        decoded.append(source.substr(at, percent - at));
        const int high = percent + 1 < source.size() ? HexValue(source[percent + 1]) : -1;
        const int low = percent + 2 < source.size() ? HexValue(source[percent + 2]) : -1;
        if (high < 0 || low < 0) {
            // Not an escape: the "%" is an ordinary byte ("50%", "width=100%") and decoding
            // goes on with the byte right after it.
            decoded.push_back('%');
            at = percent + 1;
            continue;
        }
        const auto byte = static_cast<char>(high * 16 + low);
        if (byte != '\0') {  // a text holds no 0 byte: %00 adds nothing
            decoded.push_back(byte);
        }
        at = percent + 3;
    }
    Text result(std::move(decoded));
    return fromUtf8 == FromUtf8::Yes ? Utf8ToAnsi(result) : result;
}

}  // namespace talvex
