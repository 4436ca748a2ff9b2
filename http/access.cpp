#include "http/access.h"

#include <algorithm>
#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "http/cookies.h"
#include "http/url.h"
#include "text/primitives.h"

namespace talvex {
namespace {

constexpr std::array<const char*, 3> kVerbs = {"GET", "POST", "HEAD"};

// When no complete response arrives, the raw headers read as this many spaces.
constexpr int kNoResponseHeaderSpaces = 5000;

bool IsUsableHost(const Text& host) {
    return !host.empty() && std::all_of(host.view().begin(), host.view().end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.' || c == '_';
    });
}

// The agent: the exact "User-Agent:" line's value when a line break follows it, else the value
// of a lone line; when several lines hide it (last line, other letter case, empty value) the
// first line whose name is User-Agent in any case, and the default when that is empty too.
Text AgentFor(const Text& headers) {
    if (FindText(headers, "User-Agent:", IgnoreCase::Yes) == -1) {
        return kDefaultAgent;
    }
    Text agent = TrimBoth(TextBetween(headers, "User-Agent:", "\r\n"));
    if (!agent.empty()) {
        return agent;
    }
    if (FindText(headers, "\r\n") == -1) {
        agent = HeaderValue(headers);
    } else {
        const TextArray lines = SplitText(headers, "\r\n");
        for (const Text& line : lines.elements()) {
            if (LeftText(ToLowerText(line), 11) == Text("user-agent:")) {
                agent = HeaderValue(line);
                break;
            }
        }
    }
    return agent.empty() ? Text(kDefaultAgent) : agent;
}

// The block of request header lines: the caller's lines first, then each default line the
// block does not yet hold, then the caller's cookie list.
Text HeaderBlockFor(const Text& headers, const Text& url, const Text& cookies) {
    std::string block = headers.str();
    const auto holds = [&block](std::string_view name) {
        return block.find(name) != std::string::npos;
    };
    if (block.empty()) {
        block = "Accept: */*";
    } else if (!holds("Accept:")) {
        block += "\r\nAccept: */*";
    }
    if (!holds("Referer:")) {
        block.append("\r\nReferer: ").append(url.view());
    }
    if (!holds("Accept-Language:")) {
        block += "\r\nAccept-Language: zh-cn";
    }
    if (!holds("Content-Type:")) {
        block += "\r\nContent-Type: application/x-www-form-urlencoded";
    }
    if (!cookies.empty()) {
        block.append("\r\nCookie: ").append(cookies.view());
    }
    return Text(std::move(block));
}

std::string LowerName(std::string_view line) {
    std::string name(line.substr(0, line.find_first_of(":;")));
    std::transform(name.begin(), name.end(), name.begin(), [](char c) {
        return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    });
    return name;
}

// The block as the library's header lines. An empty value is written "Name;" so that the line
// is sent rather than read as "drop your own line"; a lone CR or LF would end the request early
// and becomes a space. The library's own Accept, Expect and Content-Type lines are dropped
// where the block has none: the request carries exactly the block, and no body waits for a
// "100 Continue".
std::vector<std::string> WireLines(const Text& block) {
    std::vector<std::string> lines;
    const TextArray pieces = SplitText(block, "\r\n");
    for (const Text& piece : pieces.elements()) {
        if (piece.empty()) {
            continue;
        }
        std::string line = piece.str();
        std::replace(line.begin(), line.end(), '\r', ' ');
        std::replace(line.begin(), line.end(), '\n', ' ');
        const auto colon = line.find(':');
        if (colon != std::string::npos &&
            line.find_first_not_of(' ', colon + 1) == std::string::npos) {
            line.resize(colon);
            line += ';';
        }
        lines.push_back(std::move(line));
    }
    for (const std::string_view own : {"accept", "expect", "content-type"}) {
        const bool present = std::any_of(lines.begin(), lines.end(), [own](const std::string& l) {
            return LowerName(l) == own;
        });
        if (!present) {
            lines.push_back(std::string(own) + ":");
        }
    }
    return lines;
}

// The first name=value pair of every Set-Cookie line, joined by "; ".
Text CookiesSetBy(const Text& responseHeaders) {
    std::string joined;
    const TextArray lines = SplitText(responseHeaders, "\r\n");
    for (const Text& line : lines.elements()) {
        if (FindText(line, "Set-Cookie") == -1) {
            continue;
        }
        const Text pair = FindText(line, ";") != -1
                              ? TrimBoth(TextBetween(line, "Set-Cookie:", ";"))
                              : TrimBoth(ReplaceSubtext(line, "Set-Cookie:", "", std::nullopt,
                                                        std::nullopt, CaseSensitive::No));
        joined.append(pair.view()).append("; ");
    }
    const Text list(std::move(joined));
    return LeftText(list, TextLength(list) - 2);
}

}  // namespace

