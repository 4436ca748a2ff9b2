// The tool's one window and the operations every flow calls on it, on threads and on the
// desktop. Window operations may be called from the window thread or from any worker: a call
// from a worker runs on the window thread, one at a time, and is complete when it returns.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>

#include "text/types.h"

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

// The main window. Construct on the window thread after QApplication exists.
class Window {
public:
    explicit Window(Addresses addresses);
    ~Window();
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    [[nodiscard]] const Addresses& addresses() const { return m_addresses; }
    // The Qt widget, for showing it and for tests (findChild by record name).
    [[nodiscard]] MainWindowWidget& widget();

    void SetText(Control control, const Text& text);
    [[nodiscard]] Text GetText(Control control);
    void SetVisible(Control control, bool visible);
    void ClearRows();
    // Adds an empty row after the last; returns its 0-based index.
    int AppendRow();
    void SetCell(int row, int column, const Text& text);
    [[nodiscard]] Text GetCell(int row, int column);
    // The 0-based selected row, -1 when none.
    [[nodiscard]] int SelectedRow();

private:
    Addresses m_addresses;
    std::unique_ptr<MainWindowWidget> m_widget;
};

// Runs `routine(argument)` on a new detached thread; the thread owns `argument`.
void StartWorker(std::function<void(Text)> routine, Text argument = {});
// Returns once strictly more than `milliseconds` have passed, processing window events
// throughout (nested handlers run inside); <= 0 returns at once.
void PauseWithEvents(int milliseconds);
// Hands `url` (GBK, sent on as UTF-8) to the desktop's opener, detached, without a shell.
// An empty address or one beginning with "-" is not handed on. The result is ignored.
void OpenUrl(const Text& url);
void OpenLink(const Text& url);

// The two globals the window shares with the flows.
extern std::atomic<std::int32_t> CurrentPage;  // last result page requested; 0 at start
extern Text SelectedRowUrl;                    // window thread only

}  // namespace talvex::app
