// Taking a URL apart for the HTTP access routine: the host to connect to, the port and the
// path-and-query to request. Only "http://" and "https://" are known schemes; anything else is
// read as part of the address. The functions never fail: odd input gives an odd but
// well-defined answer. All of them are pure and thread-safe.
#pragma once

#include <optional>

#include "text/types.h"

namespace talvex {

enum class DomainOnly : bool { No = false, Yes = true };  // Yes: reduce the host to a domain
enum class KeepPort : bool { No = false, Yes = true };    // Yes: keep ":port" on the host

// The host of `url` in lower case. Ordinary way (domainDots omitted): the text after the
// scheme up to the next "/"; with DomainOnly the last two dot-separated labels. Counted way
// (domainDots given, 0 included): the last domainDots + 2 labels, or domainDots + 1 with
// DomainOnly (a negative count acts as 0). Without KeepPort everything from the first ":" goes.
[[nodiscard]] Text UrlGetHost(const Text& url, DomainOnly domainOnly = DomainOnly::No,
                              KeepPort keepPort = KeepPort::No,
                              std::optional<int> domainDots = std::nullopt);

// The number after the last ":" of the host (0 when no digits follow it); without a colon 443
// when `url` begins with "https" in any case, else 80.
[[nodiscard]] int UrlGetPort(const Text& url);

// Everything from the first "/" after the host to the end of `url`, in its own letter case,
// query and fragment included; "/" when no "/" follows the host.
[[nodiscard]] Text UrlGetPath(const Text& url);

}  // namespace talvex
