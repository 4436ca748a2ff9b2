#include "tests/app/flows/flow_support.h"

#include <httplib.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QEvent>
#include <QEventLoop>
#include <QItemSelectionModel>
#include <QTimer>
#include <QWidget>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

#include "text/codepage.h"

namespace talvex::app::testing {

// Longer than the window's batching of rows that workers append.
constexpr int kRowSettleMilliseconds = 40;

Text Gbk(const char* utf8) {
    return Utf8ToAnsi(Text(utf8));
}

std::string Utf8(const Text& gbk) {
    return AnsiToUtf8(gbk).str();
}

bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    if (done()) {
        return true;
    }
    QEventLoop loop;
    QTimer poll;
    poll.setInterval(2);
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done()) {
            loop.quit();
        }
    });
    QTimer deadline;
    deadline.setSingleShot(true);
    QObject::connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
    poll.start();
    deadline.start(static_cast<int>(timeout.count()));
    loop.exec();
    return done();
}

int ClosedPort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t length = sizeof address;
    ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    ::close(fd);  // nothing listens there now
    return ntohs(address.sin_port);
}

Addresses AddressesOn(const std::string& base) {
    return {Text(base), Text(base + "/gengxin/gengxin2.txt"), Text(base + "/"),
            Text(base + "/share.html")};
}

struct CannedSite::Impl {
    httplib::Server server;
    std::thread thread;
    int port = 0;
    mutable std::mutex mutex;
    std::condition_variable released;
    bool held = false;
    int requests = 0;
    std::map<std::string, std::string> bodies;
};

