// WebAccess, FetchPageText and HeaderValue against real servers on 127.0.0.1.
#include <gtest/gtest.h>

#include <atomic>
#include <optional>
#include <string>
#include <vector>

#include "http/access.h"
#include "tests/http/peers.h"
#include "tests/support/loopback_server.h"
#include "tests/support/text_printers.h"
#include "tests/support/tls_loopback_server.h"
#include "text/primitives.h"

namespace talvex {
namespace {

using test::AsBytes;
using test::CannedReply;
using test::Connection;
using test::CookieJarPeer;
using test::HttpRequest;
using test::HttpResponse;
using test::LoopbackServer;
using test::UrlOn;

constexpr const char* kDefaultLines =
    "Accept: */*\r\nReferer: {url}\r\nAccept-Language: zh-cn\r\n"
    "Content-Type: application/x-www-form-urlencoded";

// `pattern` with every "{url}" and "{host}" filled in for `server` and `path`.
std::string Fill(std::string pattern, const LoopbackServer& server, const std::string& path) {
    const std::pair<std::string, std::string> fields[] = {{"{url}", server.Url(path)},
                                                          {"{host}", server.HostAndPort()}};
    for (const auto& [field, value] : fields) {
        for (auto at = pattern.find(field); at != std::string::npos;
             at = pattern.find(field, at + value.size())) {
            pattern.replace(at, field.size(), value);
        }
    }
    return pattern;
}

std::string OnlyRequest(const LoopbackServer& server) {
    const std::vector<HttpRequest> requests = server.Requests();
    EXPECT_EQ(requests.size(), 1u);
    return requests.empty() ? std::string() : requests.front().raw;
}

TEST(FetchPageText, SendsExactlyTheRequestLineAgentAndDefaultHeaderLines) {
    LoopbackServer server(CannedReply(HttpResponse("HTTP/1.1 200 OK", {}, "hello")));
    const std::string path = "/s/%E4%B8%AD/1/?x=A+b";

    EXPECT_EQ(FetchPageText(UrlOn(server, path)), Text("hello"));

    const std::string expected = Fill(
        "GET /s/%E4%B8%AD/1/?x=A+b HTTP/1.1\r\n"
        "Host: {host}\r\n"
        "User-Agent: Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)\r\n"
        "Accept: */*\r\n"
        "Referer: {url}\r\n"
        "Accept-Language: zh-cn\r\n"
        "Content-Type: application/x-www-form-urlencoded\r\n"
        "\r\n",
        server, path);
    EXPECT_EQ(OnlyRequest(server), expected);
}

struct HeaderBlockRow {
    const char* name;
    const char* headersIn;
    std::optional<const char*> cookies;
    const char* blockOut;  // what `headers` holds afterwards
    const char* wire;      // the whole request that reaches the server
};

TEST(WebAccess, HeaderBlockAndAgentFollowTheCallersLines) {
    const std::vector<HeaderBlockRow> rows = {
        {"no caller lines", "", std::nullopt,
         "Accept: */*\r\nReferer: {url}\r\nAccept-Language: zh-cn\r\n"
         "Content-Type: application/x-www-form-urlencoded",
         "GET /p HTTP/1.1\r\nHost: {host}\r\n"
         "User-Agent: Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)\r\n"
         "Accept: */*\r\nReferer: {url}\r\nAccept-Language: zh-cn\r\n"
         "Content-Type: application/x-www-form-urlencoded\r\n\r\n"},
        {"own agent line", "User-Agent: X", std::nullopt,
         "User-Agent: X\r\nAccept: */*\r\nReferer: {url}\r\nAccept-Language: zh-cn\r\n"
         "Content-Type: application/x-www-form-urlencoded",
         "GET /p HTTP/1.1\r\nHost: {host}\r\nUser-Agent: X\r\n"
         "Accept: */*\r\nReferer: {url}\r\nAccept-Language: zh-cn\r\n"
         "Content-Type: application/x-www-form-urlencoded\r\n\r\n"},
        {"own agent line in lower case", "user-agent: X", std::nullopt,
         "user-agent: X\r\nAccept: */*\r\nReferer: {url}\r\nAccept-Language: zh-cn\r\n"
         "Content-Type: application/x-www-form-urlencoded",
         "GET /p HTTP/1.1\r\nHost: {host}\r\nuser-agent: X\r\n"
         "Accept: */*\r\nReferer: {url}\r\nAccept-Language: zh-cn\r\n"
         "Content-Type: application/x-www-form-urlencoded\r\n\r\n"},
        {"Accept-Language is not Accept", "Accept-Language: en", std::nullopt,
         "Accept-Language: en\r\nAccept: */*\r\nReferer: {url}\r\n"
         "Content-Type: application/x-www-form-urlencoded",
         "GET /p HTTP/1.1\r\nHost: {host}\r\n"
         "User-Agent: Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)\r\n"
         "Accept-Language: en\r\nAccept: */*\r\nReferer: {url}\r\n"
         "Content-Type: application/x-www-form-urlencoded\r\n\r\n"},
        {"own Accept, Referer and Content-Type lines",
         "Accept: text/html\r\nReferer: http://r/\r\nContent-Type: text/plain", std::nullopt,
         "Accept: text/html\r\nReferer: http://r/\r\nContent-Type: text/plain\r\n"
         "Accept-Language: zh-cn",
         "GET /p HTTP/1.1\r\nHost: {host}\r\n"
         "User-Agent: Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)\r\n"
         "Accept: text/html\r\nReferer: http://r/\r\nContent-Type: text/plain\r\n"
         "Accept-Language: zh-cn\r\n\r\n"},
        {"an Accept inside another name counts", "X-Accept: 1", std::nullopt,
         "X-Accept: 1\r\nReferer: {url}\r\nAccept-Language: zh-cn\r\n"
         "Content-Type: application/x-www-form-urlencoded",
         "GET /p HTTP/1.1\r\nHost: {host}\r\n"
         "User-Agent: Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)\r\n"
         "X-Accept: 1\r\nReferer: {url}\r\nAccept-Language: zh-cn\r\n"
         "Content-Type: application/x-www-form-urlencoded\r\n\r\n"},
        {"agent taken from a line that only ends in User-Agent", "X-User-Agent: Y\r\nX-Other: 1",
         std::nullopt,
         "X-User-Agent: Y\r\nX-Other: 1\r\nAccept: */*\r\nReferer: {url}\r\n"
         "Accept-Language: zh-cn\r\nContent-Type: application/x-www-form-urlencoded",
         "GET /p HTTP/1.1\r\nHost: {host}\r\nUser-Agent: Y\r\n"
         "X-User-Agent: Y\r\nX-Other: 1\r\nAccept: */*\r\nReferer: {url}\r\n"
         "Accept-Language: zh-cn\r\nContent-Type: application/x-www-form-urlencoded\r\n\r\n"},
        {"hidden agent line in another case falls back to that line", "A: 1\r\nuser-agent: Z",
         std::nullopt,
         "A: 1\r\nuser-agent: Z\r\nAccept: */*\r\nReferer: {url}\r\n"
         "Accept-Language: zh-cn\r\nContent-Type: application/x-www-form-urlencoded",
         "GET /p HTTP/1.1\r\nHost: {host}\r\nA: 1\r\nuser-agent: Z\r\n"
         "Accept: */*\r\nReferer: {url}\r\n"
         "Accept-Language: zh-cn\r\nContent-Type: application/x-www-form-urlencoded\r\n\r\n"},
        {"a line with an empty value is sent as it is", "X-Empty:", std::nullopt,
         "X-Empty:\r\nAccept: */*\r\nReferer: {url}\r\n"
         "Accept-Language: zh-cn\r\nContent-Type: application/x-www-form-urlencoded",
         "GET /p HTTP/1.1\r\nHost: {host}\r\n"
         "User-Agent: Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)\r\n"
         "X-Empty:\r\nAccept: */*\r\nReferer: {url}\r\n"
         "Accept-Language: zh-cn\r\nContent-Type: application/x-www-form-urlencoded\r\n\r\n"},
        {"a lone line feed cannot start a line of its own", "X-A: 1\nInjected: 2", std::nullopt,
         "X-A: 1\nInjected: 2\r\nAccept: */*\r\nReferer: {url}\r\n"
         "Accept-Language: zh-cn\r\nContent-Type: application/x-www-form-urlencoded",
         "GET /p HTTP/1.1\r\nHost: {host}\r\n"
         "User-Agent: Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)\r\n"
         "X-A: 1 Injected: 2\r\nAccept: */*\r\nReferer: {url}\r\n"
         "Accept-Language: zh-cn\r\nContent-Type: application/x-www-form-urlencoded\r\n\r\n"},
        {"cookie list given", "", "a=1; b=2",
         "Accept: */*\r\nReferer: {url}\r\nAccept-Language: zh-cn\r\n"
         "Content-Type: application/x-www-form-urlencoded\r\nCookie: a=1; b=2",
         "GET /p HTTP/1.1\r\nHost: {host}\r\n"
         "User-Agent: Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)\r\n"
         "Accept: */*\r\nReferer: {url}\r\nAccept-Language: zh-cn\r\n"
         "Content-Type: application/x-www-form-urlencoded\r\nCookie: a=1; b=2\r\n\r\n"},
        {"cookie list given and a Cookie line too", "Cookie: z=0", "a=1",
         "Cookie: z=0\r\nAccept: */*\r\nReferer: {url}\r\nAccept-Language: zh-cn\r\n"
         "Content-Type: application/x-www-form-urlencoded\r\nCookie: a=1",
         "GET /p HTTP/1.1\r\nHost: {host}\r\n"
         "User-Agent: Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)\r\n"
         "Cookie: z=0\r\nAccept: */*\r\nReferer: {url}\r\nAccept-Language: zh-cn\r\n"
         "Content-Type: application/x-www-form-urlencoded\r\nCookie: a=1\r\n\r\n"},
        {"cookie list given but empty", "", "",
         "Accept: */*\r\nReferer: {url}\r\nAccept-Language: zh-cn\r\n"
         "Content-Type: application/x-www-form-urlencoded",
         "GET /p HTTP/1.1\r\nHost: {host}\r\n"
         "User-Agent: Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)\r\n"
         "Accept: */*\r\nReferer: {url}\r\nAccept-Language: zh-cn\r\n"
         "Content-Type: application/x-www-form-urlencoded\r\n\r\n"},
    };
    for (const HeaderBlockRow& row : rows) {
        SCOPED_TRACE(row.name);
        LoopbackServer server(CannedReply(HttpResponse("HTTP/1.1 200 OK", {}, "ok")));
        Text headers = row.headersIn;
        Text cookies = row.cookies.value_or("");
        const Bytes body = WebAccess(UrlOn(server, "/p"), 0, {}, row.cookies ? &cookies : nullptr,
                                     nullptr, &headers);
        EXPECT_EQ(body, AsBytes("ok"));
        EXPECT_EQ(headers, Text(Fill(row.blockOut, server, "/p")));
        EXPECT_EQ(OnlyRequest(server), Fill(row.wire, server, "/p"));
    }
}

struct TargetRow {
    const char* path;    // as written in the address
    const char* target;  // as it appears in the request line
};

TEST(WebAccess, RequestLineCarriesThePathWithUnsafeBytesEncodedAndNoFragment) {
    const std::vector<TargetRow> rows = {
        {"/a/../b/./c", "/a/../b/./c"},
        {"/x?y=1#frag", "/x?y=1"},
        {"/a b", "/a%20b"},
        {"/\xC4\xE3?q=\xBA\xC3", "/%C4%E3?q=%BA%C3"},
        {"/%41%zz", "/%41%zz"},
    };
    for (const TargetRow& row : rows) {
        SCOPED_TRACE(row.path);
        LoopbackServer server(CannedReply(HttpResponse("HTTP/1.1 200 OK", {}, "ok")));
        EXPECT_EQ(FetchPageText(UrlOn(server, row.path)), Text("ok"));
        const std::vector<HttpRequest> requests = server.Requests();
        ASSERT_EQ(requests.size(), 1u);
        EXPECT_EQ(requests[0].target, row.target);
    }
}

TEST(WebAccess, PostSendsTheTextBodyAndWritesItIntoPostBytes) {
    LoopbackServer server(CannedReply(HttpResponse("HTTP/1.1 200 OK", {}, "posted")));
    Bytes postBytes;
    const Bytes body = WebAccess(UrlOn(server, "/form"), 1, "a=1&b=2", nullptr, nullptr, nullptr,
                                 nullptr, false, &postBytes);
    EXPECT_EQ(body, AsBytes("posted"));
    EXPECT_EQ(postBytes, AsBytes("a=1&b=2"));
    EXPECT_EQ(OnlyRequest(server),
              Fill("POST /form HTTP/1.1\r\nHost: {host}\r\n"
                   "User-Agent: Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)\r\n"
                   "Accept: */*\r\nReferer: {url}\r\nAccept-Language: zh-cn\r\n"
                   "Content-Type: application/x-www-form-urlencoded\r\n"
                   "Content-Length: 7\r\n\r\na=1&b=2",
                   server, "/form"));
}

TEST(WebAccess, PostBytesTakePrecedenceOverPostTextAndMayHoldNulBytes) {
    LoopbackServer server(CannedReply(HttpResponse("HTTP/1.1 200 OK", {}, "")));
    Bytes postBytes(std::string_view("x\0y", 3));
    WebAccess(UrlOn(server, "/form"), 1, "ignored", nullptr, nullptr, nullptr, nullptr, false,
              &postBytes);
    const std::vector<HttpRequest> requests = server.Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].body, std::string("x\0y", 3));
    EXPECT_EQ(postBytes, Bytes(std::string_view("x\0y", 3)));
}

