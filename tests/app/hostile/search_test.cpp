// The real window's search and page navigation against the hostile site: every page ends in its
// defined rows and status texts, the window thread keeps answering while a worker fetches and
// parses, memory stays bounded on a page past the body cap, and nothing reaches the desktop.
#include <gtest/gtest.h>

#include <QPushButton>
#include <QTimer>

#include <atomic>
#include <cstdlib>
#include <iostream>
#include <ostream>
#include <string>
#include <vector>

#include "app/flows/page_navigation.h"
#include "app/flows/search.h"
#include "app/window.h"
#include "tests/app/flows/flow_support.h"
#include "tests/app/hostile/controls.h"
#include "tests/app/hostile/hostile_site.h"
#include "tests/app/hostile/probes.h"
#include "tests/app/support/xdg_handler.h"
#include "tests/support/text_printers.h"
#include "text/primitives.h"

namespace talvex::app {
namespace {

using testing::Gbk;
using testing::Rows;
using testing::Utf8;
using testing::WaitUntil;
using Row = std::vector<Text>;  // {title, address} as the list shows them

// The window thread may pause this long while a worker searches: generous for a sanitizer build
// on two busy cores, and shorter than the stalling server's silence.
constexpr std::chrono::milliseconds kWindowAnswersWithin{2000};
// The 64 MiB page is held as bytes, as GBK text and as UTF-16 at once; under ASan that stays
// well below this.
constexpr long kPeakResidentBoundMiB = 1536;
// What the status label shows before each flow, so that the flow's own texts stand out.
constexpr const char* kBefore = "-";
// An address opened directly to learn that every earlier opener has recorded its argument.
constexpr const char* kSentinel = "https://sentinel.invalid/";

// A result page, the rows the tool must list from it, and whether anything arrived at all.
struct PageCase {
    const char* keyword;
    std::vector<Row> rows;
    bool fetched;  // false: the status says "获取失败"
};

void ExpectRows(Window& window, const PageCase& page) {
    EXPECT_EQ(Rows(window), page.rows);
}

Text Times(const Text& piece, int count) {
    std::string run;
    for (int i = 0; i < count; ++i) {
        run += piece.str();
    }
    return Text(std::move(run));
}

std::vector<PageCase> SearchCases() {
    const Text gongfu = Gbk("功夫");
    const Text gong = Gbk("功");
    return {
        {testing::kBadEncodings,
         {{"A?B", "http://enc.example/1"},
          {"??", "http://enc.example/2"},
          {"x?y", "http://enc.example/3"},
          {"?z", "http://enc.example/4"},
          {"end?", "http://enc.example/5"},
          {"???", "http://enc.example/?"},
          {"???", "http://enc.example/7"},
          {"?", "http://enc.example/8"},
          {gongfu, "http://enc.example/9"}},
         true},
        {testing::kNulBytes,
         {{"ab", "http://nul.example/1"},
          {gong, "http://nul.example/2"},
          {"three", "http://nul.example/3"}},
         true},
        {testing::kBadEscapes,
         {{"100%", "http://esc.example/1"},
          {"%G1%4", "http://esc.example/2"},
          {"%A", "http://esc.example/3"},
          {"a\x01"
           "b\x1b"
           "c\x7f",
           "http://esc.example/4"},
          {"x", "http://esc.example/5"},
          {"ctl", "http://esc.example/8\x01"},
          {"x\">T9", "http://esc.example/9"},
          {"<b>bold</b>", "http://esc.example/10"},
          {"%", "http://esc.example/11"},
          {ConcatText(gong, Text("%zz")), "http://esc.example/12"}},
         true},
        {testing::kMarkupTitles,
         {{"<b>bold</b> <script>alert(1)</script>", "http://mk.example/1"},
          {"<img src=x onerror=alert(1)>", "http://mk.example/2"},
          {"one</a><i>two</i>", "http://mk.example/3"},
          {Text(std::string(500, 'A')), "http://mk.example/4"},
          {Times(Gbk("功"), 500), "http://mk.example/5"},
          {Text(std::string(500, '<')), "http://mk.example/6"},
          {"long address", Text("http://mk.example/" + std::string(500, 'p'))},
          {"&lt;&amp;&#x41;", "http://mk.example/8"},
          {Text(std::string(500, 'A')), "http://mk.example/9"}},
         true},
        // The runaway line of unclosed anchors costs only itself: the row after it is listed.
        {testing::kUnclosedAnchors,
         {{"before one", "http://unclosed.example/1"},
          {"before two", "http://unclosed.example/2"},
          {"after", "http://unclosed.example/3"}},
         true},
        {testing::kRedirectLoop, {}, false},
        {testing::kRedirectToFile, {}, false},
        {testing::kStall,
         {{"arrived", "http://stall.example/1"}, {"too", "http://stall.example/2"}},
         true},
        {testing::kCookieFlood,
         {{"fed", "http://cookie.example/1"}, {"again", "http://cookie.example/2"}},
         true},
    };
}

class HostileSearch : public ::testing::Test {
  protected:
    HostileSearch() : window(site.AddressesWithUpdateFile("nomarkers.txt")) {}

