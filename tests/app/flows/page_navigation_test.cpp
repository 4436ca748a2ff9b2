// Page navigation on the window thread, against the sample site.
#include <gtest/gtest.h>

#include <QPushButton>
#include <QTimer>
#include <atomic>

#include "app/flows/page_navigation.h"
#include "app/flows/search.h"
#include "sample_site/site.h"
#include "tests/app/flows/flow_support.h"
#include "text/codepage.h"

namespace talvex::app {
namespace {

using testing::Gbk;
using testing::Rows;
using testing::WaitUntil;

constexpr int kServedPerPage = 4;  // the last item of a page is never listed
using RowList = std::vector<std::vector<Text>>;

RowList CatalogueRows(const std::string& base, const std::string& keyword, int page) {
    RowList rows;
    for (int index = 0; index + 1 < kServedPerPage; ++index) {
        const sample_site::Result result = sample_site::CatalogueResult(base, keyword, page, index);
        rows.push_back({Utf8ToAnsi(Text(result.title)), Utf8ToAnsi(Text(result.detailUrl))});
    }
    return rows;
}

RowList Join(RowList first, const RowList& second) {
    first.insert(first.end(), second.begin(), second.end());
    return first;
}

Text PageStatus(int page) {
    return Gbk(("现正为第（" + std::to_string(page) + "）页").c_str());
}

class PageNavigation : public ::testing::Test {
  protected:
    PageNavigation()
        : site(Options()), started(site.Start()), window(testing::AddressesOn(site.Base())) {}

    static sample_site::SiteOptions Options() {
        sample_site::SiteOptions options;
        options.shape.resultsPerPage = kServedPerPage;
        options.shape.pageCount = 10;
        return options;
    }

    void SetUp() override {
        ASSERT_TRUE(started);
        CurrentPage = 0;
        window.SetText(Control::KeywordEdit, Text("abc"));
    }

    void Search() {
        std::atomic<bool> finished = false;
        StartWorker([&](Text) {
            SearchFirstPage(window);
            finished = true;
        });
        ASSERT_TRUE(WaitUntil([&] { return finished.load(); }));
    }

    // Runs `click` on the window thread and records the status half-way through the pause.
    Text StatusDuringPause(const std::function<void()>& click) {
        Text during;
        QTimer::singleShot(500, [&] { during = Status(); });
        click();
        return during;
    }

    Text Status() { return window.GetText(Control::StatusLabel); }
    std::string LastTarget() { return site.RequestTargets().back(); }

