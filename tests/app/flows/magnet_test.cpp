// Magnet resolution: the double-click, the detail page, and what reaches a real xdg-open.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "app/flows/magnet.h"
#include "app/flows/search.h"
#include "sample_site/site.h"
#include "tests/app/flows/flow_support.h"
#include "text/codepage.h"
#include "text/primitives.h"
#include "text/urlcodec.h"

namespace talvex::app {
namespace {

using testing::Gbk;
using testing::Utf8;
using testing::WaitUntil;

constexpr const char* kEndMarker = "\">磁力链接</a>";

std::string DetailPage(const std::string& link, const char* lineBreak = "\r\n") {
    return std::string("<html><body><p><a href=\"/play\">BTUP在线观看</a>") + lineBreak +
           "<a href=\"" + link + kEndMarker + "</p></body></html>\n";
}

// The magnet-link mend, as a table: what may reach the desktop, and in which form.
TEST(MagnetLinkToOpen, PassesOnlyMagnetLinksWithTheSchemeInLowerCase) {
    const struct {
        Text link;
        Text opened;
    } cases[] = {
        {Text("magnet:?xt=urn:btih:ABC"), Text("magnet:?xt=urn:btih:ABC")},
        {Text("MAGNET:?xt=urn:btih:ABC"), Text("magnet:?xt=urn:btih:ABC")},
        {Text("MaGnEt:?dn=A"), Text("magnet:?dn=A")},
        {Gbk("magnet:?dn=功 夫&tr=udp://t:1"), Gbk("magnet:?dn=功 夫&tr=udp://t:1")},
        {Text("magnet:?"), Text("magnet:?")},
        {Text("magnet:"), Text()},
        {Text("magnet:xt"), Text()},
        {Text(" magnet:?xt"), Text()},
        {Text("file:///etc/passwd"), Text()},
        {Text("javascript:alert(1)"), Text()},
        {Text("http://example.com/magnet:?"), Text()},
        {Text("/usr/bin/xterm"), Text()},
        {Text("-magnet:?"), Text()},
        {Text("magnet:?dn=a\nb"), Text()},
        {Text("magnet:?dn=a\rb"), Text()},
        {Text("magnet:?dn=a\tb"), Text()},
        {Text("magnet:?dn=a\x1b[2J"), Text()},
        {Text("magnet:?dn=a\x7f"), Text()},
        {Text(), Text()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.link.str());
        EXPECT_EQ(MagnetLinkToOpen(c.link), c.opened);
    }
}

class MagnetFlow : public ::testing::Test {
  protected:
    void SetUp() override {
        CurrentPage = 0;
        SelectedRowUrl = Text();
    }

    // Runs ResolveMagnet on a worker, as the double-click does, and waits for its end.
    void Resolve(Window& window, const Text& address) {
        std::atomic<bool> finished = false;
        StartWorker(
            [&](Text copy) {
                ResolveMagnet(window, copy);
                finished = true;
            },
            address);
        ASSERT_TRUE(WaitUntil([&] { return finished.load(); }));
    }

