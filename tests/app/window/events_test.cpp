// Which event of which control starts which flow, against a loopback search site.
#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QTest>

#include <atomic>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/flows/search.h"
#include "tests/app/support/xdg_handler.h"
#include "tests/app/window/window_test_support.h"
#include "tests/support/loopback_server.h"

namespace talvex::app {
namespace {

using talvex::test::Connection;
using talvex::test::HttpRequest;
using talvex::test::HttpResponse;
using talvex::test::LoopbackServer;
using talvex::test::TemporaryXdgHandler;
using test::Find;
using test::RefusedAddress;

// A search site whose every page lists two results pointing back at itself.
// 未找到磁力链接
const char* const kNoMagnetStatus = "\xce\xb4\xd5\xd2\xb5\xbd\xb4\xc5\xc1\xa6\xc1\xb4\xbd\xd3";

class SearchSite {
  public:
    SearchSite()
        : m_server([this](const HttpRequest&, Connection& connection) {
              const std::string base = "http://127.0.0.1:" + std::to_string(m_port.load());
              const std::string page = "<ul><li><a href=\"" + base +
                                       "/detail/1\">One</a></li><li>" + "<a href=\"" + base +
                                       "/detail/2\">Two</a></li><li></ul>";
              connection.Send(HttpResponse("HTTP/1.1 200 OK", {"Content-Type: text/html"}, page));
              connection.CloseAfterReply();
          }) {
        m_port = m_server.Port();
    }

    [[nodiscard]] Addresses addresses() const {
        return {Text(m_server.Url("").c_str()), Text(RefusedAddress("/gengxin/gengxin2.txt")),
                Text("http://publisher.test/"), Text("http://share.test/page")};
    }
    [[nodiscard]] std::vector<std::string> Targets() const {
        std::vector<std::string> targets;
        for (const HttpRequest& request : m_server.Requests()) {
            targets.push_back(request.target);
        }
        return targets;
    }

  private:
    std::atomic<int> m_port{0};
    LoopbackServer m_server;
};

bool EndsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() &&
           text.compare(text.size() - end.size(), end.size(), end) == 0;
}

class WindowEvents : public testing::Test {
  protected:
    WindowEvents() {
        CurrentPage = 0;
        window.Start();
    }
    SearchSite site;
    Window window{site.addresses()};
};

TEST_F(WindowEvents, SearchButtonRunsTheSearchOnAWorker) {
    Find<QPushButton>(window, u"按钮1"_qs)->click();
    // The worker's last window call writes this status.
    ASSERT_TRUE(test::WaitUntil(
        [&] { return window.GetText(Control::StatusLabel) == Text(kResultsListedStatus); }));
    EXPECT_EQ(window.GetCell(1, 0), Text("Two"));
    ASSERT_EQ(site.Targets().size(), 1U);
    EXPECT_TRUE(EndsWith(site.Targets()[0], "/1/"));
    EXPECT_EQ(CurrentPage.load(), 1);
}

TEST_F(WindowEvents, NextPageButtonLoadsTheNextPageInPlaceOfTheRows) {
    window.SetCell(window.AppendRow(), 0, "old");
    Find<QPushButton>(window, u"按钮3"_qs)->click();  // runs on the window thread to its end
    EXPECT_EQ(CurrentPage.load(), 1);
    ASSERT_EQ(site.Targets().size(), 1U);
    EXPECT_TRUE(EndsWith(site.Targets()[0], "/1/"));
    EXPECT_EQ(window.GetCell(0, 0), Text("One"));
    EXPECT_EQ(window.GetCell(2, 0), Text());
}

TEST_F(WindowEvents, AppendButtonAddsTheNextPageBelowTheRows) {
    window.SetCell(window.AppendRow(), 0, "old");
    Find<QPushButton>(window, u"按钮2"_qs)->click();
    EXPECT_EQ(CurrentPage.load(), 1);
    EXPECT_EQ(window.GetCell(0, 0), Text("old"));
    EXPECT_EQ(window.GetCell(1, 0), Text("One"));
    EXPECT_EQ(window.GetCell(2, 0), Text("Two"));
}

TEST_F(WindowEvents, PressingTheHintAppendsOnThePressNotTheRelease) {
    auto* hint = Find<QLabel>(window, u"透明标签2"_qs);
    QTest::mousePress(hint, Qt::LeftButton);
    EXPECT_EQ(site.Targets().size(), 1U);
    EXPECT_EQ(window.GetCell(1, 0), Text("Two"));
    QTest::mouseRelease(hint, Qt::LeftButton);
    EXPECT_EQ(site.Targets().size(), 1U);
    QTest::mousePress(hint, Qt::RightButton);
    QTest::mouseRelease(hint, Qt::RightButton);
    EXPECT_EQ(site.Targets().size(), 1U);
}

TEST_F(WindowEvents, DoubleClickOnARowResolvesItsAddressOnAWorker) {
    Find<QPushButton>(window, u"按钮3"_qs)->click();
    auto* list = Find<QTableView>(window, u"超级列表框1"_qs);
    const QPoint second = list->visualRect(list->model()->index(1, 0)).center();
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, second);
    EXPECT_EQ(SelectedRowUrl, window.GetCell(1, 1));
    // The detail page holds no magnet link: the worker's last window call says so.
    ASSERT_TRUE(test::WaitUntil(
        [&] { return window.GetText(Control::StatusLabel) == Text(kNoMagnetStatus); }));
    const auto targets = site.Targets();
    ASSERT_EQ(targets.size(), 2U);
    EXPECT_EQ(targets[1], "/detail/2");
}

TEST_F(WindowEvents, DoubleClickWithNoRowSelectedDoesNothing) {
    auto* list = Find<QTableView>(window, u"超级列表框1"_qs);
    SelectedRowUrl = Text("before");
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, QPoint(20, 20));
    EXPECT_EQ(SelectedRowUrl, Text("before"));
    SelectedRowUrl = Text();
    QTest::qWait(100);
    EXPECT_TRUE(site.Targets().empty());
}

TEST(BannerEvents, PressingTheBannerOpensTheSharePageThenThePublishersSite) {
    TemporaryXdgHandler handler;
    Window window(test::TestAddresses(RefusedAddress("/gengxin/gengxin2.txt")));
    window.Start();
    auto* banner = Find<QLabel>(window, u"图片框10"_qs);
    QTest::mousePress(banner, Qt::RightButton);
    QTest::mouseRelease(banner, Qt::RightButton);
    QTest::mousePress(banner, Qt::LeftButton);
    EXPECT_EQ(handler.WaitForOpened(2),
              (std::vector<std::string>{"http://share.test/page", "http://publisher.test/"}));
    QTest::mouseRelease(banner, Qt::LeftButton);
    EXPECT_EQ(handler.OpenedBefore("magnet:?sentinel").size(), 2U);
}

}  // namespace
}  // namespace talvex::app
