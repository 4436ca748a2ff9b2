// The magnet extraction over arbitrary detail pages: the page percent-decoded from UTF-8 to
// GBK, the link between the play link's close and the magnet anchor's text, and the rule for
// what may reach the desktop — the resolution's own code, checked against a plain reference
// with the markers written out again.
#include <cstdint>
#include <string>
#include <string_view>

#include "app/flows/magnet_link.h"
#include "fuzz/check.h"
#include "fuzz/reference.h"
#include "text/primitives.h"
#include "text/urlcodec.h"

namespace {

using namespace talvex;
using namespace talvex::app;
using namespace talvex::fuzz;

// The detail page's play link ("BTUP在线观看"), CR LF and the opening of the magnet anchor;
// then the close of the anchor's address and its text "磁力链接". GBK, as after decoding.
const Text kStartMarker("BTUP\xD4\xDA\xCF\xDF\xB9\xDB\xBF\xB4</a>\r\n<a href=\"");
const Text kEndMarker("\">\xB4\xC5\xC1\xA6\xC1\xB4\xBD\xD3</a>");

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const Text fetched(std::string_view(reinterpret_cast<const char*>(data), size));
    const Text page = UrlDecode(fetched, FromUtf8::Yes);
    FUZZ_REQUIRE(HoldsNoNul(page));

    const Text link = MagnetLinkInPage(page);
    FUZZ_REQUIRE(link.view() == BetweenReference(page.view(), kStartMarker.view(),
                                                 kEndMarker.view(), std::nullopt, false));
    if (!link.empty()) {
        FUZZ_REQUIRE(FindText(page, ConcatText(kStartMarker, link, kEndMarker)) != -1);
        // The link never runs past the first end marker after the start marker.
        FUZZ_REQUIRE(FindText(link, kEndMarker) == -1);
    }

    // What reaches the desktop is a magnet link in lower-case scheme without control bytes,
    // otherwise nothing; apart from the scheme's case it is the link itself.
    const Text opened = MagnetLinkToOpen(link);
    if (!opened.empty()) {
        FUZZ_REQUIRE(opened.view().substr(0, 8) == "magnet:?");
        FUZZ_REQUIRE(opened.size() == link.size());
        FUZZ_REQUIRE(opened.view().substr(8) == link.view().substr(8));
        for (const char c : opened.view()) {
            const auto byte = static_cast<unsigned char>(c);
            FUZZ_REQUIRE(byte >= 0x20 && byte != 0x7F);
        }
    } else if (link.size() >= 8) {
        std::string scheme(link.view().substr(0, 8));
        for (char& c : scheme) {
            c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
        }
        bool clean = true;
        for (const char c : link.view()) {
            const auto byte = static_cast<unsigned char>(c);
            clean = clean && byte >= 0x20 && byte != 0x7F;
        }
        FUZZ_REQUIRE(scheme != "magnet:?" || !clean);
    }
    return 0;
}
