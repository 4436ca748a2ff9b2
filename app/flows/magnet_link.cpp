#include "app/flows/magnet_link.h"

#include <algorithm>
#include <string_view>

#include "text/primitives.h"

namespace talvex::app {
namespace {

// The detail page's play link ("BTUP在线观看"), CR LF, and the opening of the magnet anchor.
constexpr const char* kStartMarker = "BTUP\xd4\xda\xcf\xdf\xb9\xdb\xbf\xb4</a>\r\n<a href=\"";
// The close of the magnet anchor's address and its text "磁力链接".
constexpr const char* kEndMarker = "\">\xb4\xc5\xc1\xa6\xc1\xb4\xbd\xd3</a>";

constexpr std::string_view kMagnetScheme = "magnet:?";

bool IsControlByte(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte < 0x20 || byte == 0x7F;
}

}  // namespace

Text MagnetLinkInPage(const Text& page) {
    return TextBetween(page, kStartMarker, kEndMarker);
}

Text MagnetLinkToOpen(const Text& link) {
    // Only a magnet link may reach the desktop: anything else between the markers of a remote
    // page (a path, a script, a web address) would be opened by whatever handles it. The scheme
    // goes on in lower case because the opener hands "MAGNET:?" to the web browser.
    const int schemeLength = static_cast<int>(kMagnetScheme.size());
    if (ToLowerText(LeftText(link, schemeLength)) != Text(kMagnetScheme)) {
        return {};
    }
    if (std::any_of(link.view().begin(), link.view().end(), IsControlByte)) {
        return {};
    }
    return ConcatText(Text(kMagnetScheme), RightText(link, TextLength(link) - schemeLength));
}

}  // namespace talvex::app