    void SetUp() override {
        window.Start();  // the update check reads a file without markers: nothing changes
        CurrentPage = 0;
    }

    Text Status() { return window.GetText(Control::StatusLabel); }

    // Types `keyword` and clicks the search button; returns once the worker has written its
    // last status text (and, on a failed fetch, set the page after clearing the list).
    void Search(const char* keyword, std::chrono::seconds limit = std::chrono::seconds(60)) {
        window.SetText(Control::KeywordEdit, Text(keyword));
        CurrentPage = 0;
        testing::Child<QPushButton>(window, QStringLiteral(u"按钮1")).click();
        const bool ended = WaitUntil(
            [&] {
                const Text shown = Status();
                return CurrentPage.load() == 1 &&
                       (shown == Text(kResultsListedStatus) || shown == Text(kFetchFailedStatus));
            },
            limit);
        ASSERT_TRUE(ended) << "the search for " << keyword << " never ended";
    }

    // Nothing may have reached the desktop's opener.
    void ExpectNothingOpened() {
        EXPECT_EQ(opener.OpenedBefore(kSentinel), std::vector<std::string>{});
    }

    talvex::test::TemporaryXdgHandler opener;  // before any thread that might open something
    testing::HostileSite site;
    Window window;
};

// The status texts the window thread shows while it processes events, sampled by a timer on
// that thread: a load on the window thread writes its texts directly, and its hint stays for
// the second of its pause.
class SampledStatus {
  public:
    explicit SampledStatus(Window& window) : m_window(window) {
        Note();
        m_timer.setInterval(5);
        QObject::connect(&m_timer, &QTimer::timeout, [this] { Note(); });
        m_timer.start();
    }

    std::vector<Text> Texts() {
        Note();
        return m_texts;
    }

  private:
    void Note() {
        Text shown = m_window.GetText(Control::StatusLabel);
        if (m_texts.empty() || m_texts.back() != shown) {
            m_texts.push_back(std::move(shown));
        }
    }

