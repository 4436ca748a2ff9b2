// The update check at start-up against hostile update files: a local file, a script, a version
// of 10 KiB, no markers, a redirect to a local file. Only a web address reaches the opener.
#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>

#include <cstdlib>
#include <iostream>
#include <ostream>
#include <string>
#include <vector>

#include "app/window.h"
#include "http/plain_get.h"
#include "tests/app/hostile/controls.h"
#include "tests/app/hostile/hostile_site.h"
#include "tests/app/hostile/probes.h"
#include "tests/app/support/xdg_handler.h"

namespace talvex::app {
namespace {

constexpr const char* kSentinel = "https://sentinel.invalid/";

struct UpdateCase {
    const char* file;     // under /gengxin/ on the hostile site
    bool revealed;        // the new-version row is shown
    std::string address;  // what 编辑框2 holds; "BASE" stands for the site's address
    bool addressOpened;   // the address reached the opener
};

using testing::Child;

TEST(HostileUpdateFiles, OnlyAWebDownloadAddressReachesTheOpener) {
    const UpdateCase cases[] = {
        {"passwd.txt", true, "file:///etc/passwd", false},
        {"javascript.txt", true, "javascript:alert(1)", false},
        {"longversion.txt", true, "BASE/talvex-9.zip", true},
        {"nomarkers.txt", false, "", false},
        {"tofile.txt", false, "", false},
    };
    testing::HostileSite site;
    for (const UpdateCase& update : cases) {
        SCOPED_TRACE(update.file);
        talvex::test::TemporaryXdgHandler opener;
        std::string address = update.address;
        if (address.starts_with("BASE")) {
            address.replace(0, 4, site.Base());
        }
        Window window(site.AddressesWithUpdateFile(update.file));
        // The created event runs the check on the window thread, then the window shows.
        const testing::WindowHeartbeat heartbeat;
        window.Start();
        std::cout << "[ hostile  ] update " << update.file << ": start-up took "
                  << heartbeat.LongestGap().count() << " ms on the window thread\n";

        EXPECT_EQ(Child<QLineEdit>(window, QStringLiteral(u"编辑框2")).isVisible(),
                  update.revealed);
        EXPECT_EQ(Child<QLabel>(window, QStringLiteral(u"标签1")).isVisible(), update.revealed);
        EXPECT_EQ(window.GetText(Control::NewVersionEdit), Text(address));
        EXPECT_EQ(opener.OpenedBefore(kSentinel), update.addressOpened
                                                      ? std::vector<std::string>{address}
                                                      : std::vector<std::string>{});
        EXPECT_EQ(site.RequestsTo(std::string("/gengxin/") + update.file).size(), 1u);
    }
}

// A server that drips a byte every half second is never silent long enough for the client's
// stall limit; without a bound on the whole exchange the update check (on the window thread,
// before the window first shows) would wait until the 64 MiB cap, a year at two bytes a
// second. The total time-out ends it; both limits are lowered here so the case runs quickly.
TEST(HostileUpdateFiles, ADripFeedingServerCannotHoldTheUpdateCheckPastTheTotalLimit) {
    testing::HostileSite site;
    TransferLimits limits;
    limits.stallTimeout = std::chrono::seconds(2);
    limits.totalTimeout = std::chrono::seconds(3);
    const auto started = std::chrono::steady_clock::now();
    const Bytes body = HttpGetBytes(Text(site.Base() + "/gengxin/drip.txt"), limits);
    const auto took = std::chrono::steady_clock::now() - started;
    std::cout << "[ hostile  ] drip-fed update file: " << body.size() << " bytes in "
              << std::chrono::duration_cast<std::chrono::milliseconds>(took).count() << " ms\n";
    EXPECT_LT(took, limits.totalTimeout + std::chrono::seconds(2));
}

}  // namespace
}  // namespace talvex::app
