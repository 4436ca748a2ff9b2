#include "http/transfer.h"

#include <curl/curl.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <memory>
#include <mutex>
#include <string_view>

namespace talvex {
namespace {

struct EasyCloser {
    void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};
struct UrlCloser {
    void operator()(CURLU* url) const { curl_url_cleanup(url); }
};
struct ListCloser {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
struct ShareCloser {
    void operator()(CURLSH* share) const { curl_share_cleanup(share); }
};
struct StringCloser {
    void operator()(char* text) const { curl_free(text); }
};
using EasyHandle = std::unique_ptr<CURL, EasyCloser>;
using UrlHandle = std::unique_ptr<CURLU, UrlCloser>;
using HeaderList = std::unique_ptr<curl_slist, ListCloser>;
using LibraryString = std::unique_ptr<char, StringCloser>;

// The process-wide cookie store: every request made without a cookie list of its own reads
// and writes it, from any thread, so the library's access to it is serialised here.
class CookieStore {
  public:
    CookieStore() : m_share(curl_share_init()) {
        if (!m_share) {
            return;
        }
        curl_share_setopt(m_share.get(), CURLSHOPT_LOCKFUNC, &CookieStore::Lock);
        curl_share_setopt(m_share.get(), CURLSHOPT_UNLOCKFUNC, &CookieStore::Unlock);
        curl_share_setopt(m_share.get(), CURLSHOPT_USERDATA, this);
        curl_share_setopt(m_share.get(), CURLSHOPT_SHARE, CURL_LOCK_DATA_COOKIE);
    }
    CookieStore(const CookieStore&) = delete;
    CookieStore& operator=(const CookieStore&) = delete;

    [[nodiscard]] CURLSH* share() const { return m_share.get(); }

  private:
    std::mutex& LockFor(curl_lock_data data) {
        const auto index = static_cast<std::size_t>(data);
        return m_locks[std::min(index, m_locks.size() - 1)];
    }
    static void Lock(CURL*, curl_lock_data data, curl_lock_access, void* self) {
        static_cast<CookieStore*>(self)->LockFor(data).lock();
    }
    static void Unlock(CURL*, curl_lock_data data, void* self) {
        static_cast<CookieStore*>(self)->LockFor(data).unlock();
    }

    std::array<std::mutex, CURL_LOCK_DATA_LAST + 1> m_locks;
    std::unique_ptr<CURLSH, ShareCloser> m_share;  // after the locks: released before them
};

CookieStore& SharedCookieStore() {
    static CookieStore store;
    return store;
}

// The library refuses spaces, control bytes and bytes above 0x7E in an address; they are
// percent-encoded, everything else is passed on as written.
std::string EncodeUnsafeBytes(std::string_view url) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string encoded;
    encoded.reserve(url.size());
    for (const char c : url) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte <= 0x20 || byte >= 0x7F) {
            encoded += '%';
            encoded += kHex[byte >> 4];
            encoded += kHex[byte & 0x0F];
        } else {
            encoded += c;
        }
    }
    return encoded;
}

// The parsed address, or null when it is not a usable http or https address; a relative
// address is resolved against `base`. Credentials written into the address and the fragment
// are dropped: they never go on the wire.
UrlHandle ParseAddress(std::string_view url, CURLU* base = nullptr) {
    UrlHandle parsed(base != nullptr ? curl_url_dup(base) : curl_url());
    if (!parsed) {
        return nullptr;
    }
    const std::string encoded = EncodeUnsafeBytes(url);
    if (curl_url_set(parsed.get(), CURLUPART_URL, encoded.c_str(), CURLU_PATH_AS_IS) != CURLUE_OK) {
        return nullptr;
    }
    char* rawScheme = nullptr;
    if (curl_url_get(parsed.get(), CURLUPART_SCHEME, &rawScheme, 0) != CURLUE_OK) {
        return nullptr;
    }
    const LibraryString scheme(rawScheme);
    const std::string_view name(scheme.get());
    if (name != "http" && name != "https") {
        return nullptr;
    }
    curl_url_set(parsed.get(), CURLUPART_USER, nullptr, 0);
    curl_url_set(parsed.get(), CURLUPART_PASSWORD, nullptr, 0);
    curl_url_set(parsed.get(), CURLUPART_FRAGMENT, nullptr, 0);
    return parsed;
}