    Window& m_window;
    QTimer m_timer;
    std::vector<Text> m_texts;
};

std::vector<Text> SearchStatuses(bool fetched) {
    if (fetched) {
        return {kBefore, kFetchedStatus, kResultsListedStatus};
    }
    return {kBefore, kFetchFailedStatus};
}

TEST_F(HostileSearch, EveryHostilePageEndsInItsRowsAndStatusWhileTheWindowKeepsAnswering) {
    for (const PageCase& page : SearchCases()) {
        SCOPED_TRACE(page.keyword);
        window.SetText(Control::StatusLabel, kBefore);
        testing::StatusHistory history(window);
        const testing::WindowHeartbeat heartbeat;
        Search(page.keyword);
        const auto gap = heartbeat.LongestGap();
        std::cout << "[ hostile  ] search " << page.keyword << ": longest window-thread gap "
                  << gap.count() << " ms\n";

        EXPECT_EQ(history.Texts(), SearchStatuses(page.fetched));
        ExpectRows(window, page);
        EXPECT_LT(gap, kWindowAnswersWithin);
    }
    // The loop was given up after the client's ten redirects.
    EXPECT_LE(site.RequestsTo(testing::ResultPageTarget(testing::kRedirectLoop, 1)).size(), 11u);
    ExpectNothingOpened();
}

TEST_F(HostileSearch, APagePastTheBodyCapListsItsRowsBeforeTheCapInBoundedMemory) {
    window.SetText(Control::StatusLabel, kBefore);
    testing::StatusHistory history(window);
    const testing::WindowHeartbeat heartbeat;
    Search(testing::kHugePage, std::chrono::seconds(100));
    const auto gap = heartbeat.LongestGap();
    const long peak = testing::PeakResidentMiB();
    std::cout << "[ hostile  ] 65 MiB page: longest window-thread gap " << gap.count()
              << " ms, peak resident " << peak << " MiB\n";

    const std::vector<Row> expected = {{"first", "http://huge.example/1"},
                                       {Gbk("功夫"), "http://huge.example/2"},
                                       {"third", "http://huge.example/3"},
                                       {"near the cap", "http://huge.example/near-cap"}};
    EXPECT_EQ(Rows(window), expected);
    EXPECT_EQ(history.Texts(), SearchStatuses(true));
    EXPECT_LT(gap, kWindowAnswersWithin);
    EXPECT_LT(peak, kPeakResidentBoundMiB);
    ExpectNothingOpened();
}

TEST_F(HostileSearch, ACookieFloodLeavesTheNextRequestSmall) {
    Search(testing::kCookieFlood);
    Search(testing::kCookieFlood);
    const auto requests = site.RequestsTo(testing::ResultPageTarget(testing::kCookieFlood, 1));
    ASSERT_EQ(requests.size(), 2u);
    std::cout << "[ hostile  ] request after 100 KiB of Set-Cookie lines: "
              << requests[1].raw.size() << " bytes\n";
    // The client keeps and sends back only a bounded part of what the flood set.
    EXPECT_LT(requests[1].raw.size(), 16u * 1024);
    EXPECT_NE(requests[1].raw.find("hostile"), std::string::npos);
    EXPECT_EQ(Rows(window), (std::vector<Row>{{"fed", "http://cookie.example/1"},
                                              {"again", "http://cookie.example/2"}}));
}

// Page navigation runs on the window thread by design, which blocks for the fetch: its pauses
// are printed, not bounded.
TEST_F(HostileSearch, NextPageOnHostilePagesEndsInItsRowsAndThePageNumber) {
    const PageCase cases[] = {
        SearchCases()[2],  // bad escapes
        {testing::kRedirectLoop, {}, false},
        {testing::kRedirectToFile, {}, false},
        SearchCases()[4],  // the 1 MiB line of open anchors
    };
    QPushButton& nextPage = testing::Child<QPushButton>(window, QStringLiteral(u"按钮3"));
    for (const PageCase& page : cases) {
        SCOPED_TRACE(page.keyword);
        window.SetText(Control::KeywordEdit, Text(page.keyword));
        window.SetText(Control::StatusLabel, kBefore);
        SampledStatus history(window);
        const testing::WindowHeartbeat heartbeat;
        const int pageNumber = CurrentPage.load() + 1;
        nextPage.click();  // returns once the load, its pause included, has ended
        std::cout << "[ hostile  ] next page " << page.keyword << ": longest window-thread gap "
                  << heartbeat.LongestGap().count() << " ms\n";

        EXPECT_EQ(
            history.Texts(),
            (std::vector<Text>{kBefore, page.fetched ? kResultsListedStatus : kFetchFailedStatus,
                               PageNumberStatus(pageNumber)}));
        ExpectRows(window, page);
        EXPECT_EQ(site.RequestsTo(testing::ResultPageTarget(page.keyword, pageNumber)).empty(),
                  false);
    }
    ExpectNothingOpened();
}

}  // namespace
}  // namespace talvex::app
