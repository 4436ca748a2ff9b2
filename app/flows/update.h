// The update check that runs before the window first shows, and the banner's links.
#pragma once

#include "app/window.h"

namespace talvex::app {

// On the window thread: reads the update file; when it names a version other than "1.6",
// reveals the new-version row, fills it with the download address and opens that address
// when it is a web address (see IsWebAddress).
void CheckForUpdate(Window& window);
// True when `address` begins with "http://" or "https://" in any letter case: the only
// addresses from the update file that are handed to the desktop.
[[nodiscard]] bool IsWebAddress(const Text& address);
// The banner's left-button press: opens the share page, then the publisher's site.
void OpenBannerLinks(const Addresses& addresses);

}  // namespace talvex::app
