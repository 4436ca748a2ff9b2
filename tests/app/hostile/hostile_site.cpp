#include "tests/app/hostile/hostile_site.h"

#include <cstdio>
#include <utility>

namespace talvex::app::testing {
namespace {

using talvex::test::Connection;
using talvex::test::HttpRequest;
using talvex::test::HttpResponse;

// 【Vornik开始】, 【Vornik结束】 and 【Vornik地址】 in GBK.
const std::string kUpdateStart = "\xA1\xBEVornik\xBF\xAA\xCA\xBC\xA1\xBF";
const std::string kUpdateEnd = "\xA1\xBEVornik\xBD\xE1\xCA\xF8\xA1\xBF";
const std::string kUpdateAddress = "\xA1\xBEVornik\xB5\xD8\xD6\xB7\xA1\xBF";

// The detail page's play link, CR LF, and the magnet anchor around `link`.
std::string DetailPage(const std::string& link) {
    return "<html><body><p><a href=\"/play\">BTUP\xE5\x9C\xA8\xE7\xBA\xBF\xE8\xA7\x82\xE7\x9C\x8B"
           "</a>\r\n<a href=\"" +
           link + "\">\xE7\xA3\x81\xE5\x8A\x9B\xE9\x93\xBE\xE6\x8E\xA5</a></p></body></html>\n";
}

struct Item {
    std::string address;
    std::string title;
};

// One line of list items, every one of them followed by another item: the closing item, which
// ends the list and is itself never listed.
std::string ListLine(const std::vector<Item>& items) {
    std::string line = "<ul>";
    for (const Item& item : items) {
        line += "<li><a href=\"" + item.address + "\">" + item.title + "</a></li>";
    }
    return line + "<li><a href=\"http://closing.example/\">closing</a></li></ul>\n";
}

std::string Repeated(std::string_view piece, std::size_t times) {
    std::string run;
    run.reserve(piece.size() * times);
    for (std::size_t i = 0; i < times; ++i) {
        run += piece;
    }
    return run;
}

std::string Ok(std::string_view body, std::vector<std::string> headerLines = {}) {
    headerLines.insert(headerLines.begin(), "Content-Type: text/html; charset=utf-8");
    return HttpResponse("HTTP/1.1 200 OK", headerLines, body);
}

std::string Redirect(const std::string& location, std::string_view body) {
    return HttpResponse("HTTP/1.1 302 Found", {"Location: " + location, "Content-Type: text/html"},
                        body);
}

// The keyword of a result-page target "/s/%XX.../N/", or nothing for another target.
std::string KeywordOf(std::string_view target) {
    if (!target.starts_with("/s/")) {
        return {};
    }
    target.remove_prefix(3);
    target = target.substr(0, target.find('/'));
    std::string keyword;
    for (std::size_t at = 0; at + 3 <= target.size(); at += 3) {
        unsigned value = 0;
        if (target[at] != '%') {
            return {};
        }
        if (std::sscanf(std::string(target.substr(at + 1, 2)).c_str(), "%2x", &value) != 1) {
            return {};
        }
        keyword += static_cast<char>(value);
    }
    return keyword;
}

// The huge page: three rows, filler lines up to just before the body cap, a row there, filler
// past the cap, and a row far enough past it that no cut can reach it. Sent piece by piece.
void SendHugePage(Connection& connection) {
    const std::string head = ListLine({{"http://huge.example/1", "first"},
                                       {"http://huge.example/2", "%E5%8A%9F%E5%A4%AB"},
                                       {"http://huge.example/3", "third"}});
    const std::string nearCap = ListLine({{"http://huge.example/near-cap", "near the cap"}});
    const std::string late = ListLine({{"http://huge.example/late", "past the cap"}});
    // Filler escapes and non-ASCII text keep the decoding and the conversion busy.
    const std::string fillerLine =
        "<p>\xE5\x8A\x9F\xE5\xA4\xAB filler %E5%8A%9F%E5%A4%AB 0123456789 <b>abcdefghij</b></p>\n";
    constexpr std::size_t kPiece = 1024 * 1024;
    const std::string filler = Repeated(fillerLine, kPiece / fillerLine.size());

    const std::size_t nearCapOffset = kHugeLateRowOffset - 512 * 1024;
    if (!connection.Send("HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=utf-8\r\n"
                         "Content-Length: " +
                         std::to_string(kHugeBodyBytes) + "\r\n\r\n") ||
        !connection.Send(head)) {
        return;
    }
    std::size_t sent = head.size();
    // Whole filler lines up to `offset`, then one shorter run of padding to land on it.
    auto fillTo = [&](std::size_t offset) {
        while (sent + filler.size() <= offset) {
            if (!connection.Send(filler)) {
                return false;
            }
            sent += filler.size();
        }
        if (offset == sent) {
            return true;
        }
        const std::string padding(offset - sent - 1, ' ');
        sent = offset;
        return connection.Send(padding + "\n");
    };
    if (!fillTo(nearCapOffset) || !connection.Send(nearCap)) {
        return;
    }
    sent += nearCap.size();
    if (!fillTo(kHugeLateRowOffset) || !connection.Send(late)) {
        return;
    }
    sent += late.size();
    (void)fillTo(kHugeBodyBytes);
}

std::string UnclosedAnchorsPage() {
    const std::string before = ListLine(
        {{"http://unclosed.example/1", "before one"}, {"http://unclosed.example/2", "before two"}});
    // About 9,500 anchors opened and never closed, on one line of 1 MiB.
    const std::string open = "<a href=\"" + std::string(100, 'x');
    std::string line = Repeated(open, 1024 * 1024 / open.size());
    line += "\n";
    const std::string after = ListLine({{"http://unclosed.example/3", "after"}});
    return before + line + after;
}

std::string BadEncodingsPage() {
    return ListLine({
        {"http://enc.example/1",
         "A\xFF"
         "B"},                                                 // a byte never valid in UTF-8
        {"http://enc.example/2", "\xC0\xAF"},                  // an overlong form
        {"http://enc.example/3", "x\xE4\xB8y"},                // a sequence cut short
        {"http://enc.example/4", "\x81z"},                     // a lone GBK lead byte
        {"http://enc.example/5", "end\xD6"},                   // a GBK lead byte before the markup
        {"http://enc.example/\xE4", "\xED\xA0\x80"},           // a surrogate; a lead before a quote
        {"http://enc.example/7", "%FF%FE%81"},                 // the same, escaped
        {"http://enc.example/8", "%E5%8A"},                    // an escaped sequence cut short
        {"http://enc.example/9", "\xE5\x8A\x9F\xE5\xA4\xAB"},  // 功夫, valid
    });
}

std::string NulBytesPage() {
    std::string page = ListLine({{"http://nul.example/1", "a%00b"},
                                 {"http://nul.example/2", "%E5%00%8A%9F"},
                                 {"http://nul.example/3", "three"}});
    // A raw 0 byte in a title ends the page text there.
    page += ListLine(
        {{"http://nul.example/4", std::string("c\0d", 3)}, {"http://nul.example/5", "five"}});
    return page;
}

std::string BadEscapesPage() {
    return ListLine({
        {"http://esc.example/1", "100%"},
        {"http://esc.example/2", "%G1%4"},
        {"http://esc.example/3", "%%41"},
        {"http://esc.example/4", "a%01b%1Bc%7F"},
        {"http://esc.example/5", "%00%00x"},
        {"http://esc.example/6", "p%0Aq"},  // a line feed splits the anchor: no row
        {"http://esc.example/7", "r%0Ds"},  // so does a carriage return
        {"http://esc.example/8%01", "ctl"},
        {"http://esc.example/9%22%3Ex", "T9"},  // a quote and ">" decoded inside the address
        {"http://esc.example/10", "%3Cb%3Ebold%3C/b%3E"},
        {"http://esc.example/11", "%"},
        {"http://esc.example/12", "%E5%8A%9F%zz"},
    });
}

std::string MarkupTitlesPage() {
    return ListLine({
        {"http://mk.example/1", "<b>bold</b> <script>alert(1)</script>"},
        {"http://mk.example/2", "<img src=x onerror=alert(1)>"},
        {"http://mk.example/3", "one</a><i>two</i>"},
        {"http://mk.example/4", std::string(500, 'A')},
        {"http://mk.example/5", Repeated("\xE5\x8A\x9F", 500)},
        {"http://mk.example/6", std::string(500, '<')},
        {"http://mk.example/" + std::string(500, 'p'), "long address"},
        {"http://mk.example/8", "&lt;&amp;&#x41;"},
        {"http://mk.example/9", Repeated("%41", 500)},
    });
}

std::string CookieFloodPage() {
    return ListLine({{"http://cookie.example/1", "fed"}, {"http://cookie.example/2", "again"}});
}

// 100 Set-Cookie lines of 1 KiB each.
std::vector<std::string> CookieFloodHeaders() {
    std::vector<std::string> lines;
    for (int i = 0; i < 100; ++i) {
        lines.push_back("Set-Cookie: hostile" + std::to_string(i) + "=" + std::string(1000, 'c') +
                        "; Path=/");
    }
    return lines;
}

std::string StalledPagePart() {
    return ListLine({{"http://stall.example/1", "arrived"}, {"http://stall.example/2", "too"}});
}

std::string LongMagnetLink() {
    return "MAGNET:?xt=urn:btih:" + std::string(kLongMagnetHash) +
           "&dn=" + Repeated("%E5%8A%9F", kLongNameRepeats) + kLongNamePlain;
}

std::string UpdateFile(const std::string& version, const std::string& address) {
    return "Talvex\r\n" + kUpdateStart + version + kUpdateEnd + address + kUpdateAddress + "\r\n";
}

}  // namespace

std::string ResultPageTarget(std::string_view keyword, int page) {
    std::string target = "/s/";
    for (const char c : keyword) {
        char escape[4];
        std::snprintf(escape, sizeof escape, "%%%02X", static_cast<unsigned char>(c));
        target += escape;
    }
    return target + "/" + std::to_string(page) + "/";
}

HostileSite::HostileSite()
    : m_server([this](const HttpRequest& request, Connection& connection) {
          connection.CloseAfterReply();
          Answer(request, connection);
      }) {}

std::string HostileSite::Base() const {
    return m_server.Url("");
}

Addresses HostileSite::AddressesWithUpdateFile(const std::string& updateFile) const {
    return {Text(Base()), Text(Base() + "/gengxin/" + updateFile), Text(Base() + "/"),
            Text(Base() + "/share.html")};
}

std::vector<talvex::test::HttpRequest> HostileSite::RequestsTo(std::string_view prefix) const {
    std::vector<HttpRequest> matching;
    for (HttpRequest& request : m_server.Requests()) {
        if (std::string_view(request.target).starts_with(prefix)) {
            matching.push_back(std::move(request));
        }
    }
    return matching;
}

void HostileSite::Answer(const HttpRequest& request, Connection& connection) {
    const std::string& target = request.target;
    const std::string keyword = KeywordOf(target);
    const std::string base = Base();
    if (keyword == kHugePage) {
        SendHugePage(connection);
        return;
    }
    if (keyword == kStall) {
        // The head promises far more than the part that follows; then silence, then the end.
        connection.Send(
            "HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=utf-8\r\n"
            "Content-Length: 1048576\r\n\r\n" +
            StalledPagePart());
        connection.Stall(kStallTime);
        return;
    }
    if (target == "/d/stall") {
        // Only the head, then silence until the server gives up.
        connection.Send(
            "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Length: 5000\r\n\r\n");
        connection.Stall(kStallTime);
        return;
    }
    if (target == "/gengxin/drip.txt") {
        // Never silent long enough for a stall limit, never done.
        connection.Send(
            "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nContent-Length: 100000\r\n\r\n");
        for (auto dripped = std::chrono::milliseconds(0); dripped < kDripTime;
             dripped += kDripInterval) {
            connection.Stall(kDripInterval);
            if (!connection.Send("x")) {
                return;
            }
        }
        return;
    }
    std::string reply;
    if (keyword == kUnclosedAnchors) {
        reply = Ok(UnclosedAnchorsPage());
    } else if (keyword == kBadEncodings) {
        reply = Ok(BadEncodingsPage());
    } else if (keyword == kNulBytes) {
        reply = Ok(NulBytesPage());
    } else if (keyword == kBadEscapes) {
        reply = Ok(BadEscapesPage());
    } else if (keyword == kMarkupTitles) {
        reply = Ok(MarkupTitlesPage());
    } else if (keyword == kRedirectLoop) {
        // Each answer of the loop carries a row: a followed body must never be listed.
        reply = Redirect(target, ListLine({{"http://loop.example/", "redirect body"}}));
    } else if (keyword == kRedirectToFile || target == "/d/tofile" ||
               target == "/gengxin/tofile.txt") {
        reply = Redirect("file:///etc/passwd", ListLine({{"file:///etc/passwd", "passwd"}}));
    } else if (keyword == kCookieFlood) {
        reply = Ok(CookieFloodPage(), CookieFloodHeaders());
    } else if (keyword == kDetailPages) {
        reply = Ok(ListLine({
            {base + "/d/sh", "sh"},
            {base + "/d/javascript", "javascript"},
            {base + "/d/xterm", "xterm"},
            {base + "/d/help", "help"},
            {base + "/d/empty", "empty"},
            {base + "/d/tofile", "redirect to a file"},
            {base + "/d/stall", "stalled"},
            {"file:///etc/passwd", "local file"},
            {base + "/d/long", "long magnet"},
        }));
    } else if (target == "/d/sh") {
        reply = Ok(DetailPage("file:///bin/sh"));
    } else if (target == "/d/javascript") {
        reply = Ok(DetailPage("javascript:alert(1)"));
    } else if (target == "/d/xterm") {
        reply = Ok(DetailPage("/usr/bin/xterm"));
    } else if (target == "/d/help") {
        reply = Ok(DetailPage("--help"));
    } else if (target == "/d/empty") {
        reply = Ok(DetailPage(""));
    } else if (target == "/d/long") {
        reply = Ok(DetailPage(LongMagnetLink()));
    } else if (target == "/gengxin/passwd.txt") {
        reply = Ok(UpdateFile("1.7", "file:///etc/passwd"));
    } else if (target == "/gengxin/javascript.txt") {
        reply = Ok(UpdateFile("1.7", "javascript:alert(1)"));
    } else if (target == "/gengxin/longversion.txt") {
        reply = Ok(UpdateFile(std::string(10 * 1024, '9'), base + "/talvex-9.zip"));
    } else if (target == "/gengxin/nomarkers.txt") {
        // Marker words without their brackets, and brackets without their words.
        reply =
            Ok("Vornik\xBF\xAA\xCA\xBC 1.7 Vornik\xBD\xE1\xCA\xF8 http://x/ \xA1\xBE\xA1\xBF\r\n");
    } else {
        reply = HttpResponse("HTTP/1.1 404 Not Found", {"Content-Type: text/plain"}, "not here");
    }
    connection.Send(reply);
}

}  // namespace talvex::app::testing
