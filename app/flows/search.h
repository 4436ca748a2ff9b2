// The keyword search: fetches result page 1 for the keyword and lists every result.
// The address, the pattern, the row filling and the status texts are shared with page
// navigation.
#pragma once

#include "app/window.h"

namespace talvex {
class RegexObject;
}

namespace talvex::app {

// The result-list pattern shared by every result page.
inline constexpr const char* kResultListPattern = "<a href=\"(.*?)\">(.*?)</a></li><li>";

// Status texts of the result-page flows, in GBK.
inline constexpr const char* kFetchedStatus = "\xbb\xf1\xc8\xa1\xcd\xea\xb1\xcf";  // 获取完毕
inline constexpr const char* kFetchFailedStatus = "\xbb\xf1\xc8\xa1\xca\xa7\xb0\xdc";  // 获取失败
// 双击表项 立即解析磁力链接
inline constexpr const char* kResultsListedStatus =
    "\xcb\xab\xbb\xf7\xb1\xed\xcf\xee\x20\xc1\xa2\xbc\xb4\xbd\xe2\xce\xf6\xb4\xc5\xc1\xa6\xc1\xb4"
    "\xbd\xd3";

// The address of result page `page` for `keyword`: the search base, "/s/", the keyword's
// UTF-8 bytes each as %XX, "/", the page number and "/".
[[nodiscard]] Text ResultPageAddress(const Text& searchBase, const Text& keyword, int page);

// Appends one row per match of the result-list pattern, in page order: group 2 (the title)
// in column 0, group 1 (the detail address) in column 1.
void AppendResultRows(Window& window, const RegexObject& results);

// Runs on a worker started by the search button. An empty page (nothing fetched) ends at
// "获取失败" instead of the hint.
void SearchFirstPage(Window& window);

}  // namespace talvex::app
