#include "tests/app/window/window_test_support.h"

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QThread>

#include <stdexcept>

#if defined(__SANITIZE_THREAD__)
// Qt is not instrumented, and its threads (the pool that scales and converts images while
// painting) hand work over through futexes ThreadSanitizer cannot see: the memory operations Qt
// itself performs are left out, while every access made by our code is still checked.
extern "C" const char* __tsan_default_options() {
    return "ignore_noninstrumented_modules=1";
}
// The xdg-open tests restore the environment while a detached opener started by an earlier
// test may still be reading it; the tool itself never changes its environment.
extern "C" const char* __tsan_default_suppressions() {
    return "race:__add_to_environ\n";
}
#endif

namespace talvex::app::test {

std::string RefusedAddress(const std::string& path) {
    // Bind an ephemeral port and release it unlistened: connecting to it is refused.
    const int socketFd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (socketFd < 0 || bind(socketFd, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
        getsockname(socketFd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        throw std::runtime_error("cannot find a free loopback port");
    }
    close(socketFd);
    return "http://127.0.0.1:" + std::to_string(ntohs(address.sin_port)) + path;
}

Addresses TestAddresses(const std::string& updateUrl) {
    return {Text(RefusedAddress("")), Text(updateUrl), Text("http://publisher.test/"),
            Text("http://share.test/page")};
}

bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) {
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < limit.count()) {
        QApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
    return done();
}

}  // namespace talvex::app::test
