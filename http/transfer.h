// One HTTP exchange on the process's HTTP library, with the safe defaults every request of
// Talvex gets: only http and https (first request and every redirect), at most 10 redirects,
// TLS certificates verified, a connect time-out, a stall time-out, a body cap, and a direct
// connection unless a proxy is named. The access routine and the update check's plain client
// are built on it; it knows nothing of their header rules.
#pragma once

#include <chrono>
#include <cstddef>
#include <string>
#include <vector>

namespace talvex {

// Sets up the HTTP client for the whole process: the HTTP library's global state and the
// shared cookie store. Call it once from main() (and from every test main) before any thread
// starts; later calls do nothing.
void InitHttpClient();

// Bounds that keep a call from hanging or exhausting memory. The defaults are the client's;
// tests lower the stall time-out to observe it quickly.
struct TransferLimits {
    std::chrono::seconds connectTimeout{30};
    // A transfer that receives no byte for this long ends with what arrived.
    std::chrono::seconds stallTimeout{30};
    // A server that drips a byte now and then never stalls; no exchange lasts longer than this,
    // and what arrived by then is kept.
    std::chrono::seconds totalTimeout{120};
    // A server can send an endless body; past this size the rest is not read.
    std::size_t maxBodyBytes = std::size_t{64} * 1024 * 1024;
    int maxRedirects = 10;
};

enum class HttpVersion { Http10, Http11 };

struct TransferRequest {
    std::string url;  // http:// or https:// only
    std::string verb = "GET";
    HttpVersion version = HttpVersion::Http11;
    bool sendBody = false;  // sends `body` (possibly empty) with its Content-Length
    std::string body;
    std::string agent;
    // Header lines as they go on the wire, after the library's Host and User-Agent lines. A
    // line "Name:" with nothing after it keeps the library from adding its own line of that name.
    std::vector<std::string> headerLines;
    bool useCookieStore = false;  // the process-wide store: sends and keeps cookies
    bool followRedirects = true;
    // Ends the exchange when the final response's header block is complete: for a HEAD,
    // whose response has no body however large a Content-Length it announces.
    bool endAfterHeaders = false;
    std::string proxy;  // "host:port" for a plain-http proxy; empty for a direct connection
    TransferLimits limits;
};

struct TransferResult {
    // False when the exchange could not be set up; nothing was sent then.
    bool setUp = false;
    // The body as far as it arrived (capped at limits.maxBodyBytes).
    std::string body;
    // True when a complete response header block arrived.
    bool gotHeaders = false;
    // The final response's header block: the status line and every header line, each ended by
    // "\r\n", then "\r\n". Earlier responses of a redirect chain and trailers are not in it.
    std::string headerBlock;
};

// Runs one exchange to its end (or a limit) and returns what arrived. Thread-safe.
[[nodiscard]] TransferResult RunTransfer(const TransferRequest& request);

}  // namespace talvex
