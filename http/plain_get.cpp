#include "http/plain_get.h"

namespace talvex {

Bytes HttpGetBytes(const Text& url, const TransferLimits& limits) {
    if (url.empty()) {
        return {};
    }
    TransferRequest request;
    request.url = url.str();
    request.version = HttpVersion::Http10;
    request.agent = kPlainGetAgent;
    request.headerLines = {"Accept: */*"};
    request.limits = limits;
    TransferResult result = RunTransfer(request);
    return Bytes(std::move(result.body));
}

}  // namespace talvex
