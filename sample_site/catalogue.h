// The sample site's deterministic catalogue: result pages, detail pages and the update file,
// built as the bytes the site serves. Pure functions; safe on any thread.
#pragma once

#include <string>
#include <string_view>

namespace talvex::sample_site {

// What the catalogue holds for every keyword.
struct CatalogueShape {
    int resultsPerPage = 10;
    int pageCount = 5;  // pages after the last hold no result
};

// One listed result, as a test expects to see it after the page has been percent-decoded.
struct Result {
    std::string title;      // UTF-8, as listed (HTML escapes kept)
    std::string detailUrl;  // UTF-8, absolute, on `base`
    std::string magnet;     // the detail page's magnet link, percent escapes left as served
};

// The result at 0-based `index` on `page` (1-based) for `keyword` (UTF-8).
[[nodiscard]] Result CatalogueResult(std::string_view base, std::string_view keyword, int page,
                                     int index);
// The number of results on `page`: the shape's count up to the last page, then 0.
[[nodiscard]] int ResultCount(const CatalogueShape& shape, int page);

// The UTF-8 HTML of result page `page` for `keyword`; `base` is "http://host:port".
[[nodiscard]] std::string ResultPage(std::string_view base, const CatalogueShape& shape,
                                     std::string_view keyword, int page);
// The detail page of one result: the play link, CR LF, then the magnet anchor.
[[nodiscard]] std::string DetailPage(std::string_view base, std::string_view keyword, int page,
                                     int index);
// The update file in GBK naming `version` and the site's download page.
[[nodiscard]] std::string UpdateFile(std::string_view base, std::string_view version);

// Every byte outside A-Z a-z 0-9 - . _ ~ as %XX (upper-case hex).
[[nodiscard]] std::string PercentEncode(std::string_view bytes);
// Lower-case hexadecimal of every byte.
[[nodiscard]] std::string HexOf(std::string_view bytes);
// The bytes of lower- or upper-case hexadecimal `hex`; empty when it is not hexadecimal.
[[nodiscard]] std::string BytesOfHex(std::string_view hex);

}  // namespace talvex::sample_site
