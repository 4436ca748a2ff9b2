// URL decomposition over arbitrary text: every option of UrlGetHost, UrlGetPort and UrlGetPath
// gives a well-formed answer.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <optional>
#include <string>

#include "fuzz/check.h"
#include "http/url.h"
#include "text/primitives.h"

namespace {

using namespace talvex;
using namespace talvex::fuzz;

// Lower case as ToLowerText makes it: the second byte of a GBK character keeps its case.
bool IsLowerCase(const Text& text) {
    return ToLowerText(text) == text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    std::optional<int> domainDots;
    if (input.ConsumeBool()) {
        domainDots = input.ConsumeBool() ? input.ConsumeIntegral<int>()
                                         : input.ConsumeIntegralInRange<int>(-3, 8);
    }
    const Text url(input.ConsumeRemainingBytesAsString());

    for (DomainOnly domainOnly : {DomainOnly::No, DomainOnly::Yes}) {
        for (KeepPort keepPort : {KeepPort::No, KeepPort::Yes}) {
            for (std::optional<int> dots : {std::optional<int>(), domainDots}) {
                const Text host = UrlGetHost(url, domainOnly, keepPort, dots);
                FUZZ_REQUIRE(HoldsNoNul(host));
                FUZZ_REQUIRE(IsLowerCase(host));
                FUZZ_REQUIRE(host.size() <= url.size());
                if (keepPort == KeepPort::No) {
                    FUZZ_REQUIRE(FindText(host, Text(":")) == -1);  // a ":" that begins a character
                }
            }
        }
    }
    FUZZ_REQUIRE(UrlGetHost(url) == UrlGetHost(url, DomainOnly::No, KeepPort::No, std::nullopt));

    const int port = UrlGetPort(url);
    FUZZ_REQUIRE(port >= 0 || url.view().find(':') != std::string_view::npos);

    const Text path = UrlGetPath(url);
    FUZZ_REQUIRE(!path.empty() && path.view().front() == '/');
    // The path is the end of the address as it stands, or "/" when none follows the host.
    FUZZ_REQUIRE(path.view() == "/" || url.view().ends_with(path.view()));
    return 0;
}