TEST(WebAccess, LargePostGoesOutWithoutWaitingForContinue) {
    LoopbackServer server(CannedReply(HttpResponse("HTTP/1.1 200 OK", {}, "ok")));
    const std::string large(2 * 1024 * 1024, 'p');
    EXPECT_EQ(WebAccess(UrlOn(server, "/big"), 1, Text(large)), AsBytes("ok"));
    const std::vector<HttpRequest> requests = server.Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].body, large);
    EXPECT_EQ(requests[0].raw.find("Expect:"), std::string::npos);
}

TEST(WebAccess, OutOfRangeMethodsSendAGetWithoutBody) {
    for (const int method : {3, -1, 1000}) {
        SCOPED_TRACE(method);
        LoopbackServer server(CannedReply(HttpResponse("HTTP/1.1 200 OK", {}, "ok")));
        Bytes postBytes;
        EXPECT_EQ(WebAccess(UrlOn(server, "/m"), method, "text", nullptr, nullptr, nullptr, nullptr,
                            false, &postBytes),
                  AsBytes("ok"));
        const std::vector<HttpRequest> requests = server.Requests();
        ASSERT_EQ(requests.size(), 1u);
        EXPECT_EQ(requests[0].method, "GET");
        EXPECT_EQ(requests[0].raw.find("Content-Length"), std::string::npos);
        EXPECT_TRUE(postBytes.empty());
    }
}

