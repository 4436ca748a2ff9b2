// A temporary desktop handler for tests of the shell hand-off: while it lives, xdg-open hands
// magnet, http and https addresses (and text/plain files) to a tiny recorder script that
// appends its one argument to a file, so a test can read back exactly what was opened.
//
// It points XDG_DATA_HOME, XDG_CONFIG_HOME and BROWSER at its own temporary directory (and
// clears the desktop-detection variables so xdg-open takes its generic path); the destructor
// restores them and removes the directory. Construct it before any thread that might read the
// environment starts, on one thread, one at a time.
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace talvex::test {

class TemporaryXdgHandler {
  public:
    TemporaryXdgHandler();
    ~TemporaryXdgHandler();
    TemporaryXdgHandler(const TemporaryXdgHandler&) = delete;
    TemporaryXdgHandler& operator=(const TemporaryXdgHandler&) = delete;

    // Every argument the handler received so far, in the order it recorded them.
    [[nodiscard]] std::vector<std::string> Opened() const;
    // Waits until at least `count` arguments are recorded or `limit` passes; returns Opened().
    [[nodiscard]] std::vector<std::string> WaitForOpened(
        std::size_t count, std::chrono::milliseconds limit = std::chrono::seconds(10)) const;
    // Opens `sentinel` through xdg-open directly and waits until it is recorded, then a little
    // longer: whatever was handed to xdg-open before this call has been recorded by then.
    // Returns Opened() without the sentinel.
    [[nodiscard]] std::vector<std::string> OpenedBefore(const std::string& sentinel) const;
    // The temporary directory (for files a test wants to open).
    [[nodiscard]] const std::string& Directory() const { return m_directory; }

  private:
    std::string m_directory;
    std::string m_recordFile;
    std::vector<std::pair<std::string, std::optional<std::string>>> m_savedEnvironment;
};

}  // namespace talvex::test