    testing::RecordingOpener opener;
};

TEST_F(MagnetFlow, DoubleClickOpensTheRowsMagnetLinkDecodedToUtf8InTheHandler) {
    sample_site::SiteOptions options;
    options.shape.resultsPerPage = 5;
    sample_site::SampleSite site(options);
    ASSERT_TRUE(site.Start());
    Window window(testing::AddressesOn(site.Base()));
    window.SetText(Control::KeywordEdit, Gbk("功夫2"));
    std::atomic<bool> searched = false;
    StartWorker([&](Text) {
        SearchFirstPage(window);
        searched = true;
    });
    ASSERT_TRUE(WaitUntil([&] { return searched.load() && testing::ShownRowCount(window) == 4; }));

    const int row = 2;  // its address ends in a slug that was percent-escaped
    testing::SelectRow(window, row);
    testing::StatusHistory history(window);
    OnResultDoubleClicked(window);

    EXPECT_EQ(SelectedRowUrl, window.GetCell(row, 1));
    ASSERT_TRUE(WaitUntil([&] { return !opener.MagnetHandlerReceived().empty(); }));
    const std::string served = sample_site::CatalogueResult(site.Base(), "功夫2", 1, row).magnet;
    ASSERT_NE(served.find("dn=%E5%8A%9F%E5%A4%AB2"), std::string::npos);
    // Every escape was resolved before the link was cut out; the handler gets UTF-8.
    const std::string expected = UrlDecode(Text(served)).str();
    EXPECT_NE(expected.find("dn=功夫2"), std::string::npos);
    EXPECT_EQ(opener.MagnetHandlerReceived(), std::vector<std::string>{expected});
    ASSERT_TRUE(WaitUntil(
        [&] { return window.GetText(Control::StatusLabel) == Gbk("解析完毕，已经打开磁力链接"); }));
    EXPECT_TRUE(opener.BrowserReceived().empty());
    // The row's address, GBK slug included (the HTTP client may escape its bytes on the wire).
    EXPECT_EQ(UrlDecode(Text(site.RequestTargets().back())),
              ConcatText(Text("/d/e58a9fe5a4ab32/1/2/"), Gbk("种子.html")));
}

TEST_F(MagnetFlow, DoubleClickWithNoRowSelectedDoesNothingAtAll) {
    Window window(testing::AddressesOn("http://127.0.0.1:1"));
    const int row = window.AppendRow();
    window.SetCell(row, 1, Text("http://127.0.0.1:1/detail"));
    window.SetText(Control::StatusLabel, Text("before"));
    SelectedRowUrl = Text("earlier");
    testing::SelectRow(window, -1);

    OnResultDoubleClicked(window);
    WaitUntil([] { return false; }, std::chrono::milliseconds(300));

    EXPECT_EQ(window.GetText(Control::StatusLabel), Text("before"));
    EXPECT_EQ(SelectedRowUrl, Text("earlier"));
}

TEST_F(MagnetFlow, ShowsTheFirstStatusWhileTheDetailPageIsOnItsWay) {
    testing::CannedSite site;
    site.Serve("/detail", DetailPage("magnet:?xt=urn:btih:HELD"));
    Window window(testing::AddressesOn(site.Base()));
    site.Hold();
    std::atomic<bool> finished = false;
    StartWorker(
        [&](Text address) {
            ResolveMagnet(window, address);
            finished = true;
        },
        Text(site.Base() + "/detail"));
    ASSERT_TRUE(WaitUntil([&] { return site.RequestCount() == 1; }));
    EXPECT_EQ(window.GetText(Control::StatusLabel), Gbk("开始解析.."));
    site.Release();
    ASSERT_TRUE(WaitUntil([&] { return finished.load(); }));
    EXPECT_EQ(window.GetText(Control::StatusLabel), Gbk("解析完毕，已经打开磁力链接"));
    ASSERT_TRUE(WaitUntil([&] { return !opener.MagnetHandlerReceived().empty(); }));
    EXPECT_EQ(opener.MagnetHandlerReceived(), std::vector<std::string>{"magnet:?xt=urn:btih:HELD"});
}

// A detail page that must open nothing, and why.
struct RefusedPage {
    const char* name;
    std::string body;  // empty: the address is not served (404) or not reachable
    bool reachable;
};

TEST_F(MagnetFlow, OpensNothingAndSaysSoWhenThePageHoldsNoMagnetLink) {
    const RefusedPage pages[] = {
        {"line feed instead of CR LF", DetailPage("magnet:?xt=urn:btih:LF", "\n"), true},
        {"file link", DetailPage("file:///etc/passwd"), true},
        {"javascript link", DetailPage("javascript:alert(1)"), true},
        {"web link", DetailPage("http://example.com/"), true},
        {"control byte in the link", DetailPage("magnet:?xt=urn:btih:A%0Ab"), true},
        {"no end marker", "<a>BTUP在线观看</a>\r\n<a href=\"magnet:?xt=1\">链接</a>", true},
        {"missing page", "", true},
        {"site unreachable", "", false},
    };
    testing::CannedSite site;
    const std::string down = "http://127.0.0.1:" + std::to_string(testing::ClosedPort());
    Window window(testing::AddressesOn(site.Base()));
    int served = 0;
    for (const RefusedPage& page : pages) {
        SCOPED_TRACE(page.name);
        std::string address = page.reachable ? site.Base() : down;
        address += "/page" + std::to_string(++served);
        if (!page.body.empty()) {
            site.Serve("/page" + std::to_string(served), page.body);
        }
        testing::StatusHistory history(window);
        Resolve(window, Text(address));
        const std::vector<Text> texts = history.Texts();
        ASSERT_GE(texts.size(), 4u);
        EXPECT_EQ(std::vector<Text>(texts.end() - 4, texts.end()),
                  (std::vector<Text>{Gbk("开始解析.."), Gbk("开始解析..."), Gbk("开始解析."),
                                     Gbk("未找到磁力链接")}));
    }

    // A link opened afterwards is the only one that reaches the handler or the browser.
    site.Serve("/good", DetailPage("MAGNET:?xt=urn:btih:GOOD&dn=%E5%8A%9F"));
    Resolve(window, Text(site.Base() + "/good"));
    EXPECT_EQ(window.GetText(Control::StatusLabel), Gbk("解析完毕，已经打开磁力链接"));
    ASSERT_TRUE(WaitUntil([&] { return !opener.MagnetHandlerReceived().empty(); }));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(opener.MagnetHandlerReceived(),
              std::vector<std::string>{"magnet:?xt=urn:btih:GOOD&dn=功"});
    EXPECT_TRUE(opener.BrowserReceived().empty());
}

TEST_F(MagnetFlow, TakesTheLinkAfterTheFirstStartMarker) {
    testing::CannedSite site;
    site.Serve("/two",
               DetailPage("magnet:?xt=urn:btih:FIRST") + DetailPage("magnet:?xt=urn:btih:SECOND"));
    Window window(testing::AddressesOn(site.Base()));
    Resolve(window, Text(site.Base() + "/two"));
    ASSERT_TRUE(WaitUntil([&] { return !opener.MagnetHandlerReceived().empty(); }));
    EXPECT_EQ(opener.MagnetHandlerReceived(),
              std::vector<std::string>{"magnet:?xt=urn:btih:FIRST"});
}

}  // namespace
}  // namespace talvex::app