// Answers a HEAD with headers that announce a body, sends none and keeps the connection open,
// as a server does; a client waiting for that body would wait for the stall time-out.
void AnswerHeadWithoutBody(const HttpRequest& request, Connection& connection) {
    if (request.target == "/old") {
        connection.Send("HTTP/1.1 302 Found\r\nLocation: /new\r\nContent-Length: 40\r\n\r\n");
    } else {
        connection.Send("HTTP/1.1 200 OK\r\nContent-Length: 1000\r\nX-Head: yes\r\n\r\n");
    }
}

TEST(WebAccess, HeadCarriesThePostBodyAndEndsWithTheHeaders) {
    LoopbackServer server(AnswerHeadWithoutBody);
    Text returnedHeaders;
    TransferLimits limits;
    limits.stallTimeout = std::chrono::seconds(20);
    const Bytes body = WebAccess(UrlOn(server, "/old"), 2, "q=1", nullptr, nullptr, nullptr,
                                 &returnedHeaders, false, nullptr, {}, limits);
    EXPECT_TRUE(body.empty());
    EXPECT_EQ(returnedHeaders,
              Text("HTTP/1.1 200 OK\r\nContent-Length: 1000\r\nX-Head: yes\r\n\r\n"));
    const std::vector<HttpRequest> requests = server.Requests();
    ASSERT_EQ(requests.size(), 2u);
    for (const HttpRequest& request : requests) {
        EXPECT_EQ(request.method, "HEAD");
        EXPECT_EQ(request.body, "q=1");
    }
    EXPECT_EQ(requests[1].target, "/new");
}

