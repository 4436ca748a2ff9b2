// The hand-off to the desktop through a real xdg-open and a recording handler.
#include <dirent.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "app/window.h"
#include "tests/app/support/xdg_handler.h"

namespace talvex::app {
namespace {

using talvex::test::TemporaryXdgHandler;

struct OpenCase {
    const char* name;
    std::string address;  // GBK, as the tool holds it
    std::vector<std::string> opened;
};

void PrintTo(const OpenCase& row, std::ostream* out) {
    *out << row.name;
}

const std::string kShellMagnet =
    "magnet:?xt=urn:btih:0123456789abcdef&dn=a b;$(touch /tmp/talvex-pwned)`id`'\"|&>x*";

std::vector<OpenCase> OpenCases() {
    return {
        {"magnet full of shell characters arrives whole", kShellMagnet, {kShellMagnet}},
        {"web address", "https://www.example/a?b=1&c=2", {"https://www.example/a?b=1&c=2"}},
        {"GBK arrives as UTF-8",
         "magnet:?dn=\xB9\xA6\xB7\xF2",
         {"magnet:?dn=\xE5\x8A\x9F\xE5\xA4\xAB"}},
        {"empty address opens nothing", "", {}},
        {"leading dash is never an option", "--help", {}},
        {"single dash", "-x", {}},
    };
}

class ShellHandOff : public testing::TestWithParam<OpenCase> {
  protected:
    TemporaryXdgHandler handler;
};

TEST_P(ShellHandOff, OpenUrlHandsTheAddressOnAsOneArgument) {
    OpenUrl(Text(GetParam().address));
    (void)handler.WaitForOpened(GetParam().opened.size());
    EXPECT_EQ(handler.OpenedBefore("magnet:?sentinel"), GetParam().opened);
}

TEST_P(ShellHandOff, OpenLinkHandsTheAddressOnAsOneArgument) {
    OpenLink(Text(GetParam().address));
    (void)handler.WaitForOpened(GetParam().opened.size());
    EXPECT_EQ(handler.OpenedBefore("magnet:?sentinel"), GetParam().opened);
}

INSTANTIATE_TEST_SUITE_P(Cases, ShellHandOff, testing::ValuesIn(OpenCases()),
                         [](const testing::TestParamInfo<OpenCase>& param) {
                             std::string name;
                             for (const char* c = param.param.name; *c; ++c) {
                                 name += std::isalnum(static_cast<unsigned char>(*c)) ? *c : '_';
                             }
                             return name;
                         });

TEST(ShellHandOffOrder, AddressesOpenInTheOrderGiven) {
    TemporaryXdgHandler handler;
    OpenUrlsInOrder({Text("http://first.example/"), Text(""), Text("http://second.example/"),
                     Text("magnet:?third")});
    EXPECT_EQ(handler.WaitForOpened(3),
              (std::vector<std::string>{"http://first.example/", "http://second.example/",
                                        "magnet:?third"}));
}

// The children of this process that have ended but were never waited for.
std::vector<int> ZombieChildren() {
    std::vector<int> zombies;
    DIR* proc = opendir("/proc");
    for (dirent* entry = readdir(proc); entry != nullptr; entry = readdir(proc)) {
        std::ifstream stat(std::string("/proc/") + entry->d_name + "/stat");
        std::string line;
        if (!std::getline(stat, line)) {
            continue;
        }
        // pid (comm) state ppid ...: the command may hold spaces, so read after the last ')'.
        std::istringstream rest(line.substr(line.rfind(')') + 1));
        char state = 0;
        int parent = 0;
        rest >> state >> parent;
        if (parent == getpid() && state == 'Z') {
            zombies.push_back(std::atoi(entry->d_name));
        }
    }
    closedir(proc);
    return zombies;
}

TEST(ShellHandOffOrder, OpenersAreReapedLeavingNoZombie) {
    TemporaryXdgHandler handler;
    for (int i = 0; i < 3; ++i) {
        OpenUrl(Text("magnet:?n=" + std::to_string(i)));
    }
    ASSERT_EQ(handler.WaitForOpened(3).size(), 3U);
    std::vector<int> zombies = ZombieChildren();
    for (int tries = 0; tries < 100 && !zombies.empty(); ++tries) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        zombies = ZombieChildren();
    }
    EXPECT_TRUE(zombies.empty());
}

}  // namespace
}  // namespace talvex::app
