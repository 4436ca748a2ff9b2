#include "app/flows/search.h"

#include "http/access.h"
#include "regex/regex_object.h"
#include "text/primitives.h"
#include "text/urlcodec.h"

namespace talvex::app {

Text ResultPageAddress(const Text& searchBase, const Text& keyword, int page) {
    return ConcatText(searchBase, Text("/s/"), UrlEncode(keyword, KeepPlain::No, ToUtf8::Yes),
                      Text("/"), IntToText(page), Text("/"));
}

void AppendResultRows(Window& window, const RegexObject& results) {
    const int count = results.MatchCount();
    for (int match = 1; match <= count; ++match) {
        const int row = window.AppendRow();
        window.SetCell(row, 0, results.SubmatchText(match, 2));
        window.SetCell(row, 1, results.SubmatchText(match, 1));
    }
}

void SearchFirstPage(Window& window) {
    RegexObject results;
    const Text keyword = window.GetText(Control::KeywordEdit);
    const Text fetched =
        FetchPageText(ResultPageAddress(window.addresses().searchBase, keyword, 1));
    results.Create(kResultListPattern, UrlDecode(fetched, FromUtf8::Yes));

    // Nothing fetched (the site unreachable, or an empty answer): say so, not "获取完毕".
    const bool gotPage = !fetched.empty();
    window.SetText(Control::StatusLabel, gotPage ? kFetchedStatus : kFetchFailedStatus);
    // The old rows stay listed until the new page has been parsed.
    window.ClearRows();
    CurrentPage = 1;
    AppendResultRows(window, results);
    if (gotPage) {
        window.SetText(Control::StatusLabel, kResultsListedStatus);
    }
}

}  // namespace talvex::app
