#include "app/flows/magnet.h"

#include <algorithm>

#include "http/access.h"
#include "text/primitives.h"
#include "text/urlcodec.h"

namespace talvex::app {
namespace {

// The detail page's play link ("BTUP在线观看"), CR LF, and the opening of the magnet anchor.
constexpr const char* kStartMarker = "BTUP\xd4\xda\xcf\xdf\xb9\xdb\xbf\xb4</a>\r\n<a href=\"";
// The close of the magnet anchor's address and its text "磁力链接".
constexpr const char* kEndMarker = "\">\xb4\xc5\xc1\xa6\xc1\xb4\xbd\xd3</a>";

constexpr const char* kResolvingStatus2 = "\xbf\xaa\xca\xbc\xbd\xe2\xce\xf6..";   // 开始解析..
constexpr const char* kResolvingStatus3 = "\xbf\xaa\xca\xbc\xbd\xe2\xce\xf6...";  // 开始解析...
constexpr const char* kResolvingStatus1 = "\xbf\xaa\xca\xbc\xbd\xe2\xce\xf6.";    // 开始解析.
// 解析完毕，已经打开磁力链接
constexpr const char* kOpenedStatus =
    "\xbd\xe2\xce\xf6\xcd\xea\xb1\xcf\xa3\xac\xd2\xd1\xbe\xad\xb4\xf2\xbf\xaa\xb4\xc5\xc1\xa6\xc1"
    "\xb4\xbd\xd3";
// 未找到磁力链接
constexpr const char* kNoMagnetStatus = "\xce\xb4\xd5\xd2\xb5\xbd\xb4\xc5\xc1\xa6\xc1\xb4\xbd\xd3";

constexpr std::string_view kMagnetScheme = "magnet:?";

bool IsControlByte(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte < 0x20 || byte == 0x7F;
}

}  // namespace

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

void OnResultDoubleClicked(Window& window) {
    const int row = window.SelectedRow();
    if (row < 0) {
        return;
    }
    SelectedRowUrl = window.GetCell(row, 1);
    // The worker takes its own copy: a later double-click may change SelectedRowUrl meanwhile.
    StartWorker([&window](Text detailUrl) { ResolveMagnet(window, detailUrl); }, SelectedRowUrl);
}

void ResolveMagnet(Window& window, const Text& detailUrl) {
    window.SetText(Control::StatusLabel, kResolvingStatus2);
    const Text page = UrlDecode(FetchPageText(detailUrl), FromUtf8::Yes);
    window.SetText(Control::StatusLabel, kResolvingStatus3);
    const Text link = MagnetLinkToOpen(TextBetween(page, kStartMarker, kEndMarker));
    window.SetText(Control::StatusLabel, kResolvingStatus1);
    if (link.empty()) {
        window.SetText(Control::StatusLabel, kNoMagnetStatus);
        return;
    }
    OpenLink(link);
    window.SetText(Control::StatusLabel, kOpenedStatus);
}

}  // namespace talvex::app
