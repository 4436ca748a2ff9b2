#include "tests/app/hostile/probes.h"

#include <sys/resource.h>

#include <algorithm>

namespace talvex::app::testing {
namespace {

// Short against the pauses worth reporting, long enough to cost the window thread nothing.
constexpr int kTickMilliseconds = 5;

}  // namespace

WindowHeartbeat::WindowHeartbeat() : m_lastTick(Clock::now()) {
    m_timer.setTimerType(Qt::PreciseTimer);
    m_timer.setInterval(kTickMilliseconds);
    QObject::connect(&m_timer, &QTimer::timeout, [this] {
        const Clock::time_point now = Clock::now();
        m_longest = std::max(m_longest, now - m_lastTick);
        m_lastTick = now;
    });
    m_timer.start();
}

std::chrono::milliseconds WindowHeartbeat::LongestGap() const {
    const Clock::duration running = Clock::now() - m_lastTick;
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::max(m_longest, running));
}

long PeakResidentMiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;  // KiB on Linux
}

}  // namespace talvex::app::testing
