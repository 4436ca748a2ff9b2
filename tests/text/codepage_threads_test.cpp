#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "text/codepage.h"
#include "text/urlcodec.h"

namespace talvex {
namespace {

// Each thread keeps its own converters; results must not depend on what other threads convert.
TEST(CodePageThreads, ConversionsOnManyThreadsAtOnceGiveTheSameResults) {
    const Text gbkPage(std::string(2000, 'a') +
                       "\xD6\xD0\xCE\xC4"
                       "e" +
                       std::string(2000, 'b'));
    const Text utf8Page = AnsiToUtf8(gbkPage);
    const Text encoded = UrlEncode(gbkPage, KeepPlain::No, ToUtf8::Yes);
    const std::u16string composing = u"e\u0301\u4E2D";

    constexpr int kThreads = 4;
    constexpr int kRounds = 50;
    std::vector<int> mismatches(kThreads, 0);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int round = 0; round < kRounds; ++round) {
                mismatches[t] += Utf8ToAnsi(utf8Page) != gbkPage;
                mismatches[t] += WideToGbk(ToWide(gbkPage, kCodePageGbk)) != gbkPage;
                mismatches[t] += UrlDecode(encoded, FromUtf8::Yes) != gbkPage;
                mismatches[t] +=
                    WideToGbk(std::u16string_view(composing)) != Text("\xA8\xA6\xD6\xD0");
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(mismatches, std::vector<int>(kThreads, 0));
}

}  // namespace
}  // namespace talvex
