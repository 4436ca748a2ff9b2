// What the flow tests share: GBK literals, waiting inside a real event loop, a loopback server
// of canned pages that can hold its answers, and the flows' window wired to a site.
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "app/window.h"
#include "text/types.h"

namespace talvex::app::testing {

// The GBK form of a UTF-8 literal.
[[nodiscard]] Text Gbk(const char* utf8);
// The UTF-8 form of a GBK text, for readable failure messages.
[[nodiscard]] std::string Utf8(const Text& gbk);

// Runs the window thread's event loop until `done` holds or `timeout` passes; the result of
// the last look at `done`.
bool WaitUntil(const std::function<bool()>& done,
               std::chrono::milliseconds timeout = std::chrono::seconds(15));

// A port on 127.0.0.1 that nothing listens on: the network is down there.
[[nodiscard]] int ClosedPort();

// Addresses whose search base is `base` (the update file and publisher pages on it too).
[[nodiscard]] Addresses AddressesOn(const std::string& base);

// A loopback HTTP server answering chosen paths with chosen UTF-8 bodies (404 otherwise).
// While held, every answer waits until Release.
class CannedSite {
  public:
    CannedSite();
    ~CannedSite();
    CannedSite(const CannedSite&) = delete;
    CannedSite& operator=(const CannedSite&) = delete;

    void Serve(const std::string& path, std::string body);
    void Hold();
    void Release();
    // The number of requests that have arrived (held ones included).
    [[nodiscard]] int RequestCount() const;
    [[nodiscard]] std::string Base() const;

  private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

// Every text the status label shows while it lives, in order, each once per change. Calls that
// workers make reach the window as queued calls; the label is read before each of them runs,
// so no text a worker writes is missed, however quickly the next one replaces it.
class StatusHistory {
  public:
    explicit StatusHistory(Window& window);
    ~StatusHistory();
    StatusHistory(const StatusHistory&) = delete;
    StatusHistory& operator=(const StatusHistory&) = delete;

    // The texts shown so far, the one showing now last; the text showing at construction first.
    [[nodiscard]] std::vector<Text> Texts();

  private:
    struct Watcher;
    std::unique_ptr<Watcher> m_watcher;
};

// A temporary desktop handler for magnet links and a temporary web browser, each recording
// every address the desktop's opener hands it, one per line. Points the opener's environment
// at them for the object's lifetime; make it before the threads that start openers.
class RecordingOpener {
  public:
    RecordingOpener();
    ~RecordingOpener();
    RecordingOpener(const RecordingOpener&) = delete;
    RecordingOpener& operator=(const RecordingOpener&) = delete;

    // What the magnet handler and the browser received so far.
    [[nodiscard]] std::vector<std::string> MagnetHandlerReceived() const;
    [[nodiscard]] std::vector<std::string> BrowserReceived() const;

  private:
    std::string m_root;
    std::vector<std::pair<std::string, std::string>> m_savedEnvironment;  // name, old value
    std::vector<std::string> m_unsetEnvironment;
};

// The rows the results list shows once pending rows have reached it, each as
// {column 0, column 1}.
[[nodiscard]] std::vector<std::vector<Text>> Rows(Window& window);
// The rows the results list shows right now.
[[nodiscard]] int ShownRowCount(Window& window);
// Selects `row` of the results list as a click would; -1 clears the selection.
void SelectRow(Window& window, int row);

}  // namespace talvex::app::testing
