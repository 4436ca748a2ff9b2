// The update check against a loopback update server, with xdg-open handing whatever is
// opened to a recording handler.
#include <QApplication>
#include <QEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/flows/update.h"
#include "tests/app/support/xdg_handler.h"
#include "tests/app/window/window_test_support.h"
#include "tests/support/loopback_server.h"

namespace talvex::app {
namespace {

using talvex::test::CannedReply;
using talvex::test::HttpResponse;
using talvex::test::LoopbackServer;
using talvex::test::TemporaryXdgHandler;
using test::Find;
using test::RefusedAddress;
using test::TestAddresses;

const std::string kStart = "\xA1\xBEVornik\xBF\xAA\xCA\xBC\xA1\xBF";    // 【Vornik开始】
const std::string kEnd = "\xA1\xBEVornik\xBD\xE1\xCA\xF8\xA1\xBF";      // 【Vornik结束】
const std::string kAddress = "\xA1\xBEVornik\xB5\xD8\xD6\xB7\xA1\xBF";  // 【Vornik地址】
const std::string kDownload = "http://dl.example/talvex-1.7.zip";

struct UpdateCase {
    std::string name;
    std::optional<std::string> response;  // none: the server is down
    bool revealed;
    std::string address;              // in 编辑框2 (GBK)
    std::vector<std::string> opened;  // what reached the desktop (UTF-8)
};

void PrintTo(const UpdateCase& row, std::ostream* out) {
    *out << row.name;
}

std::string Ok(const std::string& body) {
    return HttpResponse("HTTP/1.1 200 OK", {"Content-Type: text/plain"}, body);
}

std::vector<UpdateCase> UpdateCases() {
    const std::string localFile = "file:///etc/passwd";
    return {
        {"same version", Ok(kStart + "1.6" + kEnd + kDownload + kAddress), false, "", {}},
        {"newer version",
         Ok("intro\r\n" + kStart + "1.7" + kEnd + kDownload + kAddress + "\r\n"),
         true,
         kDownload,
         {kDownload}},
        {"older version counts as new",
         Ok(kStart + "1.5" + kEnd + kDownload + kAddress),
         true,
         kDownload,
         {kDownload}},
        {"1.6 with a line break differs",
         Ok(kStart + "1.6\r\n" + kEnd + kDownload + kAddress),
         true,
         kDownload,
         {kDownload}},
        {"1.6 with a space before differs",
         Ok(kStart + " 1.6" + kEnd + kDownload + kAddress),
         true,
         kDownload,
         {kDownload}},
        {"empty version", Ok(kStart + kEnd + kDownload + kAddress), false, "", {}},
        {"address marker missing", Ok(kStart + "1.7" + kEnd + kDownload), true, "", {}},
        {"0 byte first",
         Ok(std::string(1, '\0') + kStart + "1.7" + kEnd + kDownload + kAddress),
         false,
         "",
         {}},
        {"0 byte before the markers",
         Ok("x" + std::string(1, '\0') + kStart + "1.7" + kEnd),
         false,
         "",
         {}},
        {"404 page",
         HttpResponse("HTTP/1.1 404 Not Found", {"Content-Type: text/html"},
                      "<html><body>404 Not Found</body></html>"),
         false,
         "",
         {}},
        {"server down", std::nullopt, false, "", {}},
        {"local file address is shown, not opened",
         Ok(kStart + "1.7" + kEnd + localFile + kAddress),
         true,
         localFile,
         {}},
        {"program path is shown, not opened",
         Ok(kStart + "1.7" + kEnd + "/bin/sh" + kAddress),
         true,
         "/bin/sh",
         {}},
        {"other scheme is shown, not opened",
         Ok(kStart + "1.7" + kEnd + "magnet:?xt=urn:btih:0" + kAddress),
         true,
         "magnet:?xt=urn:btih:0",
         {}},
        {"capital HTTPS is a web address",
         Ok(kStart + "2.0" + kEnd + "HTTPS://DL.EXAMPLE/T.ZIP" + kAddress),
         true,
         "HTTPS://DL.EXAMPLE/T.ZIP",
         {"HTTPS://DL.EXAMPLE/T.ZIP"}},
        {"GBK address goes on as UTF-8",
         Ok(kStart + "1.7" + kEnd + "http://dl.example/\xCF\xC2\xD4\xD8" + kAddress),
         true,
         "http://dl.example/\xCF\xC2\xD4\xD8",
         {"http://dl.example/\xE4\xB8\x8B\xE8\xBD\xBD"}},
    };
}

class UpdateCheck : public testing::TestWithParam<UpdateCase> {
  protected:
    TemporaryXdgHandler handler;
};

TEST_P(UpdateCheck, RevealsFillsAndOpensOnlyAsTheFileSays) {
    const UpdateCase& row = GetParam();
    std::optional<LoopbackServer> server;
    std::string updateUrl = RefusedAddress("/gengxin/gengxin2.txt");
    if (row.response) {
        server.emplace(CannedReply(*row.response));
        updateUrl = server->Url("/gengxin/gengxin2.txt");
    }
    Window window(TestAddresses(updateUrl));
    window.Start();

    EXPECT_TRUE(window.widget().isVisible());  // the window shows whatever the check found
    EXPECT_EQ(Find(window, u"编辑框2"_qs)->isVisible(), row.revealed);
    EXPECT_EQ(Find(window, u"标签1"_qs)->isVisible(), row.revealed);
    EXPECT_EQ(window.GetText(Control::NewVersionEdit), Text(row.address));
    EXPECT_EQ(window.GetText(Control::StatusLabel), Text());
    (void)handler.WaitForOpened(row.opened.size());  // an opener may be slow to record
    EXPECT_EQ(handler.OpenedBefore("magnet:?sentinel"), row.opened);
    if (server) {
        const auto requests = server->Requests();
        ASSERT_EQ(requests.size(), 1U);
        EXPECT_EQ(requests[0].method, "GET");
        EXPECT_EQ(requests[0].target, "/gengxin/gengxin2.txt");
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, UpdateCheck, testing::ValuesIn(UpdateCases()),
                         [](const testing::TestParamInfo<UpdateCase>& param) {
                             std::string name;
                             for (char c : param.param.name) {
                                 name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
                             }
                             return name;
                         });

TEST(UpdateCheckControl, TheLocalFileItRefusesWouldOtherwiseReachTheDesktop) {
    // Shows that the recorder would have seen the refused address had it been handed on.
    TemporaryXdgHandler handler;
    const std::string file = handler.Directory() + "/notes.txt";
    FILE* out = std::fopen(file.c_str(), "w");
    ASSERT_NE(out, nullptr);
    std::fputs("notes\n", out);
    std::fclose(out);
    OpenUrl(Text("file://" + file));
    EXPECT_EQ(handler.WaitForOpened(1).size(), 1U);
}

TEST(UpdateCheckControl, HiddenButtonRunsTheCheckAgainAndTheRowStaysRevealed) {
    TemporaryXdgHandler handler;
    LoopbackServer server(CannedReply(Ok(kStart + "1.7" + kEnd + kDownload + kAddress)));
    Window window(TestAddresses(server.Url("/gengxin/gengxin2.txt")));
    window.Start();
    ASSERT_EQ(handler.WaitForOpened(1), std::vector<std::string>{kDownload});
    Find<QPushButton>(window, u"按钮4"_qs)->click();
    EXPECT_EQ(server.Requests().size(), 2U);
    EXPECT_TRUE(Find(window, u"编辑框2"_qs)->isVisible());
    EXPECT_EQ(handler.WaitForOpened(2), (std::vector<std::string>{kDownload, kDownload}));
}

// Notes what the window holds at the moment it is first shown.
class FirstShow final : public QObject {
  public:
    explicit FirstShow(std::function<void()> seen) : m_seen(std::move(seen)) {}

  protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Show && m_seen) {
            std::exchange(m_seen, nullptr)();
        }
        return false;
    }

