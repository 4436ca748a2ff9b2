// A real HTTP peer for tests and benches: a TCP server on 127.0.0.1 with an ephemeral port.
// Every request is recorded byte for byte and answered by a handler that writes whatever bytes
// it likes: a canned response, a chunked or endless body, half a body, or nothing at all.
// Each connection runs on its own thread, so several clients can be served at once and one
// stalled connection holds up no other. The server is thread-safe; its destructor stops it.
#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace talvex::test {

// One request as it arrived.
struct HttpRequest {
    std::string raw;     // request line, header lines, empty line and body, exactly as received
    std::string method;  // the request line's first word
    std::string target;  // the request line's second word: "/path?query", or a full address
    std::string body;    // the Content-Length bytes after the head
};

class LoopbackServer;

// The handler's side of one connection.
class Connection {
  public:
    // Writes all of `bytes`; false once the client has gone.
    bool Send(std::string_view bytes);
    // Closes the connection once the handler returns; otherwise it waits for the next request.
    void CloseAfterReply() { m_closeAfterReply = true; }
    // Sends nothing for `duration`, or until the server stops, whichever comes first.
    void Stall(std::chrono::milliseconds duration);

  private:
    friend class LoopbackServer;
    Connection(int socket, int stopEvent) : m_socket(socket), m_stopEvent(stopEvent) {}
    int m_socket;
    int m_stopEvent;
    bool m_closeAfterReply = false;
};

class LoopbackServer {
  public:
    using Handler = std::function<void(const HttpRequest&, Connection&)>;

    // Starts listening at once; the handler runs on the connection threads.
    explicit LoopbackServer(Handler handler);
    ~LoopbackServer();
    LoopbackServer(const LoopbackServer&) = delete;
    LoopbackServer& operator=(const LoopbackServer&) = delete;

    [[nodiscard]] int Port() const { return m_port; }
    // "http://127.0.0.1:<port>" followed by `path`.
    [[nodiscard]] std::string Url(std::string_view path = "/") const;
    // "127.0.0.1:<port>", as a proxy setting names it.
    [[nodiscard]] std::string HostAndPort() const;
    // Every request received so far, in order of arrival.
    [[nodiscard]] std::vector<HttpRequest> Requests() const;

  private:
    void AcceptLoop();
    void Serve(int socket);

    Handler m_handler;
    int m_listener = -1;
    int m_stopEvent = -1;  // readable once the server stops
    int m_port = 0;
    mutable std::mutex m_mutex;
    std::vector<HttpRequest> m_requests;
    std::vector<std::thread> m_connections;
    std::thread m_acceptor;
};

// A response with the status line (e.g. "HTTP/1.1 200 OK"), the header lines, a
// Content-Length line and the body.
[[nodiscard]] std::string HttpResponse(std::string_view statusLine,
                                       const std::vector<std::string>& headerLines,
                                       std::string_view body);

// A handler that sends `response` and closes the connection.
[[nodiscard]] LoopbackServer::Handler CannedReply(std::string response);

// The chunked encoding of `chunks`, the final empty chunk included.
[[nodiscard]] std::string ChunkedBody(const std::vector<std::string>& chunks);

}  // namespace talvex::test
