// The update check that runs before the window first shows, and the banner's links.
#pragma once

#include "app/flows/update_file.h"
#include "app/window.h"

namespace talvex::app {

// On the window thread: reads the update file; when it names a version other than "1.6",
// reveals the new-version row, fills it with the download address and opens that address
// when it is a web address (see IsWebAddress).
void CheckForUpdate(Window& window);
// The banner's left-button press: opens the share page, then the publisher's site.
void OpenBannerLinks(const Addresses& addresses);

}  // namespace talvex::app
