#include "app/flows/page_navigation.h"

#include "app/flows/search.h"
#include "http/access.h"
#include "regex/regex_object.h"
#include "text/primitives.h"
#include "text/urlcodec.h"

namespace talvex::app {
namespace {

// How long the hint stays before the page number replaces it.
constexpr int kHintMilliseconds = 1000;

}  // namespace

Text PageNumberStatus(int page) {
    // 现正为第（ … ）页
    return ConcatText(Text("\xcf\xd6\xd5\xfd\xce\xaa\xb5\xda\xa3\xa8"), IntToText(page),
                      Text("\xa3\xa9\xd2\xb3"));
}

void LoadPage(Window& window, int page, bool append) {
    RegexObject results;
    // Read at every load, so a keyword edited after the search is used for the next page.
    const Text keyword = window.GetText(Control::KeywordEdit);
    const Text fetched =
        FetchPageText(ResultPageAddress(window.addresses().searchBase, keyword, page));
    results.Create(kResultListPattern, UrlDecode(fetched, FromUtf8::Yes));

    if (!append) {
        window.ClearRows();
    }
    AppendResultRows(window, results);
    window.SetText(Control::StatusLabel,
                   fetched.empty() ? kFetchFailedStatus : kResultsListedStatus);
    // Clicks inside the pause run complete nested loads; the number shown afterwards is the
    // page then current, which is the nested load's.
    PauseWithEvents(kHintMilliseconds);
    window.SetText(Control::StatusLabel, PageNumberStatus(CurrentPage.load()));
}

void NextPage(Window& window) {
    LoadPage(window, ++CurrentPage, false);
}

void AppendNextPage(Window& window) {
    LoadPage(window, ++CurrentPage, true);
}

}  // namespace talvex::app
