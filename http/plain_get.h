// The update check's own plain HTTP client: one HTTP/1.0 GET, no cookies, no referrer.
#pragma once

#include "http/transfer.h"
#include "text/types.h"

namespace talvex {

// The agent of the update request.
inline constexpr const char* kPlainGetAgent = "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)";

// GETs an http or https `url` (ports 80 and 443 unless it names one) over a direct connection
// with "HTTP/1.0", the plain agent and "Accept: */*", and returns the body whatever the status;
// a read failing midway returns what arrived. An empty url sends nothing; any failure gives the
// empty Bytes. Thread-safe.
[[nodiscard]] Bytes HttpGetBytes(const Text& url, const TransferLimits& limits = {});

}  // namespace talvex
