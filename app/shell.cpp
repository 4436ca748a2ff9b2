// The desktop's "open": xdg-open started with the address as its one argument, no shell.
#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <chrono>
#include <future>
#include <memory>
#include <string>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include "app/window.h"
#include "text/codepage.h"

extern char** environ;

namespace talvex::app {
namespace {

constexpr const char* kOpener = "xdg-open";
// How long the next address of OpenUrlsInOrder waits for the opener of the one before.
constexpr std::chrono::seconds kOrderWait{3};

// Starts the opener on `address` and returns its process id, or -1 when it cannot start.
pid_t SpawnOpener(const std::string& address) {
    std::string program = kOpener;
    std::string argument = address;
    char* argv[] = {program.data(), argument.data(), nullptr};
    pid_t pid = -1;
    if (posix_spawnp(&pid, kOpener, nullptr, nullptr, argv, environ) != 0) {
        return -1;
    }
    return pid;
}

// Reaps `pid` on its own thread so no zombie is left; `finished` is set when it has ended.
void ReapDetached(pid_t pid, std::shared_ptr<std::promise<void>> finished) {
    auto reap = [pid, finished] {
        int status = 0;
        while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
        finished->set_value();
    };
    try {
        std::thread(reap).detach();
    } catch (const std::system_error&) {
        reap();  // no thread to spare: wait here rather than leave a zombie
    }
}

// The address as the opener receives it, or nothing when it must not be handed on: an empty
// address opens nothing, and one beginning with "-" would be read as an option.
std::string AddressForOpener(const Text& url) {
    if (url.empty() || url.view().front() == '-') {
        return {};
    }
    return AnsiToUtf8(url).str();
}

void OpenEachInOrder(const std::vector<std::string>& addresses) {
    for (const std::string& address : addresses) {
        const pid_t pid = SpawnOpener(address);
        if (pid < 0) {
            continue;
        }
        auto finished = std::make_shared<std::promise<void>>();
        std::future<void> done = finished->get_future();
        ReapDetached(pid, std::move(finished));
        if (&address != &addresses.back()) {
            done.wait_for(kOrderWait);
        }
    }
}

}  // namespace

void OpenUrlsInOrder(std::vector<Text> urls) {
    std::vector<std::string> addresses;
    for (const Text& url : urls) {
        if (std::string address = AddressForOpener(url); !address.empty()) {
            addresses.push_back(std::move(address));
        }
    }
    if (addresses.empty()) {
        return;
    }
    if (addresses.size() == 1) {
        OpenEachInOrder(addresses);  // spawning returns at once; the reaper runs apart
        return;
    }
    try {
        std::thread([addresses = std::move(addresses)] { OpenEachInOrder(addresses); }).detach();
    } catch (const std::system_error&) {
        // Nothing is reported: the shell's answer is ignored, and so is a failure to ask it.
    }
}

void OpenUrl(const Text& url) {
    OpenUrlsInOrder({url});
}

void OpenLink(const Text& url) {
    OpenUrlsInOrder({url});
}

}  // namespace talvex::app