TEST(WebAccess, HeadWithNoRedirectReturnsTheRedirectHeaders) {
    LoopbackServer server(AnswerHeadWithoutBody);
    Text returnedHeaders;
    const Bytes body =
        WebAccess(UrlOn(server, "/old"), 2, "", nullptr, nullptr, nullptr, &returnedHeaders, true);
    EXPECT_TRUE(body.empty());
    EXPECT_EQ(returnedHeaders,
              Text("HTTP/1.1 302 Found\r\nLocation: /new\r\nContent-Length: 40\r\n\r\n"));
    EXPECT_EQ(server.Requests().size(), 1u);
}

TEST(WebAccess, SetCookieNamesInAnyCaseAreNormalisedAndTheirFirstPairsReturned) {
    // Cookies without a Path stay under /mixed in the client's store.
    LoopbackServer server(CannedReply(
        HttpResponse("HTTP/1.1 200 OK",
                     {"set-cookie: sid=1; path=/mixed", "SET-COOKIE: lang=x", "X-Other: 1"}, "")));
    Text returnedCookies;
    Text returnedHeaders;
    WebAccess(UrlOn(server, "/mixed/page"), 0, {}, nullptr, &returnedCookies, nullptr,
              &returnedHeaders);
    EXPECT_EQ(returnedHeaders, Text("HTTP/1.1 200 OK\r\nSet-Cookie: sid=1; path=/mixed\r\n"
                                    "Set-Cookie: lang=x\r\nX-Other: 1\r\n"
                                    "Content-Length: 0\r\n\r\n"));
    EXPECT_EQ(returnedCookies, Text("sid=1; lang=x"));
}

