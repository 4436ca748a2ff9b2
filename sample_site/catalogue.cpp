#include "sample_site/catalogue.h"

#include <array>
#include <cstdint>

namespace talvex::sample_site {
namespace {

constexpr std::string_view kTracker = "udp://tracker.talvex.example:6969/announce";
// The slug some detail addresses end in ("种子.html"); the page serves it percent-escaped.
constexpr std::string_view kSeedSlug = "\xE7\xA7\x8D\xE5\xAD\x90.html";

std::string HtmlEscape(std::string_view text) {
    std::string escaped;
    escaped.reserve(text.size());
    for (char c : text) {
        switch (c) {
            case '&':
                escaped += "&amp;";
                break;
            case '<':
                escaped += "&lt;";
                break;
            case '>':
                escaped += "&gt;";
                break;
            case '"':
                escaped += "&quot;";
                break;
            // A line break inside a title would split its anchor over two lines.
            case '\r':
            case '\n':
                escaped += ' ';
                break;
            default:
                escaped += c;
        }
    }
    return escaped;
}

std::uint64_t Fnv1a(std::string_view bytes, std::uint64_t hash = 0xcbf29ce484222325ULL) {
    for (unsigned char byte : bytes) {
        hash = (hash ^ byte) * 0x100000001b3ULL;
    }
    return hash;
}

std::uint64_t SplitMix(std::uint64_t& state) {
    std::uint64_t z = (state += 0x9e3779b97f4a7c15ULL);
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
    return z ^ (z >> 31);
}

// A 40-digit info hash that depends only on the keyword, the page and the index.
std::string InfoHash(std::string_view keyword, int page, int index) {
    std::uint64_t state = Fnv1a(std::to_string(page) + "/" + std::to_string(index), Fnv1a(keyword));
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string hash;
    hash.reserve(40);
    while (hash.size() < 40) {
        std::uint64_t bits = SplitMix(state);
        for (int i = 0; i < 16 && hash.size() < 40; ++i, bits >>= 4) {
            hash += kDigits[bits & 0xF];
        }
    }
    return hash;
}

std::string Number(int value, int width = 0) {
    std::string digits = std::to_string(value);
    if (static_cast<int>(digits.size()) < width) {
        digits.insert(0, static_cast<std::size_t>(width) - digits.size(), '0');
    }
    return digits;
}

// The title as a person would write it (raw) and as the page lists it (HTML-escaped).
struct Title {
    std::string raw;
    std::string html;
};

Title MakeTitle(std::string_view keyword, int page, int index) {
    const std::string k(keyword);
    const int variant = (page * 7 + index) % 6;
    std::string raw;
    switch (variant) {
        case 0:
            raw = k + " \xE7\xAC\xAC" + Number(index + 1, 2) +
                  "\xE9\x9B\x86 1080p \xE4\xB8\xAD\xE6\x96\x87\xE5\xAD\x97\xE5\xB9\x95";
            break;  // 第NN集 … 中文字幕
        case 1:
            raw = k + "." + Number(1990 + (page * 7 + index) % 35) + ".BluRay.720p.x264";
            break;
        case 2:
            raw = "\xE3\x80\x90\xE9\xAB\x98\xE6\xB8\x85\xE3\x80\x91" + k +
                  " \xE5\x9B\xBD\xE8\xAF\xAD\xE4\xB8\xAD\xE5\xAD\x97 \xE7\xAC\xAC" + Number(page) +
                  "\xE9\x83\xA8";
            break;  // 【高清】… 国语中字 第N部
        case 3:
            raw = k + " Complete Season " + Number(page) + " WEB-DL & Extras";
            break;
        case 4:
            raw = k + " \xE8\x93\x9D\xE5\x85\x89\xE5\x8E\x9F\xE7\x9B\x98 4K HDR";
            break;  // 蓝光原盘
        default:
            raw = k + " OST \xE5\x8E\x9F\xE5\xA3\xB0 FLAC";
            break;  // 原声
    }
    std::string html = HtmlEscape(raw);
    return {std::move(raw), std::move(html)};
}

std::string DetailPath(std::string_view keyword, int page, int index) {
    return "/d/" + HexOf(keyword) + "/" + Number(page) + "/" + Number(index);
}

// How a detail address ends: every third in a Chinese slug, which the page serves escaped.
std::string DetailEnding(int index, bool escaped) {
    if (index % 3 != 2) {
        return ".html";
    }
    std::string ending(1, '/');
    ending += escaped ? PercentEncode(kSeedSlug) : std::string(kSeedSlug);
    return ending;
}
// Every fourth title is served percent-escaped whole.
bool HasEscapedTitle(int index) {
    return index % 4 == 1;
}

std::string Magnet(std::string_view keyword, int page, int index, const Title& title) {
    return "magnet:?xt=urn:btih:" + InfoHash(keyword, page, index) +
           "&dn=" + PercentEncode(title.raw) + "&tr=" + PercentEncode(kTracker);
}

}  // namespace

std::string PercentEncode(std::string_view bytes) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string encoded;
    encoded.reserve(bytes.size() * 3);
    for (unsigned char byte : bytes) {
        const bool plain = (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') ||
                           (byte >= '0' && byte <= '9') || byte == '-' || byte == '.' ||
                           byte == '_' || byte == '~';
        if (plain) {
            encoded += static_cast<char>(byte);
        } else {
            encoded += '%';
            encoded += kDigits[byte >> 4];
            encoded += kDigits[byte & 0xF];
        }
    }
    return encoded;
}

std::string HexOf(std::string_view bytes) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string hex;
    hex.reserve(bytes.size() * 2);
    for (unsigned char byte : bytes) {
        hex += kDigits[byte >> 4];
        hex += kDigits[byte & 0xF];
    }
    return hex;
}

