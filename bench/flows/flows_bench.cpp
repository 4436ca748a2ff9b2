// Prints how long the search flows take from the click to the last row listed, and how long
// the window thread is busy at a stretch meanwhile. Targets: 50 rows within 50 ms, 2,000 rows
// within 400 ms, the window thread never busy for more than 50 ms at a time.
#include <QAbstractItemView>
#include <QApplication>
#include <QEventLoop>
#include <QPushButton>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "app/flows/page_navigation.h"
#include "app/flows/search.h"
#include "app/window.h"
#include "http/transfer.h"
#include "sample_site/site.h"

namespace {

using Clock = std::chrono::steady_clock;
using talvex::Text;
using namespace talvex::app;

double Milliseconds(Clock::duration duration) {
    return std::chrono::duration<double, std::milli>(duration).count();
}

// Watches the window thread: a precise 1 ms timer whose late ticks show how long the thread
// was busy with something else.
class BusyWatch {
  public:
    BusyWatch() {
        m_timer.setTimerType(Qt::PreciseTimer);
        m_timer.setInterval(1);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            const Clock::time_point now = Clock::now();
            m_longest = std::max(m_longest, now - m_last);
            m_last = now;
        });
    }
    void Start() {
        m_longest = {};
        m_last = Clock::now();
        m_timer.start();
    }
    Clock::duration Stop() {
        m_timer.stop();
        return m_longest;
    }

  private:
    QTimer m_timer;
    Clock::time_point m_last;
    Clock::duration m_longest{};
};

int ShownRows(talvex::app::Window& window) {
    return window.widget()
        .findChild<QAbstractItemView*>(QStringLiteral(u"超级列表框1"))
        ->model()
        ->rowCount();
}

struct Figures {
    std::vector<double> listed;  // ms from the click to the last row shown
    std::vector<double> busy;    // ms of the window thread's longest busy stretch
};

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double Max(const std::vector<double>& values) {
    return *std::max_element(values.begin(), values.end());
}

// Clicks the search button and runs the event loop until `rows` rows are shown.
Figures MeasureSearch(int rows, int runs) {
    talvex::sample_site::SiteOptions options;
    options.shape.resultsPerPage = rows + 1;  // the last item of a page is never listed
    talvex::sample_site::SampleSite site(options);
    if (!site.Start()) {
        std::fprintf(stderr, "cannot start the sample site\n");
        std::exit(1);
    }
    const Text base(site.Base());
    Window window({base, base, base, base});
    window.widget().show();
    window.SetText(Control::KeywordEdit, Text("abc"));
    auto* search = window.widget().findChild<QPushButton*>(QStringLiteral(u"按钮1"));

    Figures figures;
    BusyWatch watch;
    for (int run = 0; run < runs; ++run) {
        window.ClearRows();
        QEventLoop loop;
        QTimer poll;
        poll.setInterval(0);
        Clock::time_point listed;
        QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
            if (ShownRows(window) == rows) {
                listed = Clock::now();
                loop.quit();
            }
        });
        watch.Start();
        const Clock::time_point clicked = Clock::now();
        search->click();
        poll.start();
        loop.exec();
        figures.busy.push_back(Milliseconds(watch.Stop()));
        figures.listed.push_back(Milliseconds(listed - clicked));
        // The worker's last call writes the hint; it has ended once the hint shows.
        QEventLoop finish;
        QTimer watchHint;
        watchHint.setInterval(1);
        QObject::connect(&watchHint, &QTimer::timeout, &finish, [&] {
            if (window.GetText(Control::StatusLabel) == Text(kResultsListedStatus)) {
                finish.quit();
            }
        });
        watchHint.start();
        finish.exec();
        window.SetText(Control::StatusLabel, Text());
    }
    return figures;
}

// Appends page after page of `rows` results on the window thread, timed up to the hint (the
// one-second pause that follows is left out).
Figures MeasureAppend(int rows, int runs) {
    talvex::sample_site::SiteOptions options;
    options.shape.resultsPerPage = rows + 1;
    options.shape.pageCount = runs + 1;
    talvex::sample_site::SampleSite site(options);
    if (!site.Start()) {
        std::fprintf(stderr, "cannot start the sample site\n");
        std::exit(1);
    }
    const Text base(site.Base());
    Window window({base, base, base, base});
    window.widget().show();
    window.SetText(Control::KeywordEdit, Text("abc"));

    Figures figures;
    CurrentPage = 0;
    for (int run = 0; run < runs; ++run) {
        window.ClearRows();
        Clock::time_point hinted;
        int shown = 0;
        // The first event the pause processes runs right after the hint was written.
        QTimer::singleShot(0, [&] {
            hinted = Clock::now();
            shown = ShownRows(window);
        });
        const Clock::time_point clicked = Clock::now();
        AppendNextPage(window);
        figures.listed.push_back(Milliseconds(hinted - clicked));
        if (shown != rows) {
            std::fprintf(stderr, "append listed %d rows, expected %d\n", shown, rows);
            std::exit(1);
        }
    }
    return figures;
}

void Print(const char* what, const Figures& figures, double target) {
    std::printf("%-44s median %7.1f ms  max %7.1f ms  (target %.0f ms)\n", what,
                Median(figures.listed), Max(figures.listed), target);
    if (!figures.busy.empty()) {
        std::printf("%-44s median %7.1f ms  max %7.1f ms  (target 50 ms)\n",
                    "  window thread's longest busy stretch", Median(figures.busy),
                    Max(figures.busy));
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    talvex::InitHttpClient();
    QApplication application(argc, argv);

    Print("search, click to last of 50 rows", MeasureSearch(50, 20), 50);
    Print("search, click to last of 2,000 rows", MeasureSearch(2000, 7), 400);
    Print("append of 2,000 rows, click to the hint", MeasureAppend(2000, 3), 400);
    return 0;
}
