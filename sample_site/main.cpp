// talvex_sample_site [PORT] [--update-version V] [--per-page N] [--pages N] [--log]
// Serves the sample site on 127.0.0.1:PORT (0 or omitted: any free port), prints the port on
// a line of its own and serves until SIGINT or SIGTERM. --log prints each request on standard
// error; --per-page counts the items of a result page (the last one is never listed).
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "sample_site/site.h"

namespace {

int Usage() {
    std::fputs(
        "usage: talvex_sample_site [PORT] [--update-version V] [--per-page N] [--pages N] "
        "[--log]\n",
        stderr);
    return 2;
}

bool ParseCount(const char* text, int low, int high, int& out) {
    char* end = nullptr;
    const long value = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || value < low || value > high) {
        return false;
    }
    out = static_cast<int>(value);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    talvex::sample_site::SiteOptions options;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--log") {
            options.logRequests = true;
        } else if (arg == "--update-version" && hasValue) {
            options.updateVersion = argv[++i];
        } else if (arg == "--per-page" && hasValue) {
            if (!ParseCount(argv[++i], 0, 1000000, options.shape.resultsPerPage))
                return Usage();
        } else if (arg == "--pages" && hasValue) {
            if (!ParseCount(argv[++i], 0, 1000000, options.shape.pageCount))
                return Usage();
        } else if (!arg.starts_with("-")) {
            if (!ParseCount(argv[i], 0, 65535, options.port))
                return Usage();
        } else {
            return Usage();
        }
    }

    // Block the stop signals before the server's threads start, so only sigwait sees them.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    talvex::sample_site::SampleSite site(options);
    if (!site.Start()) {
        std::fprintf(stderr, "talvex_sample_site: cannot listen on 127.0.0.1:%d\n", options.port);
        return 1;
    }
    std::printf("%d\n", site.Port());
    std::fflush(stdout);

    int received = 0;
    sigwait(&stopSignals, &received);
    site.Stop();
    return 0;
}
