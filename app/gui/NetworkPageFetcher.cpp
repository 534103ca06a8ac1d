#include "app/gui/NetworkPageFetcher.h"

#include "foundation/TSPageRipper.h"

#include <mutex>

namespace {

std::mutex gMutex;
NetworkPageFetcher::Limits gLimits;

}  // namespace

NetworkPageFetcher::Limits NetworkPageFetcher::limits() {
    std::lock_guard<std::mutex> lock(gMutex);
    return gLimits;
}

void NetworkPageFetcher::setLimits(const Limits& limits) {
    std::lock_guard<std::mutex> lock(gMutex);
    gLimits = limits;
}

std::optional<QByteArray> NetworkPageFetcher::fetch(const QUrl& url) {
    UrlFetcher::Request request;
    request.url = url;
    request.limits = limits();
    UrlFetcher::Response response = UrlFetcher::perform(request);
    if (!response.ok) {
        ts::setPageFetchError(response.error);
        return std::nullopt;
    }
    return std::move(response.body);
}