CannedSite::CannedSite() : m_impl(std::make_unique<Impl>()) {
    Impl& impl = *m_impl;
    impl.server.Get(R"(/.*)", [&impl](const httplib::Request& req, httplib::Response& res) {
        std::unique_lock lock(impl.mutex);
        ++impl.requests;
        impl.released.wait(lock, [&impl] { return !impl.held; });
        const auto found = impl.bodies.find(req.target);
        if (found == impl.bodies.end()) {
            res.status = 404;
            return;
        }
        res.set_content(found->second, "text/html; charset=utf-8");
    });
    impl.port = impl.server.bind_to_any_port("127.0.0.1");
    impl.thread = std::thread([&impl] { impl.server.listen_after_bind(); });
    while (!impl.server.is_running()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

CannedSite::~CannedSite() {
    Release();
    m_impl->server.stop();
    m_impl->thread.join();
}

void CannedSite::Serve(const std::string& path, std::string body) {
    std::lock_guard lock(m_impl->mutex);
    m_impl->bodies[path] = std::move(body);
}

void CannedSite::Hold() {
    std::lock_guard lock(m_impl->mutex);
    m_impl->held = true;
}

void CannedSite::Release() {
    {
        std::lock_guard lock(m_impl->mutex);
        m_impl->held = false;
    }
    m_impl->released.notify_all();
}

int CannedSite::RequestCount() const {
    std::lock_guard lock(m_impl->mutex);
    return m_impl->requests;
}

std::string CannedSite::Base() const {
    return "http://127.0.0.1:" + std::to_string(m_impl->port);
}

struct StatusHistory::Watcher : QObject {
    explicit Watcher(Window& watched) : window(watched) { Note(); }

    bool eventFilter(QObject* target, QEvent* event) override {
        if (event->type() == QEvent::MetaCall) {
            Note();
        }
        return QObject::eventFilter(target, event);
    }

    void Note() {
        Text shown = window.GetText(Control::StatusLabel);
        if (texts.empty() || texts.back() != shown) {
            texts.push_back(std::move(shown));
        }
    }

    Window& window;
    std::vector<Text> texts;
};

StatusHistory::StatusHistory(Window& window) : m_watcher(std::make_unique<Watcher>(window)) {
    window.widget().installEventFilter(m_watcher.get());
}

StatusHistory::~StatusHistory() = default;  // the filter goes with the watcher

std::vector<Text> StatusHistory::Texts() {
    m_watcher->Note();
    return m_watcher->texts;
}

namespace {

void WriteFile(const std::string& path, const std::string& content, bool executable = false) {
    std::ofstream(path, std::ios::binary) << content;
    if (executable) {
        ::chmod(path.c_str(), 0755);
    }
}

std::vector<std::string> ReadLines(const std::string& path) {
    std::vector<std::string> lines;
    std::ifstream in(path, std::ios::binary);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

// A recorder appends its one argument; the line is written whole so a reader never sees half.
std::string RecorderScript(const std::string& record) {
    return "#!/bin/sh\nprintf '%s\\n' \"$1\" >> '" + record + "'\n";
}

}  // namespace

RecordingOpener::RecordingOpener() {
    char pattern[] = "/tmp/talvex-opener.XXXXXX";
    m_root = ::mkdtemp(pattern);
    const std::string data = m_root + "/data";
    const std::string config = m_root + "/config";
    std::filesystem::create_directories(data + "/applications");
    std::filesystem::create_directories(config);
    WriteFile(m_root + "/magnet-handler.sh", RecorderScript(m_root + "/magnet.txt"), true);
    WriteFile(m_root + "/browser.sh", RecorderScript(m_root + "/browser.txt"), true);
    WriteFile(data + "/applications/talvex-test-magnet.desktop",
              "[Desktop Entry]\nType=Application\nName=Talvex test magnet handler\nExec=" + m_root +
                  "/magnet-handler.sh %u\nMimeType=x-scheme-handler/magnet;\n");
    WriteFile(config + "/mimeapps.list",
              "[Default Applications]\nx-scheme-handler/magnet=talvex-test-magnet.desktop\n");

    auto set = [this](const char* name, const std::string& value) {
        if (const char* old = std::getenv(name)) {
            m_savedEnvironment.emplace_back(name, old);
        } else {
            m_unsetEnvironment.emplace_back(name);
        }
        ::setenv(name, value.c_str(), 1);
    };
    auto unset = [this](const char* name) {
        if (const char* old = std::getenv(name)) {
            m_savedEnvironment.emplace_back(name, old);
            ::unsetenv(name);
        }
    };
    set("XDG_DATA_HOME", data);
    set("XDG_CONFIG_HOME", config);
    set("BROWSER", m_root + "/browser.sh");
    // The opener tries scheme handlers only where it believes there is a display.
    if (std::getenv("DISPLAY") == nullptr) {
        set("DISPLAY", ":talvex-test");
    }
    // No desktop environment: the opener's generic path, which reads the files above.
    unset("XDG_CURRENT_DESKTOP");
    unset("DESKTOP_SESSION");
    unset("KDE_FULL_SESSION");
    unset("GNOME_DESKTOP_SESSION_ID");
}

RecordingOpener::~RecordingOpener() {
    for (const auto& [name, value] : m_savedEnvironment) {
        ::setenv(name.c_str(), value.c_str(), 1);
    }
    for (const auto& name : m_unsetEnvironment) {
        ::unsetenv(name.c_str());
    }
    std::error_code ignored;
    std::filesystem::remove_all(m_root, ignored);
}

std::vector<std::string> RecordingOpener::MagnetHandlerReceived() const {
    return ReadLines(m_root + "/magnet.txt");
}

std::vector<std::string> RecordingOpener::BrowserReceived() const {
    return ReadLines(m_root + "/browser.txt");
}

namespace {

QAbstractItemView& ResultList(Window& window) {
    auto* list = window.widget().findChild<QAbstractItemView*>(QStringLiteral(u"超级列表框1"));
    if (list == nullptr) {
        ADD_FAILURE() << "the window has no results list";
        std::abort();
    }
    return *list;
}

}  // namespace

std::vector<std::vector<Text>> Rows(Window& window) {
    // Rows a worker appended reach the view in batches: let the last batch arrive.
    QEventLoop settle;
    QTimer::singleShot(kRowSettleMilliseconds, &settle, &QEventLoop::quit);
    settle.exec();
    std::vector<std::vector<Text>> rows;
    const int count = ResultList(window).model()->rowCount();
    for (int row = 0; row < count; ++row) {
        rows.push_back({window.GetCell(row, 0), window.GetCell(row, 1)});
    }
    return rows;
}

int ShownRowCount(Window& window) {
    return ResultList(window).model()->rowCount();
}

void SelectRow(Window& window, int row) {
    QAbstractItemView& list = ResultList(window);
    if (row < 0) {
        list.clearSelection();
        return;
    }
    list.selectionModel()->select(list.model()->index(row, 0),
                                  QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

}  // namespace talvex::app::testing
