// Small helpers the HTTP tests share: addresses on a loopback server and a cookie-jar peer.
#pragma once

#include <string>
#include <string_view>

#include "tests/support/loopback_server.h"
#include "text/types.h"

namespace talvex::test {

// The address of `path` on `server`, as the client takes it.
inline Text UrlOn(const LoopbackServer& server, const std::string& path) {
    return Text(server.Url(path));
}

inline Bytes AsBytes(std::string_view bytes) {
    return Bytes(bytes);
}

// Sets the cookie named in the query of /<dir>/set?name=value and echoes the Cookie line of
// every other request as the body ("none" without one).
inline void CookieJarPeer(const HttpRequest& request, Connection& connection) {
    const auto query = request.target.find("/set?");
    if (query != std::string::npos) {
        connection.Send(HttpResponse("HTTP/1.1 200 OK",
                                     {"Set-Cookie: " + request.target.substr(query + 5)}, "set"));
        return;
    }
    const auto at = request.raw.find("\r\nCookie: ");
    const std::string line =
        at == std::string::npos
            ? "none"
            : request.raw.substr(at + 2, request.raw.find("\r\n", at + 2) - at - 2);
    connection.Send(HttpResponse("HTTP/1.1 200 OK", {}, line));
}

}  // namespace talvex::test
