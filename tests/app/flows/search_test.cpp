// The keyword search against the sample site and against canned pages.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>

#include "app/flows/search.h"
#include "sample_site/site.h"
#include "tests/app/flows/flow_support.h"
#include "text/codepage.h"
#include "text/urlcodec.h"

namespace talvex::app {
namespace {

using testing::Gbk;
using testing::Rows;
using testing::Utf8;
using testing::WaitUntil;

constexpr int kServedPerPage = 6;  // the last item of a page is never listed

// The rows the tool lists for `page` of `keyword`, as the catalogue defines them.
std::vector<std::vector<Text>> CatalogueRows(const std::string& base, const std::string& keyword,
                                             int page) {
    std::vector<std::vector<Text>> rows;
    for (int index = 0; index + 1 < kServedPerPage; ++index) {
        const sample_site::Result result = sample_site::CatalogueResult(base, keyword, page, index);
        rows.push_back({Utf8ToAnsi(Text(result.title)), Utf8ToAnsi(Text(result.detailUrl))});
    }
    return rows;
}

class SearchFlow : public ::testing::Test {
  protected:
    SearchFlow()
        : site(Options()), started(site.Start()), window(testing::AddressesOn(site.Base())) {}

    static sample_site::SiteOptions Options() {
        sample_site::SiteOptions options;
        options.shape.resultsPerPage = kServedPerPage;
        options.shape.pageCount = 3;
        return options;
    }

    void SetUp() override {
        ASSERT_TRUE(started);
        CurrentPage = 0;
    }

    // Starts the search as the search button does and waits until its worker has ended.
    void Search(Window& target, const char* keywordUtf8) {
        target.SetText(Control::KeywordEdit, Gbk(keywordUtf8));
        std::atomic<bool> finished = false;
        StartWorker([&](Text) {
            SearchFirstPage(target);
            finished = true;
        });
        ASSERT_TRUE(WaitUntil([&] { return finished.load(); }));
    }

    Text Status() { return window.GetText(Control::StatusLabel); }

