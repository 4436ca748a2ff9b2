#include "app/flows/update_file.h"

#include "text/primitives.h"

namespace talvex::app {
namespace {

// The tool's own version, compared byte for byte with the one the update file names.
const Text kOwnVersion("1.6");
// 【Vornik开始】 and 【Vornik结束】 enclose the version; the end marker also opens the
// download address, which 【Vornik地址】 closes.
const Text kStartMarker("\xA1\xBEVornik\xBF\xAA\xCA\xBC\xA1\xBF");
const Text kEndMarker("\xA1\xBEVornik\xBD\xE1\xCA\xF8\xA1\xBF");
const Text kAddressMarker("\xA1\xBEVornik\xB5\xD8\xD6\xB7\xA1\xBF");

}  // namespace

Text UpdateFileVersion(const Text& file) {
    return TextBetween(file, kStartMarker, kEndMarker);
}

bool NamesAnotherVersion(const Text& version) {
    return !version.empty() && version != kOwnVersion;
}

Text UpdateFileAddress(const Text& file) {
    return TextBetween(file, kEndMarker, kAddressMarker);
}

bool IsWebAddress(const Text& address) {
    const Text lower = ToLowerText(address);
    return lower.view().starts_with("http://") || lower.view().starts_with("https://");
}

}  // namespace talvex::app