TEST(WebAccess, SuppliedCookiesAreSentAndMergedWithTheResponsesCookies) {
    LoopbackServer server(
        CannedReply(HttpResponse("HTTP/1.1 200 OK", {"Set-Cookie: b=2; Path=/given"}, "")));
    Text cookies = "a=1";
    Text returnedCookies = "stale";
    WebAccess(UrlOn(server, "/given/x"), 0, {}, &cookies, &returnedCookies);
    EXPECT_EQ(cookies, Text("b=2; a=1"));
    EXPECT_EQ(returnedCookies, Text("b=2"));
    EXPECT_NE(OnlyRequest(server).find("\r\nCookie: a=1\r\n"), std::string::npos);
}

TEST(WebAccess, SuppliedEmptyCookiesReceiveTheResponsesPairsWithoutSpacesInReturned) {
    LoopbackServer server(CannedReply(
        HttpResponse("HTTP/1.1 200 OK", {"Set-Cookie: a=1; Path=/empty", "Set-Cookie: b=2"}, "")));
    Text cookies;
    Text returnedCookies;
    WebAccess(UrlOn(server, "/empty/x"), 0, {}, &cookies, &returnedCookies);
    EXPECT_EQ(cookies, Text("a=1; b=2"));
    EXPECT_EQ(returnedCookies, Text("a=1;b=2"));
    EXPECT_EQ(OnlyRequest(server).find("Cookie"), std::string::npos);
}

TEST(WebAccess, WithoutCookiesTheClientsStoreKeepsAndSendsCookies) {
    LoopbackServer server(CookieJarPeer);
    WebAccess(UrlOn(server, "/store/set?kept=1"));
    EXPECT_EQ(FetchPageText(UrlOn(server, "/store/page")), Text("Cookie: kept=1"));
    // A call with its own list neither reads the store ...
    Text cookies;
    EXPECT_EQ(WebAccess(UrlOn(server, "/store/page"), 0, {}, &cookies), AsBytes("none"));
    // ... nor writes it.
    Text more;
    WebAccess(UrlOn(server, "/store/set?private=2"), 0, {}, &more);
    EXPECT_EQ(more, Text("private=2"));
    EXPECT_EQ(FetchPageText(UrlOn(server, "/store/page")), Text("Cookie: kept=1"));
}

TEST(WebAccess, HeaderBlockLongerThanFiveThousandBytesComesBackWhole) {
    std::vector<std::string> lines;
    for (int i = 0; i < 150; ++i) {
        lines.push_back("X-Filler-" + std::to_string(i) + ": " + std::string(60, 'f'));
    }
    lines.push_back("Set-Cookie: late=1; Path=/long");
    const std::string response = HttpResponse("HTTP/1.1 200 OK", lines, "body");
    LoopbackServer server(CannedReply(response));
    Text cookies;
    Text returnedCookies;
    Text returnedHeaders;
    EXPECT_EQ(WebAccess(UrlOn(server, "/long/x"), 0, {}, &cookies, &returnedCookies, nullptr,
                        &returnedHeaders),
              AsBytes("body"));
    EXPECT_GT(returnedHeaders.size(), 10000u);
    EXPECT_EQ(returnedHeaders, Text(response.substr(0, response.size() - 4)));
    EXPECT_EQ(returnedCookies, Text("late=1"));
    EXPECT_EQ(cookies, Text("late=1"));
}

