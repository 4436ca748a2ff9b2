// Helpers shared by the window tests and the close probe: addresses for loopback servers,
// finding controls by record name, and waiting in the real event loop. Its .cpp also carries
// the ThreadSanitizer settings both executables need around the uninstrumented Qt.
#pragma once

#include <QApplication>
#include <QElapsedTimer>
#include <QString>
#include <QWidget>

#include <chrono>
#include <functional>
#include <string>

#include "app/window.h"

namespace talvex::app::test {

// An address on 127.0.0.1 where nothing listens: connecting is refused at once.
[[nodiscard]] std::string RefusedAddress(const std::string& path);

// Addresses whose update file is `updateUrl` and whose other sites refuse connections.
[[nodiscard]] Addresses TestAddresses(const std::string& updateUrl);

// The control whose object name is `recordName`; fails the test when there is none.
template <typename Widget = QWidget>
Widget* Find(Window& window, const QString& recordName) {
    return window.widget().findChild<Widget*>(recordName);
}

// Processes events until `done` holds or `limit` passes; returns done().
bool WaitUntil(const std::function<bool()>& done,
               std::chrono::milliseconds limit = std::chrono::seconds(10));

}  // namespace talvex::app::test
