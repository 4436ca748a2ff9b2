// Magnet resolution: fetches a result's detail page and hands its magnet link to the desktop.
#pragma once

#include "app/flows/magnet_link.h"
#include "app/window.h"

namespace talvex::app {

// The results list's double-click handler (window thread): remembers the selected row's
// address in SelectedRowUrl and starts ResolveMagnet on a worker with a copy of it.
// Does nothing when no row is selected.
void OnResultDoubleClicked(Window& window);
// Runs on a worker: fetches `detailUrl`, cuts out the magnet link and opens it. The status
// ends at "解析完毕，已经打开磁力链接" when a link was opened, at "未找到磁力链接" otherwise.
void ResolveMagnet(Window& window, const Text& detailUrl);

}  // namespace talvex::app
