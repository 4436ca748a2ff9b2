#include "http/url.h"

#include "text/primitives.h"

namespace talvex {
namespace {

// The host the counted way: the scheme markers removed, the path cut off, then a number of
// labels counted back from the end.
Text CountedHost(Text u, DomainOnly domainOnly, int domainDots) {
    u = ReplaceSubtext(u, "http://", "", std::nullopt, std::nullopt, CaseSensitive::Yes);
    u = ReplaceSubtext(u, "https://", "", std::nullopt, std::nullopt, CaseSensitive::Yes);
    if (const int slash = FindText(u, "/"); slash != -1) {
        u = LeftText(u, slash - 1);
    }
    const int length = TextLength(u);
    int p = length;
    // Once a search fails every later one fails too, so a huge count stops early.
    for (int i = 0; i < domainDots && p != -1; ++i) {
        p = FindTextReverse(u, ".", p, IgnoreCase::No);
    }
    const int q = FindTextReverse(u, ".", p, IgnoreCase::No);
    if (domainOnly == DomainOnly::Yes) {
        return RightText(u, length - q);  // q == -1 keeps the whole text
    }
    if (q != -1) {
        if (const int r = FindTextReverse(u, ".", q, IgnoreCase::No); r != -1) {
            return RightText(u, length - r);
        }
    }
    return u;
}

Text OrdinaryHost(Text u, DomainOnly domainOnly) {
    if (u.empty() || u.str().back() != '/') {
        u = ConcatText(u, Text("/"));
    }
    Text host;
    if (LeftText(u, 8) == Text("https://")) {
        host = TextBetween(u, "https://", "/");
    } else {
        if (FindText(u, "http://") == -1) {
            u = ConcatText(Text("http://"), u);
        }
        host = TextBetween(u, "http://", "/");
    }
    if (domainOnly == DomainOnly::Yes) {
        const TextArray labels = SplitText(host, ".");
        const int count = labels.Count();
        if (count >= 2) {
            host = ConcatText(labels[count - 1], Text("."), labels[count]);
        }
    }
    return host;
}

}  // namespace

Text UrlGetHost(const Text& url, DomainOnly domainOnly, KeepPort keepPort,
                std::optional<int> domainDots) {
    const Text lower = ToLowerText(url);
    const Text host =
        domainDots ? CountedHost(lower, domainOnly, *domainDots) : OrdinaryHost(lower, domainOnly);
    if (keepPort == KeepPort::Yes) {
        return host;
    }
    if (const int colon = FindText(host, ":"); colon != -1) {
        return LeftText(host, colon - 1);
    }
    return host;
}

int UrlGetPort(const Text& url) {
    const Text host = UrlGetHost(url, DomainOnly::No, KeepPort::Yes);
    const int colon = FindTextReverse(host, ":");
    if (colon == -1) {
        return LeftText(ToLowerText(url), 5) == Text("https") ? 443 : 80;
    }
    return TextToInt(RightText(host, TextLength(host) - colon));
}

Text UrlGetPath(const Text& url) {
    const Text host = UrlGetHost(url);
    const int at = FindText(url, host, 1, IgnoreCase::Yes);
    const int slash = FindText(url, "/", at, IgnoreCase::Yes);
    if (slash == -1) {
        return "/";
    }
    return RightText(url, TextLength(url) - slash + 1);
}

}  // namespace talvex
