// What the hostile tests measure of the process while a flow runs: how long the window thread
// went without handling its events, and the peak resident memory.
#pragma once

#include <QTimer>

#include <chrono>

namespace talvex::app::testing {

// A timer on the window thread that notes the longest pause between its ticks, from its
// construction on: a long pause means the window thread was busy and the window did not answer.
class WindowHeartbeat {
  public:
    WindowHeartbeat();
    WindowHeartbeat(const WindowHeartbeat&) = delete;
    WindowHeartbeat& operator=(const WindowHeartbeat&) = delete;

    // The longest pause so far, the one still running included.
    [[nodiscard]] std::chrono::milliseconds LongestGap() const;

  private:
    using Clock = std::chrono::steady_clock;
    QTimer m_timer;
    Clock::time_point m_lastTick;
    Clock::duration m_longest{};
};

// The process's peak resident set so far, in MiB.
[[nodiscard]] long PeakResidentMiB();

}  // namespace talvex::app::testing
