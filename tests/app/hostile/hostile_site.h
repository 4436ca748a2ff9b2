// A search site, detail pages and update files written to break the tool, served on 127.0.0.1:
// pages past the body cap, runaway markup, broken encodings, NUL bytes, bad escapes, redirect
// loops, redirects off the web, a stalling server, a header flood of cookies, links that must
// never reach the desktop, and update files that name local files or absurd versions.
//
// What a result page does is chosen by the keyword searched for (the path "/s/KEYWORD/N/",
// whatever N); detail pages live under "/d/" and update files under "/gengxin/".
#pragma once

#include <chrono>
#include <string>
#include <string_view>
#include <vector>

#include "app/window.h"
#include "tests/support/loopback_server.h"

namespace talvex::app::testing {

// Keywords, each a result page of its own kind.
inline constexpr const char* kHugePage = "huge";             // 64 MiB of page and more
inline constexpr const char* kUnclosedAnchors = "unclosed";  // a 1 MiB line of open anchors
inline constexpr const char* kBadEncodings = "encodings";    // invalid UTF-8, lone GBK leads
inline constexpr const char* kNulBytes = "nul";              // 0 bytes, raw and escaped
inline constexpr const char* kBadEscapes = "escapes";        // malformed and control escapes
inline constexpr const char* kMarkupTitles = "markup";       // markup and 500-character runs
inline constexpr const char* kRedirectLoop = "loop";         // redirects to itself
inline constexpr const char* kRedirectToFile = "tofile";     // redirects to file:///etc/passwd
inline constexpr const char* kStall = "stall";               // part of a page, then silence
inline constexpr const char* kCookieFlood = "cookies";       // 100 KiB of Set-Cookie lines
inline constexpr const char* kDetailPages = "details";       // lists the detail pages below

// The huge page: its rows before the body cap, and one row past it that must never be listed.
inline constexpr std::size_t kHugeBodyBytes = std::size_t{65} * 1024 * 1024;
inline constexpr std::size_t kHugeLateRowOffset = std::size_t{64} * 1024 * 1024 + 256 * 1024;

// How long a stalling server stays silent (after part of a page, or after the head of a
// detail page) before it closes.
inline constexpr std::chrono::seconds kStallTime{4};

// The drip-feeding update file "/gengxin/drip.txt": after its head, one byte every
// kDripInterval for kDripTime, then the end.
inline constexpr std::chrono::milliseconds kDripInterval{500};
inline constexpr std::chrono::seconds kDripTime{8};

// The long magnet link: "MAGNET:?xt=urn:btih:" + kLongMagnetHash + "&dn=" + the display name,
// which is kLongNameRepeats times "%E5%8A%9F" followed by kLongNamePlain on the wire (UTF-8
// "功" and kLongNamePlain decoded): over 10 KiB of display name.
inline constexpr const char* kLongMagnetHash = "0123456789abcdef0123456789ABCDEF01234567";
inline constexpr int kLongNameRepeats = 1024;
inline constexpr const char* kLongNamePlain = "$(id)`id`;|'x'";

class HostileSite {
  public:
    HostileSite();
    HostileSite(const HostileSite&) = delete;
    HostileSite& operator=(const HostileSite&) = delete;

    // "http://127.0.0.1:<port>".
    [[nodiscard]] std::string Base() const;
    // The site as search base, the update file "/gengxin/<updateFile>" on it.
    [[nodiscard]] Addresses AddressesWithUpdateFile(const std::string& updateFile) const;
    // Every request whose target begins with `prefix`, in order of arrival.
    [[nodiscard]] std::vector<talvex::test::HttpRequest> RequestsTo(std::string_view prefix) const;

  private:
    void Answer(const talvex::test::HttpRequest& request, talvex::test::Connection& connection);

    talvex::test::LoopbackServer m_server;
};

// The target of result page `page` for an ASCII keyword: each byte as %XX.
[[nodiscard]] std::string ResultPageTarget(std::string_view keyword, int page);

}  // namespace talvex::app::testing