  private:
    std::function<void()> m_seen;
};

TEST(UpdateCheckControl, TheWindowFirstShowsWithTheRowAlreadyRevealedAndOpened) {
    TemporaryXdgHandler handler;
    LoopbackServer server(CannedReply(Ok(kStart + "1.7" + kEnd + kDownload + kAddress)));
    Window window(TestAddresses(server.Url("/gengxin/gengxin2.txt")));
    bool shown = false;
    FirstShow firstShow([&] {
        shown = true;
        EXPECT_EQ(server.Requests().size(), 1U);
        EXPECT_FALSE(Find(window, u"编辑框2"_qs)->isHidden());
        EXPECT_FALSE(Find(window, u"标签1"_qs)->isHidden());
        EXPECT_EQ(window.GetText(Control::NewVersionEdit), Text(kDownload));
    });
    window.widget().installEventFilter(&firstShow);
    EXPECT_TRUE(server.Requests().empty());  // created, not yet checked
    window.Start();
    EXPECT_TRUE(shown);
    EXPECT_EQ(handler.WaitForOpened(1), std::vector<std::string>{kDownload});
}

TEST(UpdateCheckControl, WebAddressesAreRecognisedInAnyCase) {
    for (const char* address : {"http://a", "https://a", "HTTP://A", "hTtPs://a"}) {
        EXPECT_TRUE(IsWebAddress(address)) << address;
    }
    for (const char* address : {"", "http:/a", "https:a", " http://a", "file:///x", "ftp://a",
                                "javascript:alert(1)", "-http://a", "httpx://a"}) {
        EXPECT_FALSE(IsWebAddress(address)) << address;
    }
}

}  // namespace
}  // namespace talvex::app
