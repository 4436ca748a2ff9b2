// The update file as the update check reads it: the fetched bytes up to the first 0 byte, the
// version between the start and end markers, the download address between the end and address
// markers, and the rule for which addresses reach the desktop — the update check's own code,
// checked against a plain reference with the markers written out again.
#include <cstdint>
#include <string>
#include <string_view>

#include "app/flows/update_file.h"
#include "fuzz/check.h"
#include "fuzz/reference.h"
#include "text/primitives.h"

namespace {

using namespace talvex;
using namespace talvex::app;
using namespace talvex::fuzz;

// "【Vornik开始】", "【Vornik结束】" and "【Vornik地址】" in GBK.
const Text kStartMarker("\xA1\xBEVornik\xBF\xAA\xCA\xBC\xA1\xBF");
const Text kEndMarker("\xA1\xBEVornik\xBD\xE1\xCA\xF8\xA1\xBF");
const Text kAddressMarker("\xA1\xBEVornik\xB5\xD8\xD6\xB7\xA1\xBF");

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const Bytes body(std::string_view(reinterpret_cast<const char*>(data), size));
    const Text text = BytesToText(body);
    FUZZ_REQUIRE(text.view() == body.view().substr(0, body.view().find('\0')));

    const Text version = UpdateFileVersion(text);
    const Text address = UpdateFileAddress(text);
    FUZZ_REQUIRE(version.view() == BetweenReference(text.view(), kStartMarker.view(),
                                                    kEndMarker.view(), std::nullopt, false));
    FUZZ_REQUIRE(address.view() == BetweenReference(text.view(), kEndMarker.view(),
                                                    kAddressMarker.view(), std::nullopt, false));
    // What is found stands between its markers in the file.
    if (!version.empty()) {
        FUZZ_REQUIRE(FindText(text, ConcatText(kStartMarker, version, kEndMarker)) != -1);
    }
    if (!address.empty()) {
        FUZZ_REQUIRE(FindText(text, ConcatText(kEndMarker, address, kAddressMarker)) != -1);
    }
    FUZZ_REQUIRE(NamesAnotherVersion(version) == (!version.empty() && version.view() != "1.6"));
    // Only an http(s) address is handed to the desktop.
    std::string lower(address.view());
    for (char& c : lower) {
        c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    }
    FUZZ_REQUIRE(IsWebAddress(address) ==
                 (lower.rfind("http://", 0) == 0 || lower.rfind("https://", 0) == 0));
    return 0;
}
