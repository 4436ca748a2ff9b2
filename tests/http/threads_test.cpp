// Several threads fetching at once, with and without the shared cookie store. Run under
// ThreadSanitizer by the tsan preset (label "threads").
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "http/access.h"
#include "http/plain_get.h"
#include "tests/http/peers.h"
#include "tests/support/loopback_server.h"

namespace talvex {
namespace {

using test::Connection;
using test::CookieJarPeer;
using test::HttpRequest;
using test::HttpResponse;
using test::LoopbackServer;
using test::UrlOn;

constexpr int kThreads = 6;
constexpr int kFetchesPerThread = 15;

// Answers every request with its own target as the body and sets a cookie under that path's
// directory, so every thread writes to the shared store.
void EchoPeer(const HttpRequest& request, Connection& connection) {
    const std::string directory = request.target.substr(0, request.target.rfind('/'));
    connection.Send(HttpResponse(
        "HTTP/1.1 200 OK",
        {"Set-Cookie: seen=" + std::to_string(request.target.size()) + "; Path=" + directory},
        "page " + request.target));
}

TEST(HttpThreads, ConcurrentFetchesEachGetTheirOwnPage) {
    LoopbackServer server(EchoPeer);
    std::vector<std::vector<std::string>> pages(kThreads);
    std::vector<std::thread> workers;
    for (int t = 0; t < kThreads; ++t) {
        workers.emplace_back([&server, &pages, t] {
            for (int i = 0; i < kFetchesPerThread; ++i) {
                const std::string path = "/t" + std::to_string(t) + "/" + std::to_string(i);
                if (i % 3 == 0) {
                    Text cookies;
                    pages[t].push_back(
                        std::string(WebAccess(UrlOn(server, path), 0, {}, &cookies).view()));
                } else if (i % 3 == 1) {
                    pages[t].push_back(FetchPageText(UrlOn(server, path)).str());
                } else {
                    pages[t].push_back(std::string(HttpGetBytes(UrlOn(server, path)).view()));
                }
            }
        });
    }
    for (std::thread& worker : workers) {
        worker.join();
    }
    for (int t = 0; t < kThreads; ++t) {
        ASSERT_EQ(pages[t].size(), static_cast<std::size_t>(kFetchesPerThread));
        for (int i = 0; i < kFetchesPerThread; ++i) {
            EXPECT_EQ(pages[t][i], "page /t" + std::to_string(t) + "/" + std::to_string(i));
        }
    }
}

TEST(HttpThreads, SharedCookieStoreKeepsEveryThreadsCookies) {
    LoopbackServer server(CookieJarPeer);
    std::vector<std::vector<std::string>> seen(kThreads);
    std::vector<std::thread> workers;
    for (int t = 0; t < kThreads; ++t) {
        workers.emplace_back([&server, &seen, t] {
            for (int i = 0; i < kFetchesPerThread; ++i) {
                const std::string directory = "/jar" + std::to_string(t);
                const std::string cookie = "c" + std::to_string(t) + "=" + std::to_string(i);
                WebAccess(UrlOn(server, directory + "/set?" + cookie));
                seen[t].push_back(FetchPageText(UrlOn(server, directory + "/page")).str());
            }
        });
    }
    for (std::thread& worker : workers) {
        worker.join();
    }
    for (int t = 0; t < kThreads; ++t) {
        ASSERT_EQ(seen[t].size(), static_cast<std::size_t>(kFetchesPerThread));
        for (int i = 0; i < kFetchesPerThread; ++i) {
            EXPECT_EQ(seen[t][i], "Cookie: c" + std::to_string(t) + "=" + std::to_string(i));
        }
    }
}

}  // namespace
}  // namespace talvex