std::string BytesOfHex(std::string_view hex) {
    auto value = [](char c) -> int {
        if (c >= '0' && c <= '9')
            return c - '0';
        if (c >= 'a' && c <= 'f')
            return c - 'a' + 10;
        if (c >= 'A' && c <= 'F')
            return c - 'A' + 10;
        return -1;
    };
    if (hex.size() % 2 != 0) {
        return {};
    }
    std::string bytes;
    bytes.reserve(hex.size() / 2);
    for (std::size_t i = 0; i < hex.size(); i += 2) {
        const int high = value(hex[i]);
        const int low = value(hex[i + 1]);
        if (high < 0 || low < 0) {
            return {};
        }
        bytes += static_cast<char>(high * 16 + low);
    }
    return bytes;
}

Result CatalogueResult(std::string_view base, std::string_view keyword, int page, int index) {
    const Title title = MakeTitle(keyword, page, index);
    std::string url = std::string(base) + DetailPath(keyword, page, index);
    url += DetailEnding(index, false);
    return {title.html, std::move(url), Magnet(keyword, page, index, title)};
}

int ResultCount(const CatalogueShape& shape, int page) {
    return page >= 1 && page <= shape.pageCount ? shape.resultsPerPage : 0;
}

std::string ResultPage(std::string_view base, const CatalogueShape& shape, std::string_view keyword,
                       int page) {
    const std::string b(base);
    const std::string keywordHtml = HtmlEscape(keyword);
    const int count = ResultCount(shape, page);
    std::string html;
    html.reserve(512 + static_cast<std::size_t>(count) * 200);
    html += "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>" + keywordHtml +
            " - BTUP</title></head><body>\n";
    // The menu's anchors end their items but the next item opens on a new line: no result.
    html += "<ul class=\"nav\"><li><a href=\"" + b + "/\">\xE9\xA6\x96\xE9\xA1\xB5</a></li>\n";
    html += "<li><a href=\"" + b + "/share.html\">\xE5\x88\x86\xE4\xBA\xAB</a></li></ul>\n";
    html += "<h2>" + keywordHtml + " \xE7\xAC\xAC" + Number(page) + "\xE9\xA1\xB5</h2>\n";
    if (count == 0) {
        html +=
            "<p>\xE6\xB2\xA1\xE6\x9C\x89\xE6\x89\xBE\xE5\x88\xB0\xE7\x9B\xB8\xE5\x85\xB3"
            "\xE7\xBB\x93\xE6\x9E\x9C</p>\n";  // 没有找到相关结果
    } else {
        // All items on one line; the last is closed by </li></ul> and so is not listed.
        html += "<ul class=\"results\">";
        for (int index = 0; index < count; ++index) {
            const Title title = MakeTitle(keyword, page, index);
            html += "<li><a href=\"" + b + DetailPath(keyword, page, index);
            html += DetailEnding(index, true);
            html += "\">";
            html += HasEscapedTitle(index) ? PercentEncode(title.html) : title.html;
            html += "</a></li>";
        }
        html += "</ul>\n";
    }
    html += "<div class=\"pager\"><a href=\"" + b + "/s/" + PercentEncode(keyword) + "/" +
            Number(page + 1) + "/\">\xE4\xB8\x8B\xE4\xB8\x80\xE9\xA1\xB5</a></div>\n";
    html += "</body></html>\n";
    return html;
}

std::string DetailPage(std::string_view base, std::string_view keyword, int page, int index) {
    const Title title = MakeTitle(keyword, page, index);
    const std::string b(base);
    std::string html = "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>" + title.html +
                       "</title></head><body>\n<h1>" + title.html + "</h1>\n";
    html += "<p>\xE6\x96\x87\xE4\xBB\xB6\xE5\xA4\xA7\xE5\xB0\x8F: 1." + Number(index % 10) +
            " GB</p>\n";  // 文件大小
    // The play link, CR LF, then the magnet anchor: the two markers the tool cuts between.
    html += "<p><a href=\"" + b + "/play" + DetailPath(keyword, page, index).substr(2) +
            ".html\">BTUP\xE5\x9C\xA8\xE7\xBA\xBF\xE8\xA7\x82\xE7\x9C\x8B</a>\r\n";
    html += "<a href=\"" + Magnet(keyword, page, index, title) +
            "\">\xE7\xA3\x81\xE5\x8A\x9B\xE9\x93\xBE\xE6\x8E\xA5</a></p>\n";
    html += "</body></html>\n";
    return html;
}

std::string UpdateFile(std::string_view base, std::string_view version) {
    // GBK: 【 A1 BE, 】 A1 BF, 开始 BF AA CA BC, 结束 BD E1 CA F8, 地址 B5 D8 D6 B7.
    std::string text = "Talvex\r\n\xA1\xBEVornik\xBF\xAA\xCA\xBC\xA1\xBF";
    text += version;
    text += "\xA1\xBEVornik\xBD\xE1\xCA\xF8\xA1\xBF";
    text += std::string(base) + "/download/";
    text += "\xA1\xBEVornik\xB5\xD8\xD6\xB7\xA1\xBF\r\n";
    return text;
}

}  // namespace talvex::sample_site