// What one call gathers from the library's callbacks.
struct Exchange {
    Exchange(const TransferRequest& forRequest, TransferResult& into)
        : request(forRequest), result(into) {}
    const TransferRequest& request;
    TransferResult& result;
    std::string block;  // the header block being received
    bool inBlock = false;
    bool blockComplete = false;
    long status = 0;
    std::string location;  // the Location header of the block being received
    bool endedAtHeaders = false;
};

bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() &&
           std::equal(prefix.begin(), prefix.end(), text.begin(), [](char a, char b) {
               return std::tolower(static_cast<unsigned char>(a)) ==
                      std::tolower(static_cast<unsigned char>(b));
           });
}

long StatusOf(std::string_view statusLine) {
    const auto space = statusLine.find(' ');
    long status = 0;
    for (auto i = space == std::string_view::npos ? statusLine.size() : space + 1;
         i < statusLine.size() && statusLine[i] >= '0' && statusLine[i] <= '9' && status < 1000;
         ++i) {
        status = status * 10 + (statusLine[i] - '0');
    }
    return status;
}

std::size_t OnBody(char* data, std::size_t size, std::size_t count, void* user) {
    auto& exchange = *static_cast<Exchange*>(user);
    std::string& body = exchange.result.body;
    const std::size_t limit = exchange.request.limits.maxBodyBytes;
    const std::size_t arrived = size * count;
    const std::size_t taken = std::min(arrived, limit - std::min(limit, body.size()));
    if (body.capacity() - body.size() < taken) {
        // Doubling keeps the gathering linear; the cap keeps the buffer within the limit.
        body.reserve(std::min(std::max(body.size() + taken, 2 * body.capacity()), limit));
    }
    body.append(data, taken);
    return taken;  // less than arrived ends the transfer at the cap
}

std::size_t OnHeaderLine(char* data, std::size_t size, std::size_t count, void* user) {
    auto& exchange = *static_cast<Exchange*>(user);
    const std::size_t arrived = size * count;
    std::string_view line(data, arrived);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) {
        line.remove_suffix(1);
    }
    if (line.starts_with("HTTP/")) {
        // Each response of a redirect chain starts afresh: only the last block is kept.
        exchange.block.clear();
        exchange.inBlock = true;
        exchange.blockComplete = false;
        exchange.status = StatusOf(line);
        exchange.location.clear();
    } else if (!exchange.inBlock || exchange.blockComplete) {
        return arrived;  // trailers after a chunked body are no part of the block
    }
    exchange.block.append(line).append("\r\n");
    if (StartsWithIgnoringCase(line, "Location:")) {
        const std::string_view value = line.substr(9);
        const auto start = value.find_first_not_of(" \t");
        exchange.location = start == std::string_view::npos ? "" : value.substr(start);
    }
    if (!line.empty()) {
        return arrived;
    }
    exchange.blockComplete = true;
    exchange.result.gotHeaders = true;
    exchange.result.headerBlock = exchange.block;
    const bool interim = exchange.status >= 100 && exchange.status < 200;
    if (exchange.request.endAfterHeaders && !interim) {
        exchange.endedAtHeaders = true;
        return 0;  // ends the transfer here; the caller takes it as success
    }
    return arrived;
}

class Options {
  public:
    explicit Options(CURL* handle) : m_handle(handle) {}
    template <typename Value>
    void Set(CURLoption option, Value value) {
        m_ok = m_ok && curl_easy_setopt(m_handle, option, value) == CURLE_OK;
    }
    [[nodiscard]] bool ok() const { return m_ok; }

  private:
    CURL* m_handle;
    bool m_ok = true;
};

}  // namespace

void InitHttpClient() {
    static std::once_flag once;
    std::call_once(once, [] {
        curl_global_init(CURL_GLOBAL_DEFAULT);
        (void)SharedCookieStore();
    });
}