    sample_site::SampleSite site;
    bool started;
    Window window;
};

TEST_F(SearchFlow, ListsEveryResultInPageOrderWithDecodedTitlesAndAddresses) {
    testing::StatusHistory history(window);
    Search(window, "功夫2");

    const auto expected = CatalogueRows(site.Base(), "功夫2", 1);
    EXPECT_EQ(Rows(window), expected);
    // Percent-escaped titles and addresses are listed decoded.
    EXPECT_EQ(Utf8(expected[1][0]), "【高清】功夫2 国语中字 第1部");
    EXPECT_EQ(Utf8(expected[2][1]), site.Base() + "/d/e58a9fe5a4ab32/1/2/种子.html");
    EXPECT_EQ(history.Texts(),
              (std::vector<Text>{Text(), Gbk("获取完毕"), Gbk("双击表项 立即解析磁力链接")}));
    EXPECT_EQ(CurrentPage.load(), 1);
    EXPECT_EQ(site.RequestTargets().back(), "/s/%E5%8A%9F%E5%A4%AB%32/1/");
}

TEST_F(SearchFlow, SendsEveryByteOfTheUtf8KeywordEscaped) {
    const struct {
        const char* keyword;
        const char* target;
    } cases[] = {
        {"abc", "/s/%61%62%63/1/"},
        {"", "/s//1/"},
        {"a b/?", "/s/%61%20%62%2F%3F/1/"},
        {"功", "/s/%E5%8A%9F/1/"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.keyword);
        Search(window, c.keyword);
        EXPECT_EQ(site.RequestTargets().back(), c.target);
        EXPECT_EQ(Rows(window), CatalogueRows(site.Base(), c.keyword, 1));
    }
}

TEST_F(SearchFlow, KeepsTheOldRowsUntilTheNewPageHasArrived) {
    testing::CannedSite slow;
    slow.Serve("/s/%78%79%7A/1/",
               "<ul><li><a href=\"http://x/1\">New</a></li><li><a href=\"http://x/2\">Last</a>"
               "</li></ul>\n");
    Window slowWindow(testing::AddressesOn(slow.Base()));
    const int row = slowWindow.AppendRow();
    slowWindow.SetCell(row, 0, Text("Old"));
    slowWindow.SetCell(row, 1, Text("http://old/"));
    slowWindow.SetText(Control::StatusLabel, Text("waiting"));
    slowWindow.SetText(Control::KeywordEdit, Text("xyz"));

    slow.Hold();
    std::atomic<bool> finished = false;
    StartWorker([&](Text) {
        SearchFirstPage(slowWindow);
        finished = true;
    });
    ASSERT_TRUE(WaitUntil([&] { return slow.RequestCount() == 1; }));
    // The page is on its way: nothing on the window has changed yet.
    EXPECT_EQ(Rows(slowWindow),
              (std::vector<std::vector<Text>>{{Text("Old"), Text("http://old/")}}));
    EXPECT_EQ(slowWindow.GetText(Control::StatusLabel), Text("waiting"));

    slow.Release();
    ASSERT_TRUE(WaitUntil([&] { return finished.load(); }));
    EXPECT_EQ(Rows(slowWindow),
              (std::vector<std::vector<Text>>{{Text("New"), Text("http://x/1")}}));
}

TEST_F(SearchFlow, TwoSearchesAtOnceBothComplete) {
    window.SetText(Control::KeywordEdit, Text("abc"));
    std::atomic<int> finished = 0;
    for (int i = 0; i < 2; ++i) {
        StartWorker([&](Text) {
            SearchFirstPage(window);
            ++finished;
        });
    }
    ASSERT_TRUE(WaitUntil([&] { return finished.load() == 2; }));

    // Each run cleared the list when its page had arrived and then listed its rows; the
    // other run's rows and cells may be mixed in, but every cell comes from the page.
    const auto pageRows = CatalogueRows(site.Base(), "abc", 1);
    std::vector<Text> titles;
    std::vector<Text> addresses;
    for (const auto& row : pageRows) {
        titles.push_back(row[0]);
        addresses.push_back(row[1]);
    }
    const auto rows = Rows(window);
    EXPECT_GE(rows.size(), pageRows.size());
    EXPECT_LE(rows.size(), 2 * pageRows.size());
    for (const auto& listed : rows) {
        EXPECT_NE(std::find(titles.begin(), titles.end(), listed[0]), titles.end());
        EXPECT_NE(std::find(addresses.begin(), addresses.end(), listed[1]), addresses.end());
    }
    const auto targets = site.RequestTargets();
    EXPECT_EQ(std::count(targets.begin(), targets.end(), "/s/%61%62%63/1/"), 2);
    EXPECT_EQ(Status(), Gbk("双击表项 立即解析磁力链接"));
    EXPECT_EQ(CurrentPage.load(), 1);
}

TEST_F(SearchFlow, WithTheNetworkDownEmptiesTheListAndEndsAtFetchFailed) {
    CurrentPage = 7;

    Window offline(
        testing::AddressesOn("http://127.0.0.1:" + std::to_string(testing::ClosedPort())));
    const int row = offline.AppendRow();
    offline.SetCell(row, 0, Text("Old"));
    offline.SetCell(row, 1, Text("http://old/"));
    testing::StatusHistory history(offline);
    Search(offline, "abc");

    EXPECT_TRUE(Rows(offline).empty());
    // "获取失败" in place of "获取完毕", and no hint after it.
    EXPECT_EQ(history.Texts(), (std::vector<Text>{Text(), Gbk("获取失败")}));
    EXPECT_EQ(CurrentPage.load(), 1);
}

TEST_F(SearchFlow, AnEmptyAnswerIsAFailureToo) {
    testing::CannedSite empty;
    empty.Serve("/s/%61/1/", "");
    Window emptyWindow(testing::AddressesOn(empty.Base()));
    testing::StatusHistory history(emptyWindow);
    Search(emptyWindow, "a");

    EXPECT_EQ(empty.RequestCount(), 1);
    EXPECT_EQ(history.Texts(), (std::vector<Text>{Text(), Gbk("获取失败")}));
    EXPECT_EQ(CurrentPage.load(), 1);
}

// One result page of canned HTML and the rows the search lists from it.
struct PageCase {
    const char* name;
    const char* html;                                       // UTF-8
    std::vector<std::pair<const char*, const char*>> rows;  // UTF-8 {title, address}
};

void PrintTo(const PageCase& c, std::ostream* out) {
    *out << c.name;
}

class SearchOfPage : public ::testing::TestWithParam<PageCase> {
  protected:
    void SetUp() override { CurrentPage = 0; }
};

TEST_P(SearchOfPage, ListsExactlyTheAnchorsThatEndAnItemFollowedByAnother) {
    const PageCase& c = GetParam();
    testing::CannedSite canned;
    canned.Serve("/s/%61/1/", c.html);
    Window window(testing::AddressesOn(canned.Base()));
    window.SetText(Control::KeywordEdit, Text("a"));
    std::atomic<bool> finished = false;
    StartWorker([&](Text) {
        SearchFirstPage(window);
        finished = true;
    });
    ASSERT_TRUE(WaitUntil([&] { return finished.load(); }));

    std::vector<std::vector<Text>> expected;
    for (const auto& [title, address] : c.rows) {
        expected.push_back({Gbk(title), Gbk(address)});
    }
    EXPECT_EQ(Rows(window), expected);
    EXPECT_EQ(window.GetText(Control::StatusLabel), Gbk("双击表项 立即解析磁力链接"));
}

INSTANTIATE_TEST_SUITE_P(
    Pages, SearchOfPage,
    ::testing::Values(
        PageCase{"LastItemOfAListIsNotListed",
                 "<li><a href=\"U1\">T1</a></li><li><a href=\"U2\">T2</a></li></ul>",
                 {{"T1", "U1"}}},
        PageCase{"TagsInCapitalsMatch", "<A HREF=\"U\">T</a></LI><LI>", {{"T", "U"}}},
        PageCase{"EscapesInAnAddressAreDecoded",
                 "<li><a href=\"http://h/%E5%8A%9F\">%E5%A4%AB</a></li><li>",
                 {{"夫", "http://h/功"}}},
        PageCase{"AnAnchorSplitOverTwoLinesIsNotListed",
                 "<li><a href=\"U1\">T\n1</a></li><li><a href=\"U2\">T\r\n2</a></li><li>",
                 {}},
        PageCase{"TitlesKeepTheirMarkupAndEntities",
                 "<li><a href=\"U\"><b>A</b> &amp; B</a></li><li>",
                 {{"<b>A</b> &amp; B", "U"}}},
        PageCase{"AMenuEntryFollowedByAnItemIsListedInPageOrder",
                 "<li><a href=\"/home\">Home</a></li><li><a href=\"U\">T</a></li><li>x",
                 {{"Home", "/home"}, {"T", "U"}}},
        PageCase{"AnEmptyListListsNothing", "<html><body>nothing here</body></html>", {}}),
    [](const ::testing::TestParamInfo<PageCase>& row) { return std::string(row.param.name); });

}  // namespace
}  // namespace talvex::app
