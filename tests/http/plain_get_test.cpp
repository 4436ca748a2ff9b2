// The update check's plain client against real servers on 127.0.0.1.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "http/plain_get.h"
#include "tests/http/peers.h"
#include "tests/support/loopback_server.h"
#include "tests/support/text_printers.h"
#include "tests/support/tls_loopback_server.h"

namespace talvex {
namespace {

using test::AsBytes;
using test::CannedReply;
using test::Connection;
using test::HttpRequest;
using test::HttpResponse;
using test::LoopbackServer;
using test::UrlOn;

TEST(HttpGetBytes, SendsAPlainHttp10GetWithItsOwnAgent) {
    LoopbackServer server(CannedReply(HttpResponse("HTTP/1.0 200 OK", {}, "file")));
    EXPECT_EQ(HttpGetBytes(UrlOn(server, "/gengxin/gengxin2.txt")), AsBytes("file"));
    const std::vector<HttpRequest> requests = server.Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].raw,
              "GET /gengxin/gengxin2.txt HTTP/1.0\r\n"
              "Host: " +
                  server.HostAndPort() +
                  "\r\n"
                  "User-Agent: Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)\r\n"
                  "Accept: */*\r\n"
                  "\r\n");
}

TEST(HttpGetBytes, SendsNoCookieEvenWhenTheServerSetOne) {
    LoopbackServer server(CannedReply(HttpResponse("HTTP/1.0 200 OK", {"Set-Cookie: u=1"}, "x")));
    EXPECT_EQ(HttpGetBytes(UrlOn(server, "/a")), AsBytes("x"));
    EXPECT_EQ(HttpGetBytes(UrlOn(server, "/a")), AsBytes("x"));
    for (const HttpRequest& request : server.Requests()) {
        EXPECT_EQ(request.raw.find("Cookie"), std::string::npos);
    }
}

TEST(HttpGetBytes, DropsCredentialsWrittenIntoTheAddress) {
    LoopbackServer server(CannedReply(HttpResponse("HTTP/1.0 200 OK", {}, "x")));
    const std::string url = "http://user:secret@" + server.HostAndPort() + "/f";
    EXPECT_EQ(HttpGetBytes(Text(url)), AsBytes("x"));
    const std::vector<HttpRequest> requests = server.Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].raw.find("Authorization"), std::string::npos);
}

TEST(HttpGetBytes, ErrorPageBodyComesBackAndNulBytesStay) {
    const std::string page("<h1>404</h1>\0tail", 17);
    LoopbackServer server(CannedReply(HttpResponse("HTTP/1.0 404 Not Found", {}, page)));
    EXPECT_EQ(HttpGetBytes(UrlOn(server, "/missing")), Bytes(page));
}

TEST(HttpGetBytes, ReadFailingMidwayReturnsWhatArrived) {
    LoopbackServer server(CannedReply("HTTP/1.0 200 OK\r\nContent-Length: 50\r\n\r\nhalf"));
    EXPECT_EQ(HttpGetBytes(UrlOn(server, "/cut")), AsBytes("half"));
}

TEST(HttpGetBytes, BodyWithoutLengthIsReadUntilTheServerCloses) {
    LoopbackServer server(CannedReply("HTTP/1.0 200 OK\r\n\r\nuntil close"));
    EXPECT_EQ(HttpGetBytes(UrlOn(server, "/close")), AsBytes("until close"));
}

TEST(HttpGetBytes, EmptyOrUnusableAddressGivesEmptyBytes) {
    int closedPort = 0;
    {
        LoopbackServer gone(CannedReply(""));
        closedPort = gone.Port();
    }
    for (const std::string& url :
         {std::string(), std::string("file:///etc/passwd"), std::string("ftp://127.0.0.1/x"),
          std::string("not a url"), "http://127.0.0.1:" + std::to_string(closedPort) + "/"}) {
        SCOPED_TRACE(url);
        EXPECT_TRUE(HttpGetBytes(Text(url)).empty());
    }
}

TEST(HttpGetBytes, FollowsARedirectToAnotherPage) {
    LoopbackServer server([](const HttpRequest& request, Connection& connection) {
        if (request.target == "/old") {
            connection.Send(HttpResponse("HTTP/1.0 302 Found", {"Location: /new"}, "moved"));
        } else {
            connection.Send(HttpResponse("HTTP/1.0 200 OK", {}, "new file"));
        }
    });
    EXPECT_EQ(HttpGetBytes(UrlOn(server, "/old")), AsBytes("new file"));
}

TEST(HttpGetBytes, RedirectToAFileIsNotFollowed) {
    LoopbackServer server(
        CannedReply(HttpResponse("HTTP/1.0 302 Found", {"Location: file:///etc/passwd"}, "moved")));
    EXPECT_EQ(HttpGetBytes(UrlOn(server, "/r")).view().find("root:"), std::string::npos);
}

TEST(HttpGetBytes, StalledServerEndsAtTheStallTimeOut) {
    LoopbackServer server([](const HttpRequest&, Connection& connection) {
        connection.Send("HTTP/1.0 200 OK\r\n\r\n<");
        connection.Stall(std::chrono::minutes(5));
    });
    TransferLimits limits;
    limits.stallTimeout = std::chrono::seconds(1);
    EXPECT_EQ(HttpGetBytes(UrlOn(server, "/stall"), limits), AsBytes("<"));
}

TEST(HttpGetBytes, HttpsServerWithAnUntrustedCertificateGivesEmptyBytes) {
    test::TlsLoopbackServer server(HttpResponse("HTTP/1.0 200 OK", {}, "secret"));
    EXPECT_TRUE(HttpGetBytes(Text(server.Url("/tls"))).empty());
    EXPECT_EQ(server.Requests(), 0);
}

}  // namespace
}  // namespace talvex