// /a redirects to /b, which answers; /loop redirects to itself; /file and /ftp point at
// addresses that are no web pages.
void RedirectingPeer(const HttpRequest& request, Connection& connection) {
    const auto redirect = [&connection](const std::string& location) {
        connection.Send(
            HttpResponse("HTTP/1.1 302 Found", {"Location: " + location}, "redirect body"));
    };
    if (request.target == "/a") {
        redirect("/b");
    } else if (request.target == "/loop") {
        redirect("/loop");
    } else if (request.target == "/file") {
        redirect("file:///etc/passwd");
    } else if (request.target == "/ftp") {
        redirect("ftp://127.0.0.1/x");
    } else {
        connection.Send(
            HttpResponse("HTTP/1.1 200 OK", {"Set-Cookie: final=1; Path=/b"}, "final body"));
    }
}

TEST(WebAccess, FollowsARedirectAndReportsTheFinalResponse) {
    LoopbackServer server(RedirectingPeer);
    Text cookies;
    Text returnedHeaders;
    EXPECT_EQ(WebAccess(UrlOn(server, "/a"), 0, {}, &cookies, nullptr, nullptr, &returnedHeaders),
              AsBytes("final body"));
    EXPECT_EQ(returnedHeaders, Text("HTTP/1.1 200 OK\r\nSet-Cookie: final=1; Path=/b\r\n"
                                    "Content-Length: 10\r\n\r\n"));
    EXPECT_EQ(cookies, Text("final=1"));
}

TEST(WebAccess, NoRedirectReturnsTheRedirectResponsesBody) {
    LoopbackServer server(RedirectingPeer);
    Text returnedHeaders;
    EXPECT_EQ(
        WebAccess(UrlOn(server, "/a"), 0, {}, nullptr, nullptr, nullptr, &returnedHeaders, true),
        AsBytes("redirect body"));
    EXPECT_EQ(returnedHeaders,
              Text("HTTP/1.1 302 Found\r\nLocation: /b\r\nContent-Length: 13\r\n\r\n"));
    EXPECT_EQ(server.Requests().size(), 1u);
}

TEST(WebAccess, RedirectLoopEndsAfterTenRedirects) {
    LoopbackServer server(RedirectingPeer);
    EXPECT_TRUE(WebAccess(UrlOn(server, "/loop")).empty());
    EXPECT_EQ(server.Requests().size(), 11u);  // the first request and ten redirects
}

TEST(WebAccess, RedirectToAnythingButHttpIsNotFollowed) {
    for (const char* path : {"/file", "/ftp"}) {
        SCOPED_TRACE(path);
        LoopbackServer server(RedirectingPeer);
        const Bytes body = WebAccess(UrlOn(server, path));
        EXPECT_EQ(body.view().find("root:"), std::string::npos);
        EXPECT_TRUE(body.empty());
        EXPECT_EQ(server.Requests().size(), 1u);
    }
}

TEST(WebAccess, ErrorStatusBodiesComeBackLikeAnyOther) {
    for (const char* status : {"HTTP/1.1 404 Not Found", "HTTP/1.1 500 Internal Server Error"}) {
        SCOPED_TRACE(status);
        LoopbackServer server(CannedReply(HttpResponse(status, {}, "<html>sorry</html>")));
        Text returnedHeaders;
        EXPECT_EQ(WebAccess(UrlOn(server, "/missing"), 0, {}, nullptr, nullptr, nullptr,
                            &returnedHeaders),
                  AsBytes("<html>sorry</html>"));
        EXPECT_EQ(LeftText(returnedHeaders, TextLength(status)), Text(status));
    }
}

TEST(WebAccess, BodyWithNulBytesComesBackWholeAndFetchPageTextStopsAtTheFirst) {
    const std::string withNul("ab\0cd\0", 6);
    LoopbackServer server(CannedReply(HttpResponse("HTTP/1.1 200 OK", {}, withNul)));
    EXPECT_EQ(WebAccess(UrlOn(server, "/nul")), Bytes(withNul));
    EXPECT_EQ(FetchPageText(UrlOn(server, "/nul")), Text("ab"));
}

TEST(WebAccess, ChunkedBodyIsJoinedAndTrailersStayOutOfTheHeaders) {
    LoopbackServer server(
        CannedReply("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\nTrailer: X-Sum\r\n\r\n"
                    "6\r\nhello \r\n8\r\nchunked \r\n5\r\nworld\r\n0\r\nX-Sum: 42\r\n\r\n"));
    Text returnedHeaders;
    EXPECT_EQ(
        WebAccess(UrlOn(server, "/chunked"), 0, {}, nullptr, nullptr, nullptr, &returnedHeaders),
        AsBytes("hello chunked world"));
    EXPECT_EQ(returnedHeaders,
              Text("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\nTrailer: X-Sum\r\n\r\n"));
}