    sample_site::SampleSite site;
    bool started;
    Window window;
};

TEST_F(PageNavigation, NextPageBeforeAnySearchLoadsPageOneOfTheKeywordInTheBox) {
    const Text during = StatusDuringPause([&] { NextPage(window); });

    EXPECT_EQ(LastTarget(), "/s/%61%62%63/1/");
    EXPECT_EQ(Rows(window), CatalogueRows(site.Base(), "abc", 1));
    EXPECT_EQ(during, Gbk("双击表项 立即解析磁力链接"));
    EXPECT_EQ(Status(), PageStatus(1));
    EXPECT_EQ(CurrentPage.load(), 1);
}

TEST_F(PageNavigation, AppendBeforeAnySearchAddsPageOneBelowTheRowsListed) {
    const int row = window.AppendRow();
    window.SetCell(row, 0, Text("Old"));
    window.SetCell(row, 1, Text("http://old/"));

    AppendNextPage(window);

    EXPECT_EQ(LastTarget(), "/s/%61%62%63/1/");
    EXPECT_EQ(Rows(window),
              Join({{Text("Old"), Text("http://old/")}}, CatalogueRows(site.Base(), "abc", 1)));
    EXPECT_EQ(Status(), PageStatus(1));
    EXPECT_EQ(CurrentPage.load(), 1);
}

TEST_F(PageNavigation, AfterASearchAppendAddsPageTwoAndNextPageReplacesWithPageThree) {
    Search();
    ASSERT_EQ(CurrentPage.load(), 1);

    const Text duringAppend = StatusDuringPause([&] { AppendNextPage(window); });
    EXPECT_EQ(LastTarget(), "/s/%61%62%63/2/");
    EXPECT_EQ(Rows(window),
              Join(CatalogueRows(site.Base(), "abc", 1), CatalogueRows(site.Base(), "abc", 2)));
    EXPECT_EQ(duringAppend, Gbk("双击表项 立即解析磁力链接"));
    EXPECT_EQ(Status(), PageStatus(2));
    EXPECT_EQ(CurrentPage.load(), 2);

    NextPage(window);
    EXPECT_EQ(LastTarget(), "/s/%61%62%63/3/");
    EXPECT_EQ(Rows(window), CatalogueRows(site.Base(), "abc", 3));
    EXPECT_EQ(Status(), PageStatus(3));
    EXPECT_EQ(CurrentPage.load(), 3);
}

TEST_F(PageNavigation, AClickDuringThePauseRunsANestedLoadAndBothEndAtItsPage) {
    CurrentPage = 1;
    auto* nextPage = window.widget().findChild<QPushButton*>(QStringLiteral(u"按钮3"));
    ASSERT_NE(nextPage, nullptr);
    Text nestedEnd;
    QTimer::singleShot(300, [&] {
        nextPage->click();  // the second click, inside the first load's pause
        nestedEnd = Status();
    });
    nextPage->click();
    const Text outerEnd = Status();

    const auto targets = site.RequestTargets();
    ASSERT_GE(targets.size(), 2u);
    EXPECT_EQ(targets[targets.size() - 2], "/s/%61%62%63/2/");
    EXPECT_EQ(targets.back(), "/s/%61%62%63/3/");
    EXPECT_EQ(nestedEnd, PageStatus(3));
    EXPECT_EQ(outerEnd, PageStatus(3));
    EXPECT_EQ(Rows(window), CatalogueRows(site.Base(), "abc", 3));
    EXPECT_EQ(CurrentPage.load(), 3);
}

TEST_F(PageNavigation, AKeywordEditedAfterTheSearchIsUsedByTheNextPage) {
    Search();
    window.SetText(Control::KeywordEdit, Gbk("功夫"));

    NextPage(window);

    EXPECT_EQ(LastTarget(), "/s/%E5%8A%9F%E5%A4%AB/2/");
    EXPECT_EQ(Rows(window), CatalogueRows(site.Base(), "功夫", 2));
    EXPECT_EQ(Status(), PageStatus(2));
}

TEST_F(PageNavigation, WithTheNetworkDownShowsFetchFailedAndThePageNumberStillRises) {
    Window offline(
        testing::AddressesOn("http://127.0.0.1:" + std::to_string(testing::ClosedPort())));
    offline.SetText(Control::KeywordEdit, Text("abc"));
    const int row = offline.AppendRow();
    offline.SetCell(row, 0, Text("Old"));
    offline.SetCell(row, 1, Text("http://old/"));
    CurrentPage = 4;

    Text during;
    QTimer::singleShot(500, [&] { during = offline.GetText(Control::StatusLabel); });
    AppendNextPage(offline);
    EXPECT_EQ(during, Gbk("获取失败"));
    EXPECT_EQ(offline.GetText(Control::StatusLabel), PageStatus(5));
    EXPECT_EQ(Rows(offline), (RowList{{Text("Old"), Text("http://old/")}}));

    NextPage(offline);
    EXPECT_EQ(offline.GetText(Control::StatusLabel), PageStatus(6));
    EXPECT_TRUE(Rows(offline).empty());
    EXPECT_EQ(CurrentPage.load(), 6);
}

TEST_F(PageNavigation, APageWithNoResultEmptiesTheListButIsNoFailure) {
    CurrentPage = 10;  // the site has ten pages

    const Text during = StatusDuringPause([&] { NextPage(window); });

    EXPECT_EQ(LastTarget(), "/s/%61%62%63/11/");
    EXPECT_TRUE(Rows(window).empty());
    EXPECT_EQ(during, Gbk("双击表项 立即解析磁力链接"));
    EXPECT_EQ(Status(), PageStatus(11));
}

}  // namespace
}  // namespace talvex::app
