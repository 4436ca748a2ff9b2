// A TLS peer on 127.0.0.1 with an ephemeral port and a self-signed certificate made at start,
// which no client trusts. It answers each request that gets past the handshake with a canned
// response; tests use it to show that an untrusted certificate ends the exchange before any
// request is sent. Thread-safe; its destructor stops it.
#pragma once

#include <atomic>
#include <memory>
#include <string>
#include <string_view>
#include <thread>

namespace talvex::test {

class TlsLoopbackServer {
  public:
    explicit TlsLoopbackServer(std::string response);
    ~TlsLoopbackServer();
    TlsLoopbackServer(const TlsLoopbackServer&) = delete;
    TlsLoopbackServer& operator=(const TlsLoopbackServer&) = delete;

    // "https://127.0.0.1:<port>" followed by `path`.
    [[nodiscard]] std::string Url(std::string_view path = "/") const;
    // How many handshakes completed, and how many requests were read after one.
    [[nodiscard]] int Handshakes() const { return m_handshakes; }
    [[nodiscard]] int Requests() const { return m_requests; }

  private:
    struct Tls;  // the TLS library's state, kept out of this header
    void AcceptLoop();

    std::string m_response;
    std::unique_ptr<Tls> m_tls;
    int m_listener = -1;
    int m_stopEvent = -1;
    int m_port = 0;
    std::atomic<int> m_handshakes{0};
    std::atomic<int> m_requests{0};
    std::thread m_acceptor;
};

}  // namespace talvex::test