TransferResult RunTransfer(const TransferRequest& request) {
    TransferResult result;
    UrlHandle address = ParseAddress(request.url);
    EasyHandle handle(curl_easy_init());
    if (!address || !handle) {
        return result;
    }
    HeaderList headerLines;
    for (const std::string& line : request.headerLines) {
        curl_slist* head = curl_slist_append(headerLines.get(), line.c_str());
        if (head == nullptr) {
            return result;
        }
        (void)headerLines.release();
        headerLines.reset(head);
    }
    const std::string proxy = request.proxy.empty() ? "" : "http://" + request.proxy;
    // With endAfterHeaders every response ends the exchange, so redirects are followed here
    // rather than by the library, which would wait for a redirect body that never comes.
    const bool libraryFollows = request.followRedirects && !request.endAfterHeaders;
    const bool weFollow = request.followRedirects && request.endAfterHeaders;
    Exchange exchange(request, result);

    CURL* curl = handle.get();
    Options options(curl);
    options.Set(CURLOPT_CURLU, address.get());
    options.Set(CURLOPT_NOSIGNAL, 1L);
    options.Set(CURLOPT_PROTOCOLS_STR, "http,https");
    options.Set(CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    options.Set(CURLOPT_FOLLOWLOCATION, libraryFollows ? 1L : 0L);
    options.Set(CURLOPT_MAXREDIRS, static_cast<long>(request.limits.maxRedirects));
    options.Set(CURLOPT_HTTP_VERSION, request.version == HttpVersion::Http10
                                          ? static_cast<long>(CURL_HTTP_VERSION_1_0)
                                          : static_cast<long>(CURL_HTTP_VERSION_1_1));
    options.Set(CURLOPT_PATH_AS_IS, 1L);
    options.Set(CURLOPT_SSL_VERIFYPEER, 1L);
    options.Set(CURLOPT_SSL_VERIFYHOST, 2L);
    options.Set(CURLOPT_CONNECTTIMEOUT, static_cast<long>(request.limits.connectTimeout.count()));
    options.Set(CURLOPT_LOW_SPEED_LIMIT, 1L);
    options.Set(CURLOPT_LOW_SPEED_TIME, static_cast<long>(request.limits.stallTimeout.count()));
    options.Set(CURLOPT_TIMEOUT, static_cast<long>(request.limits.totalTimeout.count()));
    // An empty proxy means a direct connection, whatever the environment says.
    options.Set(CURLOPT_PROXY, proxy.c_str());
    options.Set(CURLOPT_NOPROXY, "");
    options.Set(CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L);
    if (!request.agent.empty()) {
        options.Set(CURLOPT_USERAGENT, request.agent.c_str());
    }
    options.Set(CURLOPT_HTTPHEADER, headerLines.get());
    if (request.sendBody) {
        options.Set(CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(request.body.size()));
        options.Set(CURLOPT_POSTFIELDS, request.body.data());
    }
    if (request.verb != "GET" && request.verb != "POST") {
        options.Set(CURLOPT_CUSTOMREQUEST, request.verb.c_str());
    }
    if (request.useCookieStore) {
        options.Set(CURLOPT_SHARE, SharedCookieStore().share());
        options.Set(CURLOPT_COOKIEFILE, "");  // switches the cookie engine on, reads no file
    }
    options.Set(CURLOPT_WRITEFUNCTION, &OnBody);
    options.Set(CURLOPT_WRITEDATA, &exchange);
    options.Set(CURLOPT_HEADERFUNCTION, &OnHeaderLine);
    options.Set(CURLOPT_HEADERDATA, &exchange);
    if (!options.ok()) {
        return result;
    }
    result.setUp = true;

    for (int redirects = 0;; ++redirects) {
        exchange.endedAtHeaders = false;
        (void)curl_easy_perform(curl);  // a failure shows as what did not arrive
        if (!weFollow || !exchange.endedAtHeaders || exchange.status < 300 ||
            exchange.status > 399 || redirects >= request.limits.maxRedirects) {
            break;
        }
        if (exchange.location.empty()) {
            break;
        }
        UrlHandle next = ParseAddress(exchange.location, address.get());
        if (!next || curl_easy_setopt(curl, CURLOPT_CURLU, next.get()) != CURLE_OK) {
            break;
        }
        address = std::move(next);
    }
    return result;
}

}  // namespace talvex
