#include "sample_site/site.h"

#include <httplib.h>
#include <sys/socket.h>

#include <charconv>
#include <chrono>
#include <cstdio>
#include <mutex>
#include <string_view>
#include <thread>

namespace talvex::sample_site {
namespace {

constexpr const char* kHtml = "text/html; charset=utf-8";

// A decimal page or index number; -1 when it is not one or too large to be a page.
int ParseNumber(std::string_view digits) {
    int value = 0;
    auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (error != std::errc() || end != digits.data() + digits.size() || value < 0) {
        return -1;
    }
    return value;
}

std::string SimplePage(const std::string& title, const std::string& body) {
    return "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>" + title +
           "</title></head><body>\n" + body + "\n</body></html>\n";
}

}  // namespace

struct SampleSite::Impl {
    SiteOptions options;
    httplib::Server server;
    std::thread thread;
    int port = 0;
    mutable std::mutex targetsMutex;
    std::vector<std::string> targets;

    std::string Base() const { return "http://127.0.0.1:" + std::to_string(port); }

    void Record(const httplib::Request& request) {
        std::lock_guard lock(targetsMutex);
        targets.push_back(request.target);
        if (options.logRequests) {
            std::fprintf(stderr, "%s %s\n", request.method.c_str(), request.target.c_str());
        }
    }

    void Route() {
        server.Get(R"(/s/(.*)/([0-9]+)/)", [this](const httplib::Request& req,
                                                  httplib::Response& res) {
            Record(req);
            const int page = ParseNumber(req.matches[2].str());
            if (page < 0) {
                res.status = 404;
                return;
            }
            res.set_content(ResultPage(Base(), options.shape, req.matches[1].str(), page), kHtml);
        });
        // The path may end in a slug (percent-escaped, or raw GBK as the tool sends it back).
        server.Get(R"(/d/([0-9a-fA-F]*)/([0-9]+)/([0-9]+)(/.*)?\.html)",
                   [this](const httplib::Request& req, httplib::Response& res) {
                       Record(req);
                       const int page = ParseNumber(req.matches[2].str());
                       const int index = ParseNumber(req.matches[3].str());
                       const std::string keyword = BytesOfHex(req.matches[1].str());
                       if (page < 0 || index < 0) {
                           res.status = 404;
                           return;
                       }
                       res.set_content(DetailPage(Base(), keyword, page, index), kHtml);
                   });
        server.Get("/gengxin/gengxin2.txt", [this](const httplib::Request& req,
                                                   httplib::Response& res) {
            Record(req);
            res.set_content(UpdateFile(Base(), options.updateVersion), "text/plain; charset=gbk");
        });
        server.Get("/", [this](const httplib::Request& req, httplib::Response& res) {
            Record(req);
            res.set_content(SimplePage("Talvex", "<h1>Talvex</h1>"), kHtml);
        });
        server.Get("/share.html", [this](const httplib::Request& req, httplib::Response& res) {
            Record(req);
            res.set_content(SimplePage("Talvex share", "<h1>Share</h1>"), kHtml);
        });
        server.Get("/download/", [this](const httplib::Request& req, httplib::Response& res) {
            Record(req);
            res.set_content(SimplePage("Talvex download", "<h1>Download</h1>"), kHtml);
        });
        server.Get(R"(/play/.*)", [this](const httplib::Request& req, httplib::Response& res) {
            Record(req);
            res.set_content(SimplePage("Play", "<h1>Play</h1>"), kHtml);
        });
        server.set_error_handler([this](const httplib::Request& req, httplib::Response& res) {
            Record(req);
            res.set_content(SimplePage("404", "<h1>Not found</h1>"), kHtml);
        });
    }
};

SampleSite::SampleSite(SiteOptions options) : m_impl(std::make_unique<Impl>()) {
    m_impl->options = std::move(options);
    // The library's default (SO_REUSEPORT) would let a second site share a port already in
    // use; SO_REUSEADDR only allows a quick restart on the same port.
    m_impl->server.set_socket_options([](int socket) {
        int yes = 1;
        setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    });
    m_impl->Route();
}

SampleSite::~SampleSite() {
    Stop();
}

bool SampleSite::Start() {
    Impl& impl = *m_impl;
    if (impl.thread.joinable()) {
        return true;
    }
    const int port =
        impl.options.port == 0
            ? impl.server.bind_to_any_port("127.0.0.1")
            : (impl.server.bind_to_port("127.0.0.1", impl.options.port) ? impl.options.port : -1);
    if (port <= 0) {
        return false;
    }
    impl.port = port;
    impl.thread = std::thread([&impl] { impl.server.listen_after_bind(); });
    // stop() is ignored until the server runs, so wait for it before anyone may stop it.
    while (!impl.server.is_running()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

void SampleSite::Stop() {
    Impl& impl = *m_impl;
    if (impl.thread.joinable()) {
        impl.server.stop();
        impl.thread.join();
    }
}

int SampleSite::Port() const {
    return m_impl->port;
}

std::string SampleSite::Base() const {
    return m_impl->Base();
}

std::vector<std::string> SampleSite::RequestTargets() const {
    std::lock_guard lock(m_impl->targetsMutex);
    return m_impl->targets;
}

}  // namespace talvex::sample_site
