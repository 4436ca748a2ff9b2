// The magnet link of a detail page, and the rule for what may reach the desktop. No window,
// no network: plain text operations.
#pragma once

#include "text/types.h"

namespace talvex::app {

// The text between the detail page's play link ("BTUP在线观看</a>", CR LF, `<a href="`) and
// the close of the magnet anchor (`">磁力链接</a>`); the empty text when either is missing.
// `page` is the percent-decoded GBK page.
[[nodiscard]] Text MagnetLinkInPage(const Text& page);

// The link as it may be handed to the desktop: a link beginning with "magnet:?" in any letter
// case, with that scheme in lower case. The empty text for anything else (a local file, a
// script, a web address) and for a link holding a control byte (below 0x20, or 0x7F).
[[nodiscard]] Text MagnetLinkToOpen(const Text& link);

}  // namespace talvex::app
