// The sample site: stands in for the search site and the publisher on 127.0.0.1.
// Serves result pages, detail pages, the update file and the publisher's pages from the
// catalogue. Start and Stop on one thread; RequestTargets may be read from any thread.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "sample_site/catalogue.h"

namespace talvex::sample_site {

struct SiteOptions {
    int port = 0;                       // 0: any free port
    std::string updateVersion = "1.6";  // the version the update file names
    CatalogueShape shape;
    bool logRequests = false;  // print each request's method and target on standard error
};

class SampleSite {
  public:
    explicit SampleSite(SiteOptions options);
    ~SampleSite();  // stops the site
    SampleSite(const SampleSite&) = delete;
    SampleSite& operator=(const SampleSite&) = delete;

    // Binds 127.0.0.1 and serves on a thread of its own; false when the port cannot be bound.
    [[nodiscard]] bool Start();
    void Stop();
    // The bound port, 0 before Start.
    [[nodiscard]] int Port() const;
    // "http://127.0.0.1:<port>": the base of every address the site serves.
    [[nodiscard]] std::string Base() const;
    // The request targets received so far, as they arrived on the request line.
    [[nodiscard]] std::vector<std::string> RequestTargets() const;

  private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

}  // namespace talvex::sample_site
