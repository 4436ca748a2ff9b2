// Page navigation: loads result page `page` of the keyword now in the keyword box.
#pragma once

#include "app/window.h"

namespace talvex::app {

// "现正为第（N）页" in GBK, with full-width parentheses.
[[nodiscard]] Text PageNumberStatus(int page);

// On the window thread: fetches page `page`, replaces the rows (or appends when `append`),
// shows the hint ("获取失败" when nothing was fetched) for a second while processing events,
// then the current page number.
void LoadPage(Window& window, int page, bool append);
// The next-page button: steps CurrentPage and loads it, replacing the rows.
void NextPage(Window& window);
// The append button and the no-results hint: steps CurrentPage and appends its rows.
void AppendNextPage(Window& window);

}  // namespace talvex::app
