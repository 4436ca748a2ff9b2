// Double-clicks on the rows of the hostile site's detail pages: links to local files, scripts,
// programs and options never reach the desktop's opener; a real magnet link with a display name
// of over 10 KiB does, once, with its scheme in lower case and its escapes decoded.
#include <gtest/gtest.h>

#include <QPushButton>
#include <QTableView>
#include <QTest>

#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "app/flows/search.h"
#include "app/window.h"
#include "tests/app/flows/flow_support.h"
#include "tests/app/hostile/controls.h"
#include "tests/app/hostile/hostile_site.h"
#include "tests/app/hostile/probes.h"
#include "tests/app/support/xdg_handler.h"

namespace talvex::app {
namespace {

using testing::Gbk;
using testing::WaitUntil;

constexpr std::chrono::milliseconds kWindowAnswersWithin{2000};
constexpr const char* kBefore = "-";
constexpr const char* kSentinel = "https://sentinel.invalid/";

// A row of the detail-page list and the status its resolution must end at.
struct DetailCase {
    const char* title;
    const char* finalStatus;  // UTF-8
};

using testing::Child;

// The magnet link as the opener must receive it: the scheme in lower case, every escape
// decoded, the display name in UTF-8.
std::string ExpectedLongMagnet() {
    std::string link = "magnet:?xt=urn:btih:" + std::string(testing::kLongMagnetHash) + "&dn=";
    for (int i = 0; i < testing::kLongNameRepeats; ++i) {
        link += "功";
    }
    return link + testing::kLongNamePlain;
}

TEST(HostileDetailPages, OnlyTheRealMagnetLinkReachesTheOpenerInLowerCase) {
    const DetailCase details[] = {
        {"sh", "未找到磁力链接"},
        {"javascript", "未找到磁力链接"},
        {"xterm", "未找到磁力链接"},
        {"help", "未找到磁力链接"},
        {"empty", "未找到磁力链接"},
        {"redirect to a file", "未找到磁力链接"},
        {"stalled", "未找到磁力链接"},
        {"local file", "未找到磁力链接"},
        {"long magnet", "解析完毕，已经打开磁力链接"},
    };
    talvex::test::TemporaryXdgHandler opener;
    testing::HostileSite site;
    Window window(site.AddressesWithUpdateFile("nomarkers.txt"));
    window.Start();

    window.SetText(Control::KeywordEdit, Text(testing::kDetailPages));
    Child<QPushButton>(window, QStringLiteral(u"按钮1")).click();
    ASSERT_TRUE(WaitUntil([&] {
        return window.GetText(Control::StatusLabel) == Text(kResultsListedStatus) &&
               testing::ShownRowCount(window) == static_cast<int>(std::size(details));
    }));
    auto& list = Child<QTableView>(window, QStringLiteral(u"超级列表框1"));

    for (int row = 0; row < static_cast<int>(std::size(details)); ++row) {
        const DetailCase& detail = details[row];
        SCOPED_TRACE(detail.title);
        ASSERT_EQ(window.GetCell(row, 0), Text(detail.title));
        window.SetText(Control::StatusLabel, kBefore);
        testing::StatusHistory history(window);
        const testing::WindowHeartbeat heartbeat;
        const QPoint centre = list.visualRect(list.model()->index(row, 0)).center();
        QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, centre);
        EXPECT_EQ(SelectedRowUrl, window.GetCell(row, 1));
        const Text finalStatus = Gbk(detail.finalStatus);
        ASSERT_TRUE(WaitUntil([&] { return window.GetText(Control::StatusLabel) == finalStatus; },
                              std::chrono::seconds(30)));
        std::cout << "[ hostile  ] detail " << detail.title << ": longest window-thread gap "
                  << heartbeat.LongestGap().count() << " ms\n";

        EXPECT_EQ(history.Texts(),
                  (std::vector<Text>{kBefore, Gbk("开始解析.."), Gbk("开始解析..."),
                                     Gbk("开始解析."), finalStatus}));
        EXPECT_LT(heartbeat.LongestGap(), kWindowAnswersWithin);
    }

    EXPECT_EQ(opener.OpenedBefore(kSentinel), std::vector<std::string>{ExpectedLongMagnet()});
    // The local file was never asked for over the network; the redirect to one was not followed.
    EXPECT_EQ(site.RequestsTo("/d/").size(), std::size(details) - 1);
}

}  // namespace
}  // namespace talvex::app
