#include "app/flows/magnet.h"

#include "app/flows/magnet_link.h"
#include "http/access.h"
#include "text/primitives.h"
#include "text/urlcodec.h"

namespace talvex::app {
namespace {

constexpr const char* kResolvingStatus2 = "\xbf\xaa\xca\xbc\xbd\xe2\xce\xf6..";   // 开始解析..
constexpr const char* kResolvingStatus3 = "\xbf\xaa\xca\xbc\xbd\xe2\xce\xf6...";  // 开始解析...
constexpr const char* kResolvingStatus1 = "\xbf\xaa\xca\xbc\xbd\xe2\xce\xf6.";    // 开始解析.
// 解析完毕，已经打开磁力链接
constexpr const char* kOpenedStatus =
    "\xbd\xe2\xce\xf6\xcd\xea\xb1\xcf\xa3\xac\xd2\xd1\xbe\xad\xb4\xf2\xbf\xaa\xb4\xc5\xc1\xa6\xc1"
    "\xb4\xbd\xd3";
// 未找到磁力链接
constexpr const char* kNoMagnetStatus = "\xce\xb4\xd5\xd2\xb5\xbd\xb4\xc5\xc1\xa6\xc1\xb4\xbd\xd3";

}  // namespace

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
    const Text link = MagnetLinkToOpen(MagnetLinkInPage(page));
    window.SetText(Control::StatusLabel, kResolvingStatus1);
    if (link.empty()) {
        window.SetText(Control::StatusLabel, kNoMagnetStatus);
        return;
    }
    OpenLink(link);
    window.SetText(Control::StatusLabel, kOpenedStatus);
}

}  // namespace talvex::app
