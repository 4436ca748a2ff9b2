#include "tests/support/loopback_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>

namespace talvex::test {
namespace {

// A request head longer than this is not a request these tests send.
constexpr std::size_t kMaxHeadBytes = 1024 * 1024;

// Waits until `socket` is readable or the server stops; false when it stopped.
bool WaitReadable(int socket, int stopEvent, int timeoutMs = -1) {
    pollfd fds[2] = {{socket, POLLIN, 0}, {stopEvent, POLLIN, 0}};
    const int ready = poll(fds, 2, timeoutMs);
    return ready > 0 && (fds[1].revents & POLLIN) == 0 && fds[0].revents != 0;
}

std::string Lower(std::string_view text) {
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower;
}

std::size_t ContentLengthOf(std::string_view head) {
    const std::string lower = Lower(head);
    const auto at = lower.find("\r\ncontent-length:");
    if (at == std::string::npos) {
        return 0;
    }
    return std::strtoull(lower.c_str() + at + 17, nullptr, 10);
}

// Reads one request from `socket`, keeping bytes that follow it in `pending`; false when the
// client closed the connection or the server stopped first.
bool ReadRequest(int socket, int stopEvent, std::string& pending, HttpRequest& request) {
    std::size_t headEnd;
    while ((headEnd = pending.find("\r\n\r\n")) == std::string::npos) {
        if (pending.size() > kMaxHeadBytes || !WaitReadable(socket, stopEvent)) {
            return false;
        }
        char buffer[65536];
        const ssize_t got = recv(socket, buffer, sizeof buffer, 0);
        if (got <= 0) {
            return false;
        }
        pending.append(buffer, static_cast<std::size_t>(got));
    }
    const std::size_t headSize = headEnd + 4;
    const std::size_t bodySize = ContentLengthOf(std::string_view(pending).substr(0, headSize));
    while (pending.size() < headSize + bodySize) {
        if (!WaitReadable(socket, stopEvent)) {
            return false;
        }
        char buffer[65536];
        const ssize_t got = recv(socket, buffer, sizeof buffer, 0);
        if (got <= 0) {
            return false;
        }
        pending.append(buffer, static_cast<std::size_t>(got));
    }
    request.raw = pending.substr(0, headSize + bodySize);
    request.body = pending.substr(headSize, bodySize);
    pending.erase(0, headSize + bodySize);
    const std::string_view line(request.raw.data(), request.raw.find("\r\n"));
    const auto firstSpace = line.find(' ');
    const auto secondSpace = line.find(' ', firstSpace + 1);
    request.method = std::string(line.substr(0, firstSpace));
    if (firstSpace != std::string_view::npos) {
        request.target = std::string(line.substr(firstSpace + 1, secondSpace - firstSpace - 1));
    }
    return true;
}

}  // namespace

bool Connection::Send(std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t sent = send(m_socket, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (sent <= 0) {
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(sent));
    }
    return true;
}

void Connection::Stall(std::chrono::milliseconds duration) {
    pollfd stop = {m_stopEvent, POLLIN, 0};
    (void)poll(&stop, 1, static_cast<int>(duration.count()));
}

LoopbackServer::LoopbackServer(Handler handler) : m_handler(std::move(handler)) {
    m_listener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    m_stopEvent = eventfd(0, EFD_CLOEXEC);
    if (m_listener < 0 || m_stopEvent < 0) {
        throw std::runtime_error("loopback server: no socket");
    }
    const int on = 1;
    setsockopt(m_listener, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t length = sizeof address;
    if (bind(m_listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(m_listener, 128) != 0 ||
        getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        throw std::runtime_error("loopback server: cannot listen on 127.0.0.1");
    }
    m_port = ntohs(address.sin_port);
    m_acceptor = std::thread([this] { AcceptLoop(); });
}

LoopbackServer::~LoopbackServer() {
    const std::uint64_t one = 1;
    (void)!write(m_stopEvent, &one, sizeof one);
    m_acceptor.join();
    // No new connection thread starts once the acceptor has ended.
    for (std::thread& connection : m_connections) {
        connection.join();
    }
    close(m_listener);
    close(m_stopEvent);
}

std::string LoopbackServer::Url(std::string_view path) const {
    return "http://" + HostAndPort() + std::string(path);
}

std::string LoopbackServer::HostAndPort() const {
    return "127.0.0.1:" + std::to_string(m_port);
}

std::vector<HttpRequest> LoopbackServer::Requests() const {
    const std::lock_guard lock(m_mutex);
    return m_requests;
}

void LoopbackServer::AcceptLoop() {
    while (WaitReadable(m_listener, m_stopEvent)) {
        const int client = accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
        if (client < 0) {
            continue;
        }
        const std::lock_guard lock(m_mutex);
        m_connections.emplace_back([this, client] { Serve(client); });
    }
}

void LoopbackServer::Serve(int socket) {
    std::string pending;
    HttpRequest request;
    Connection connection(socket, m_stopEvent);
    while (!connection.m_closeAfterReply && ReadRequest(socket, m_stopEvent, pending, request)) {
        {
            const std::lock_guard lock(m_mutex);
            m_requests.push_back(request);
        }
        m_handler(request, connection);
    }
    close(socket);
}

std::string HttpResponse(std::string_view statusLine, const std::vector<std::string>& headerLines,
                         std::string_view body) {
    std::string response(statusLine);
    response += "\r\n";
    for (const std::string& line : headerLines) {
        response.append(line).append("\r\n");
    }
    response.append("Content-Length: ").append(std::to_string(body.size())).append("\r\n\r\n");
    response.append(body);
    return response;
}

LoopbackServer::Handler CannedReply(std::string response) {
    return [response = std::move(response)](const HttpRequest&, Connection& connection) {
        connection.Send(response);
        connection.CloseAfterReply();
    };
}

std::string ChunkedBody(const std::vector<std::string>& chunks) {
    std::string body;
    for (const std::string& chunk : chunks) {
        char size[32];
        std::snprintf(size, sizeof size, "%zx\r\n", chunk.size());
        body.append(size).append(chunk).append("\r\n");
    }
    body += "0\r\n\r\n";
    return body;
}

}  // namespace talvex::test
