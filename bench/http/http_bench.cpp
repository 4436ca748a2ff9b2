// Fetches a 16 MiB page from a loopback server with FetchPageText and with a bare libcurl
// transfer into memory, in alternating order, and prints the median time of each and their ratio.
#include <curl/curl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "http/access.h"
#include "tests/support/loopback_server.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::size_t kPageBytes = std::size_t{16} * 1024 * 1024;
constexpr int kRounds = 15;

struct EasyCloser {
    void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};

std::size_t AppendTo(char* data, std::size_t size, std::size_t count, void* user) {
    static_cast<std::string*>(user)->append(data, size * count);
    return size * count;
}

// The plainest transfer libcurl offers: one handle, the body appended to a string.
std::string BareFetch(const std::string& url) {
    std::string body;
    const std::unique_ptr<CURL, EasyCloser> handle(curl_easy_init());
    curl_easy_setopt(handle.get(), CURLOPT_URL, url.c_str());
    curl_easy_setopt(handle.get(), CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(handle.get(), CURLOPT_PROXY, "");
    curl_easy_setopt(handle.get(), CURLOPT_WRITEFUNCTION, &AppendTo);
    curl_easy_setopt(handle.get(), CURLOPT_WRITEDATA, &body);
    curl_easy_perform(handle.get());
    return body;
}

double Milliseconds(Clock::duration elapsed) {
    return std::chrono::duration<double, std::milli>(elapsed).count();
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace

int main() {
    talvex::InitHttpClient();
    std::string page(kPageBytes, ' ');
    for (std::size_t i = 0; i < page.size(); ++i) {
        page[i] = static_cast<char>('a' + i % 26);
    }
    const std::string response = talvex::test::HttpResponse("HTTP/1.1 200 OK", {}, page);
    talvex::test::LoopbackServer server(talvex::test::CannedReply(response));
    const std::string url = server.Url("/page");

    std::vector<double> bareTimes;
    std::vector<double> clientTimes;
    for (int round = 0; round < kRounds; ++round) {
        // Alternate which transfer goes first so neither always meets a cold server.
        std::string bare;
        talvex::Text text;
        for (int turn = 0; turn < 2; ++turn) {
            const auto start = Clock::now();
            if ((round + turn) % 2 == 0) {
                bare = BareFetch(url);
                bareTimes.push_back(Milliseconds(Clock::now() - start));
            } else {
                text = talvex::FetchPageText(talvex::Text(url));
                clientTimes.push_back(Milliseconds(Clock::now() - start));
            }
        }
        if (bare != page || text.str() != page) {
            std::fprintf(stderr, "round %d: a transfer did not deliver the whole page\n", round);
            return 1;
        }
    }
    const double bare = Median(bareTimes);
    const double client = Median(clientTimes);
    std::printf("16 MiB page over loopback, median of %d rounds\n", kRounds);
    std::printf("  bare libcurl into memory: %8.2f ms\n", bare);
    std::printf("  FetchPageText:            %8.2f ms\n", client);
    std::printf("  ratio FetchPageText/bare: %8.2f (target <= 1.30)\n", client / bare);
    return 0;
}
