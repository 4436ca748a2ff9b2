// The publisher's update file as the update check reads it. No window, no network.
#pragma once

#include "text/types.h"

namespace talvex::app {

// The version between "【Vornik开始】" and the first "【Vornik结束】" after it; empty when a
// marker is missing.
[[nodiscard]] Text UpdateFileVersion(const Text& file);
// True when `version` asks for an update: non-empty and not exactly this tool's "1.6".
[[nodiscard]] bool NamesAnotherVersion(const Text& version);
// The download address: the end marker also opens it, and "【Vornik地址】" closes it.
[[nodiscard]] Text UpdateFileAddress(const Text& file);
// True when `address` begins with "http://" or "https://" in any letter case: the only
// addresses from the update file that are handed to the desktop.
[[nodiscard]] bool IsWebAddress(const Text& address);

}  // namespace talvex::app
