// The keyword search: fetches result page 1 for the keyword and lists every result.
#pragma once

#include "app/window.h"

namespace talvex::app {

// The result-list pattern shared by every result page.
inline constexpr const char* kResultListPattern = "<a href=\"(.*?)\">(.*?)</a></li><li>";

// Runs on a worker started by the search button.
void SearchFirstPage(Window& window);

}  // namespace talvex::app
