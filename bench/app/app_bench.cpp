// Figures for the window: how soon it shows with the update server refusing connections, and
// what rows appended by a worker cost while the list is visible.
//
//   app_bench            runs both and prints the figures
//   app_bench --startup  (internal) one start-up in a child process
#include <QAbstractItemView>
#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QThread>
#include <QWidget>

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <netinet/in.h>
#include <sys/socket.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "app/window.h"
#include "http/transfer.h"
#include "text/primitives.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;
using talvex::Text;
using namespace talvex::app;

double Milliseconds(Clock::duration duration) {
    return std::chrono::duration<double, std::milli>(duration).count();
}

// An update address on 127.0.0.1 where connecting is refused.
std::string RefusedUpdateUrl() {
    const int socketFd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    bind(socketFd, reinterpret_cast<sockaddr*>(&address), length);
    getsockname(socketFd, reinterpret_cast<sockaddr*>(&address), &length);
    close(socketFd);
    return "http://127.0.0.1:" + std::to_string(ntohs(address.sin_port)) + "/gengxin/gengxin2.txt";
}

Addresses BenchAddresses() {
    return {Text("http://127.0.0.1:9"), Text(RefusedUpdateUrl()), Text("http://publisher.test/"),
            Text("http://share.test/")};
}

// Calls `shown` at the window's first paint.
class FirstPaint final : public QObject {
  public:
    explicit FirstPaint(std::function<void()> shown) : m_shown(std::move(shown)) {}

  protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint && m_shown) {
            std::exchange(m_shown, nullptr)();
        }
        return false;
    }

  private:
    std::function<void()> m_shown;
};

// The child: start-up as main() does it, until the first paint; prints the time it took
// inside the process and ends.
int StartupChild(int argc, char* argv[]) {
    const Clock::time_point start = Clock::now();
    talvex::InitHttpClient();
    int qtArgc = 1;
    QApplication application(qtArgc, argv);
    (void)argc;
    Window window(BenchAddresses());
    FirstPaint firstPaint([&] {
        std::printf("%.1f\n", Milliseconds(Clock::now() - start));
        std::fflush(stdout);
        _exit(0);
    });
    window.widget().installEventFilter(&firstPaint);
    window.Start();
    QApplication::exec();
    return 1;
}

// Runs the start-up child once; returns {from spawn to first paint, inside the child}.
std::pair<double, double> MeasureStartup(const char* self) {
    int pipeFds[2];
    if (pipe(pipeFds) != 0) {
        return {-1, -1};
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
    std::string program = self;
    std::string mode = "--startup";
    char* argv[] = {program.data(), mode.data(), nullptr};
    const Clock::time_point start = Clock::now();
    pid_t pid = -1;
    const int spawned = posix_spawn(&pid, self, &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    close(pipeFds[1]);
    char line[64] = {};
    ssize_t got = spawned == 0 ? read(pipeFds[0], line, sizeof line - 1) : -1;
    const double total = Milliseconds(Clock::now() - start);
    close(pipeFds[0]);
    if (spawned == 0) {
        waitpid(pid, nullptr, 0);
    }
    return {got > 0 ? total : -1, got > 0 ? std::atof(line) : -1};
}

// Appends `rows` rows (AppendRow + 2 SetCell) from a worker into the visible list; prints the
// total and the cost of the first and the last 100 rows.
void MeasureRows(int rows) {
    Window window(BenchAddresses());
    window.Start();
    QElapsedTimer settle;
    settle.start();
    while (settle.elapsed() < 200) {  // the first paint and the banner's first frames
        QApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    std::vector<Clock::time_point> marks;
    marks.reserve(static_cast<std::size_t>(rows / 100 + 1));
    std::atomic<bool> done{false};
    const Text title(
        "\xB9\xA6\xB7\xF2\xB4\xF3\xCA\xA6 1080p [\xD6\xD0\xD7\xD6]");  // 功夫大师 1080p [中字]
    const Text address("http://search.example/detail/0123456789abcdef.html");
    std::thread worker([&] {
        marks.push_back(Clock::now());
        for (int i = 0; i < rows; ++i) {
            const int row = window.AppendRow();
            window.SetCell(row, 0, title);
            window.SetCell(row, 1, address);
            if ((i + 1) % 100 == 0) {
                marks.push_back(Clock::now());
            }
        }
        done = true;
    });
    while (!done.load()) {
        QApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    worker.join();
    const Clock::time_point finished = Clock::now();
    const QAbstractItemModel* shown =
        window.widget().findChild<QAbstractItemView*>(QStringLiteral(u"超级列表框1"))->model();
    while (shown->rowCount() < rows) {  // the view catches up with the last batch
        QApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    const double total = Milliseconds(marks.back() - marks.front());
    std::printf("rows from a worker, visible list: %d rows in %.1f ms (%.0f rows/s)\n", rows, total,
                rows / total * 1000.0);
    std::printf(
        "  first 100 rows: %.2f ms   last 100 rows: %.2f ms   view shown all rows %.1f ms "
        "after the last call\n",
        Milliseconds(marks[1] - marks[0]), Milliseconds(marks.back() - marks[marks.size() - 2]),
        Milliseconds(Clock::now() - finished));
}

}  // namespace

int main(int argc, char* argv[]) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    if (argc > 1 && std::strcmp(argv[1], "--startup") == 0) {
        return StartupChild(argc, argv);
    }
    std::printf("platform: %s\n", std::getenv("QT_QPA_PLATFORM"));

    std::vector<double> spawnToPaint;
    std::vector<double> inside;
    for (int run = 0; run < 7; ++run) {
        const auto [total, child] = MeasureStartup(argv[0]);
        spawnToPaint.push_back(total);
        inside.push_back(child);
    }
    std::sort(spawnToPaint.begin(), spawnToPaint.end());
    std::sort(inside.begin(), inside.end());
    std::printf("start-up to first paint, update server refusing (7 runs; target <= 300 ms):\n");
    std::printf("  from process start: median %.1f ms, max %.1f ms\n", spawnToPaint[3],
                spawnToPaint.back());
    std::printf("  from main():        median %.1f ms, max %.1f ms\n", inside[3], inside.back());

    talvex::InitHttpClient();
    int qtArgc = 1;
    QApplication application(qtArgc, argv);
    std::printf("target: 1,000 rows <= 200 ms, flat cost per row\n");
    MeasureRows(1000);
    MeasureRows(10000);
    std::fflush(stdout);
    _exit(0);  // workers and Qt teardown need not run
}