Bytes WebAccess(const Text& url, int method, const Text& postText, Text* cookies,
                Text* returnedCookies, Text* headers, Text* returnedHeaders, bool noRedirect,
                Bytes* postBytes, const Text& proxy, const TransferLimits& limits) {
    if (method < 0 || method > 2) {
        method = 0;
    }
    const bool https = LeftText(ToLowerText(url), 5) == Text("https");
    const Text callerHeaders = headers != nullptr ? *headers : Text();

    const Text host = UrlGetHost(url);
    const int port = UrlGetPort(url);
    if (!IsUsableHost(host) || port < 0 || port > 65535) {
        return {};
    }
    const Text address = ConcatText(Text(https ? "https://" : "http://"), host, Text(":"),
                                    IntToText(port), UrlGetPath(url));

    const Text block = HeaderBlockFor(callerHeaders, url, cookies != nullptr ? *cookies : Text());
    Bytes body = postBytes != nullptr ? *postBytes : Bytes();
    if (method != 0 && body.empty()) {
        body = TextToBytes(postText);
    }

    TransferRequest request;
    request.url = address.str();
    request.verb = kVerbs[static_cast<std::size_t>(method)];
    request.sendBody = method != 0;
    if (request.sendBody) {
        request.body = body.str();
    }
    request.agent = AgentFor(callerHeaders).str();
    request.headerLines = WireLines(block);
    request.useCookieStore = cookies == nullptr;
    request.followRedirects = !noRedirect;
    request.endAfterHeaders = method == 2;
    request.proxy = proxy.str();
    request.limits = limits;
    TransferResult result = RunTransfer(request);
    if (!result.setUp) {
        return {};
    }

    if (headers != nullptr) {
        *headers = block;
    }
    if (postBytes != nullptr && method != 0) {
        *postBytes = std::move(body);
    }
    // One spelling of the cookie header's name for the cookie search and for the caller.
    const Text responseHeaders =
        result.gotHeaders
            ? ReplaceSubtext(Text(std::move(result.headerBlock)), "Set-Cookie", "Set-Cookie",
                             std::nullopt, std::nullopt, CaseSensitive::No)
            : BlankText(kNoResponseHeaderSpaces);
    Text setCookies = CookiesSetBy(responseHeaders);
    if (cookies != nullptr) {
        MergeCookies(*cookies, setCookies);
    }
    if (returnedCookies != nullptr) {
        *returnedCookies = setCookies;
    }
    if (returnedHeaders != nullptr) {
        *returnedHeaders = responseHeaders;
    }
    return Bytes(std::move(result.body));
}

Text FetchPageText(const Text& url) {
    return BytesToText(WebAccess(url));
}

Text HeaderValue(const Text& line) {
    const int colon = FindText(line, ":");
    if (colon == -1) {
        return {};
    }
    return TrimBoth(RightText(line, TextLength(line) - colon));
}

}  // namespace talvex
