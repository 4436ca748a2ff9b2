// Runs the result-list pattern over generated result pages the way a page load does: Create over
// the whole page, then group 2 (title) and group 1 (address) of every match. Prints MB/s and
// matches/s for both steps at 4 MiB and 16 MiB.
#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstdio>
#include <string>

#include "regex/regex_object.h"
#include "text/codepage.h"

namespace {

using talvex::RegexObject;
using talvex::Text;

const Text kResultList = R"re(<a href="(.*?)">(.*?)</a></li><li>)re";

// Chinese words for titles and filler, in UTF-8; the page is converted to GBK once.
constexpr const char* kWords[] = {"电影",   "高清", "合集", "中文字幕", "纪录片", "第一季",
                                  "完整版", "蓝光", "原声", "国语",     "动画",   "音乐会"};
constexpr std::size_t kWordCount = sizeof(kWords) / sizeof(kWords[0]);

struct Page {
    Text text;
    int results = 0;
};

// A result page of about `bytes` bytes (GBK) holding `results` result items. Between the items:
// decoy anchors that are not followed by the next list item, and long lines of text.
Page MakePage(std::size_t bytes, int results) {
    std::string utf8;
    utf8.reserve(bytes * 3 / 2);
    unsigned seed = 12345;
    const auto next = [&seed] {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 8) & 0xFFFFFFu;
    };
    const auto words = [&](int count) {
        std::string s;
        for (int w = 0; w < count; ++w) {
            s += kWords[next() % kWordCount];
            if (next() % 4 == 0) {
                s += " 1080p ";
            }
        }
        return s;
    };
    utf8 += "<html><head><title>搜索结果</title></head><body>\r\n<ul class=\"results\"><li>";
    // The GBK page is about 3/4 of the UTF-8 bytes generated for it (3-byte characters become 2).
    const double utf8PerResult = static_cast<double>(bytes) * 1.3 / results;
    for (int i = 0; i < results; ++i) {
        char address[64];
        std::snprintf(address, sizeof address, "/detail/%08x%04x.html", next(), i & 0xFFFF);
        utf8 += "<a href=\"";
        utf8 += address;
        utf8 += "\">";
        utf8 += words(4 + static_cast<int>(next() % 8));
        utf8 += "</a></li><li>";
        if (i % 8 == 7) {
            // Every eighth item ends its line and is followed by decoys and text lines.
            utf8 += "\r\n";
            while (utf8.size() < static_cast<std::size_t>(utf8PerResult * (i + 1))) {
                switch (next() % 3) {
                    case 0:  // decoy anchors: the list item never follows
                        for (int d = 0; d < 6; ++d) {
                            utf8 += "<span><a href=\"/tag/" + std::to_string(next() % 1000) +
                                    "\">" + words(2) + "</a></li></span> ";
                        }
                        utf8 += "\n";
                        break;
                    case 1:  // a long line of text
                        utf8 += "<p>" + words(200 + static_cast<int>(next() % 800)) + "</p>\n";
                        break;
                    default:  // a title broken over two lines
                        utf8 += "<a href=\"/broken/" + std::to_string(i) + "\">" + words(3) +
                                "\r\n" + words(3) + "</a></li><li>\n";
                        break;
                }
            }
        }
    }
    utf8 += "</ul></body></html>\r\n";
    return Page{talvex::Utf8ToAnsi(Text(std::move(utf8))), results};
}

double Seconds(std::chrono::steady_clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

void Run(const char* label, std::size_t bytes, int results) {
    const Page page = MakePage(bytes, results);
    const double megabytes = static_cast<double>(page.text.size()) / (1024.0 * 1024.0);

    double bestCreate = 1e9;
    double bestRead = 1e9;
    double bestConvert = 1e9;
    int matches = 0;
    std::size_t readBytes = 0;
    for (int round = 0; round < 3; ++round) {
        {
            RegexObject regex;
            const auto start = std::chrono::steady_clock::now();
            regex.Create(kResultList, page.text);
            matches = regex.MatchCount();
            const auto created = std::chrono::steady_clock::now();
            readBytes = 0;
            for (int i = 1; i <= matches; ++i) {
                readBytes += regex.SubmatchText(i, 2).size();
                readBytes += regex.SubmatchText(i, 1).size();
            }
            const auto read = std::chrono::steady_clock::now();
            bestCreate = std::min(bestCreate, Seconds(created - start));
            bestRead = std::min(bestRead, Seconds(read - created));
        }
        // The subject conversion on its own: the part of Create done by the text layer.
        const auto convertStart = std::chrono::steady_clock::now();
        const talvex::WideBytes wide = talvex::ToWide(page.text, talvex::kCodePageGbk);
        const auto converted = std::chrono::steady_clock::now();
        if (wide.empty()) {
            std::printf("conversion failed\n");
        }
        bestConvert = std::min(bestConvert, Seconds(converted - convertStart));
    }
    std::printf("%s page: %.1f MiB, %d results, %d matches (%s)\n", label, megabytes, page.results,
                matches, matches == page.results ? "all found" : "MISMATCH");
    std::printf("  Create:      %8.1f ms  %8.1f MB/s  %10.0f matches/s  (ToWide alone %.1f ms)\n",
                bestCreate * 1e3, megabytes / bestCreate, matches / bestCreate, bestConvert * 1e3);
    std::printf(
        "  read groups: %8.1f ms  %8.1f MB/s  %10.0f matches/s  (%.2f us/match, %zu "
        "bytes read)\n",
        bestRead * 1e3, megabytes / bestRead, matches / bestRead,
        bestRead * 1e6 / std::max(matches, 1), readBytes);
}

}  // namespace

int main() {
    constexpr std::size_t kMiB = 1024 * 1024;
    Run("4 MiB", 4 * kMiB, 12'500);
    Run("16 MiB", 16 * kMiB, 50'000);
    return 0;
}