// Sends an endless body in blocks, announcing a length past the cap, until the client stops
// reading.
void EndlessBodyPeer(const HttpRequest&, Connection& connection) {
    const std::string block(1024 * 1024, 'z');
    connection.Send("HTTP/1.1 200 OK\r\nContent-Length: 1099511627776\r\n\r\n");
    while (connection.Send(block)) {
    }
    connection.CloseAfterReply();
}

TEST(WebAccess, BodyIsCutAtSixtyFourMebibytes) {
    LoopbackServer server(EndlessBodyPeer);
    const Bytes body = WebAccess(UrlOn(server, "/endless"));
    ASSERT_EQ(body.size(), std::size_t{64} * 1024 * 1024);
    EXPECT_EQ(body.view().find_first_not_of('z'), std::string_view::npos);
}

TEST(WebAccess, ServerThatAcceptsAndStallsEndsAtTheStallTimeOut) {
    LoopbackServer server([](const HttpRequest&, Connection& connection) {
        connection.Stall(std::chrono::minutes(5));
    });
    TransferLimits limits;
    limits.stallTimeout = std::chrono::seconds(1);
    Text headers;
    Text returnedHeaders = "untouched";
    const Bytes body = WebAccess(UrlOn(server, "/stall"), 0, {}, nullptr, nullptr, &headers,
                                 &returnedHeaders, false, nullptr, {}, limits);
    EXPECT_TRUE(body.empty());
    EXPECT_EQ(returnedHeaders, BlankText(5000));  // no response arrived
    EXPECT_FALSE(headers.empty());                // the request was made
}

TEST(WebAccess, StallMidBodyReturnsWhatArrived) {
    LoopbackServer server([](const HttpRequest&, Connection& connection) {
        connection.Send("HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\n<");
        connection.Stall(std::chrono::minutes(5));
    });
    TransferLimits limits;
    limits.stallTimeout = std::chrono::seconds(1);
    Text returnedHeaders;
    EXPECT_EQ(WebAccess(UrlOn(server, "/half"), 0, {}, nullptr, nullptr, nullptr, &returnedHeaders,
                        false, nullptr, {}, limits),
              AsBytes("<"));
    EXPECT_EQ(returnedHeaders, Text("HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\n"));
}

TEST(WebAccess, ConnectionClosedMidBodyReturnsWhatArrived) {
    LoopbackServer server(CannedReply("HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\npartial"));
    EXPECT_EQ(WebAccess(UrlOn(server, "/cut")), AsBytes("partial"));
}

TEST(WebAccess, ProxyReceivesTheAbsoluteAddressInTheRequestLine) {
    LoopbackServer proxy(CannedReply(HttpResponse("HTTP/1.1 200 OK", {}, "via proxy")));
    const Text url = "http://origin.talvex.example:8081/p?q=1";
    EXPECT_EQ(WebAccess(url, 0, {}, nullptr, nullptr, nullptr, nullptr, false, nullptr,
                        Text(proxy.HostAndPort())),
              AsBytes("via proxy"));
    EXPECT_EQ(OnlyRequest(proxy),
              "GET http://origin.talvex.example:8081/p?q=1 HTTP/1.1\r\n"
              "Host: origin.talvex.example:8081\r\n"
              "User-Agent: Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)\r\n"
              "Proxy-Connection: Keep-Alive\r\n"  // the client's own line for a proxy
              "Accept: */*\r\n"
              "Referer: http://origin.talvex.example:8081/p?q=1\r\n"
              "Accept-Language: zh-cn\r\n"
              "Content-Type: application/x-www-form-urlencoded\r\n"
              "\r\n");
}

TEST(WebAccess, HttpsThroughTheProxyAsksItForATunnel) {
    LoopbackServer proxy(CannedReply(HttpResponse("HTTP/1.1 403 Forbidden", {}, "no")));
    EXPECT_TRUE(WebAccess("https://origin.talvex.example/p", 0, {}, nullptr, nullptr, nullptr,
                          nullptr, false, nullptr, Text(proxy.HostAndPort()))
                    .empty());
    const std::vector<HttpRequest> requests = proxy.Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].method, "CONNECT");
    EXPECT_EQ(requests[0].target, "origin.talvex.example:443");
}

