// The tool's one window and the operations every flow calls on it, on threads and on the
// desktop. Window operations may be called from the window thread or from any worker: a call
// from a worker runs on the window thread, one at a time, and is complete when it returns.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "text/types.h"

class QWidget;

namespace talvex::app {

// The controls, in creation order; each widget's objectName is its record name.
enum class Control {
    KeywordEdit,        // 编辑框1
    SearchButton,       // 按钮1
    ResultList,         // 超级列表框1
    StatusLabel,        // 透明标签1
    AppendButton,       // 按钮2
    NextPageButton,     // 按钮3
    NoResultsHint,      // 透明标签2
    DownloadToolHint,   // 透明标签3
    UpdateButton,       // 按钮4
    NewVersionEdit,     // 编辑框2
    NewVersionCaption,  // 标签1
    Banner,             // 图片框10
};

// The built-in addresses, compiled in from the TALVEX_* cache variables; tests pass their own.
struct Addresses {
    Text searchBase;     // e.g. "http://host:port" (no trailing slash)
    Text updateUrl;      // host + "/gengxin/gengxin2.txt"
    Text publisherSite;  // ends in "/"
    Text sharePage;
};

// The compiled-in addresses.
[[nodiscard]] Addresses BuiltInAddresses();

class MainWindowWidget;  // the Qt widget; only window.cpp knows it

// The main window. Construct on the window thread after QApplication exists; the window
// thread is the thread that constructs it. Every control exists (hidden ones hidden) and every
// event is wired when the constructor returns; the window is not shown yet.
class Window {
  public:
    explicit Window(Addresses addresses);
    ~Window();
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    [[nodiscard]] const Addresses& addresses() const { return m_addresses; }
    // The top-level widget, for showing it and for tests (findChild by record name).
    [[nodiscard]] QWidget& widget();

    // The created event, then the first showing: runs the update check to completion on the
    // window thread, then shows the window centred on the screen.
    void Start();

    // Replaces the text of a label, a transparent label or an edit box (a button's caption too).
    void SetText(Control control, const Text& text);
    // The current text of an edit box (or label, button caption); empty for the list and banner.
    [[nodiscard]] Text GetText(Control control);
    void SetVisible(Control control, bool visible);
    void ClearRows();
    // Adds an empty row after the last; returns its 0-based index.
    int AppendRow();
    // Sets one cell; a row or column outside the list changes nothing.
    void SetCell(int row, int column, const Text& text);
    // One cell's text exactly as set; empty when the cell is empty or outside the list.
    [[nodiscard]] Text GetCell(int row, int column);
    // The 0-based selected row, -1 when none.
    [[nodiscard]] int SelectedRow();

  private:
    Addresses m_addresses;
    std::unique_ptr<MainWindowWidget> m_widget;
};

// Makes the end of the tool immediate: when the last window closes, SelectedRowUrl is released
// and the process ends with code 0 at once, taking running workers with it (a worker may be
// blocked in a window call, and an ordinary teardown would race it). Call once after
// QApplication exists.
void EndProcessWhenLastWindowCloses();
// Releases SelectedRowUrl, flushes the standard streams and ends the process with code 0.
[[noreturn]] void EndProcess();

// Runs `routine(argument)` on a new detached thread; the thread owns `argument`.
void StartWorker(std::function<void(Text)> routine, Text argument = {});
// Returns once strictly more than `milliseconds` have passed, processing window events
// throughout (nested handlers run inside); <= 0 returns at once.
void PauseWithEvents(int milliseconds);
// Hands `url` (GBK, sent on as UTF-8) to the desktop's opener, xdg-open, started detached with
// the address as its one argument and no shell. An empty address or one beginning with "-" is
// not handed on (the opener would read it as an option). The result is ignored.
void OpenUrl(const Text& url);
// The same request for the magnet link (the owner-window detail has no counterpart here).
void OpenLink(const Text& url);
// Opens each address as OpenUrl does, in order: the next is handed on once the opener of the
// previous one has finished, or after a few seconds when it keeps running (a browser that
// stays in the foreground). Returns at once.
void OpenUrlsInOrder(std::vector<Text> urls);

// The two globals the window shares with the flows.
extern std::atomic<std::int32_t> CurrentPage;  // last result page requested; 0 at start
extern Text SelectedRowUrl;                    // window thread only

}  // namespace talvex::app
