#include "app/gui/NetworkPageFetcher.h"

#include "app/logging/LGLog.h"
#include "app/net/UrlFetcher.h"

#include <QFile>
#include <QFileInfo>

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
    const Limits limit = limits();
    if (url.isLocalFile()) {
        QFile file(url.toLocalFile());
        if (!file.open(QIODevice::ReadOnly)) {
            TSLogError("Unable to read %@: %@", url.toString(), file.errorString());
            return std::nullopt;
        }
        if (file.size() > limit.maximumSize) {
            TSLogError("The page %@ is too large", url.toString());
            return std::nullopt;
        }
        return file.readAll();
    }
    // The network side is the shared fetcher's, with this hook's limits.
    UrlFetcher::Request request;
    request.url = url;
    UrlFetcher::Limits fetchLimits;
    fetchLimits.transferTimeout = limit.transferTimeout;
    fetchLimits.deadline = limit.deadline;
    fetchLimits.maximumSize = limit.maximumSize;
    request.limits = fetchLimits;
    UrlFetcher::Response response = UrlFetcher::perform(request);
    if (!response.ok) return std::nullopt;
    return std::move(response.body);
}