TEST(WebAccess, CallThatCannotBeSetUpChangesNoneOfTheCallersVariables) {
    for (const char* url : {"", "http://", "http://host?x=1", "http://127.0.0.1:70000/",
                            "http://127.0.0.1:-1/", "http://bad host/"}) {
        SCOPED_TRACE(url);
        Text cookies = "c=1";
        Text returnedCookies = "rc";
        Text headers = "X-Mine: 1";
        Text returnedHeaders = "rh";
        Bytes postBytes;
        EXPECT_TRUE(WebAccess(url, 1, "body", &cookies, &returnedCookies, &headers,
                              &returnedHeaders, false, &postBytes)
                        .empty());
        EXPECT_EQ(cookies, Text("c=1"));
        EXPECT_EQ(returnedCookies, Text("rc"));
        EXPECT_EQ(headers, Text("X-Mine: 1"));
        EXPECT_EQ(returnedHeaders, Text("rh"));
        EXPECT_TRUE(postBytes.empty());
    }
}

TEST(WebAccess, UnreachableServerStillFillsTheCallersVariables) {
    int closedPort = 0;
    {
        LoopbackServer gone(CannedReply(""));
        closedPort = gone.Port();
    }
    const std::string url = "http://127.0.0.1:" + std::to_string(closedPort) + "/x";
    Text cookies = "a=1;  b=2";
    Text returnedCookies = "rc";
    Text headers;
    Text returnedHeaders;
    EXPECT_TRUE(WebAccess(Text(url), 0, {}, &cookies, &returnedCookies, &headers, &returnedHeaders)
                    .empty());
    EXPECT_EQ(cookies, Text("a=1; b=2"));
    EXPECT_EQ(returnedCookies, Text(""));
    EXPECT_EQ(returnedHeaders, BlankText(5000));
    EXPECT_EQ(headers, Text("Accept: */*\r\nReferer: " + url +
                            "\r\nAccept-Language: zh-cn\r\n"
                            "Content-Type: application/x-www-form-urlencoded\r\n"
                            "Cookie: a=1;  b=2"));
}

TEST(WebAccess, EmptyPortIsPassedOnAsPortZeroWhoseConnectionFails) {
    Text headers;
    Text returnedHeaders;
    EXPECT_TRUE(
        WebAccess("http://127.0.0.1:/p", 0, {}, nullptr, nullptr, &headers, &returnedHeaders)
            .empty());
    EXPECT_FALSE(headers.empty());
    EXPECT_EQ(returnedHeaders, BlankText(5000));
}

TEST(WebAccess, HttpsServerWithAnUntrustedCertificateIsRefusedBeforeTheRequest) {
    test::TlsLoopbackServer server(HttpResponse("HTTP/1.1 200 OK", {}, "secret"));
    Text returnedHeaders;
    EXPECT_TRUE(
        WebAccess(Text(server.Url("/tls")), 0, {}, nullptr, nullptr, nullptr, &returnedHeaders)
            .empty());
    EXPECT_EQ(returnedHeaders, BlankText(5000));
    EXPECT_EQ(server.Requests(), 0);
}

TEST(WebAccess, IgnoresTheProxyOfTheEnvironment) {
    LoopbackServer origin(CannedReply(HttpResponse("HTTP/1.1 200 OK", {}, "direct")));
    LoopbackServer proxy(CannedReply(HttpResponse("HTTP/1.1 200 OK", {}, "proxied")));
    const std::string proxyUrl = "http://" + proxy.HostAndPort();
    setenv("http_proxy", proxyUrl.c_str(), 1);
    setenv("no_proxy", "", 1);
    const Text page = FetchPageText(UrlOn(origin, "/direct"));
    unsetenv("http_proxy");
    unsetenv("no_proxy");
    EXPECT_EQ(page, Text("direct"));
    EXPECT_TRUE(proxy.Requests().empty());
}

struct HeaderValueRow {
    const char* line;
    const char* value;
};

TEST(HeaderValue, IsTheTrimmedTextAfterTheFirstColon) {
    const std::vector<HeaderValueRow> rows = {
        {"no colon", ""}, {"Name:  v  ", "v"},    {"a:b:c", "b:c"}, {":", ""},
        {"", ""},         {"User-Agent: X", "X"},
    };
    for (const HeaderValueRow& row : rows) {
        SCOPED_TRACE(row.line);
        EXPECT_EQ(HeaderValue(row.line), Text(row.value));
    }
}

}  // namespace
}  // namespace talvex
