#include "app/gui/NetworkPageFetcher.h"

#include "app/logging/LGLog.h"

#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>

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
    const QString scheme = url.scheme().toLower();
    if (scheme != QLatin1String("http") && scheme != QLatin1String("https")) {
        TSLogError("Unable to fetch %@: unsupported scheme", url.toString());
        return std::nullopt;
    }

    QNetworkAccessManager manager;
    QNetworkRequest request(url);
    request.setTransferTimeout(int(limit.transferTimeout.count()));
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setMaximumRedirectsAllowed(5);
    QNetworkReply* reply = manager.get(request);
    QEventLoop loop;
    bool tooLarge = false;
    bool timedOut = false;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    QObject::connect(reply, &QNetworkReply::downloadProgress, &loop, [&](qint64 received, qint64 total) {
        if (received > limit.maximumSize || total > limit.maximumSize) {
            tooLarge = true;
            reply->abort();
        }
    });
    QTimer deadline;
    deadline.setSingleShot(true);
    QObject::connect(&deadline, &QTimer::timeout, &loop, [&] {
        timedOut = true;
        reply->abort();
    });
    deadline.start(limit.deadline);
    if (!reply->isFinished()) loop.exec(QEventLoop::ExcludeUserInputEvents);

    std::optional<QByteArray> result;
    if (tooLarge) {
        TSLogError("The page %@ is too large", url.toString());
    } else if (timedOut) {
        TSLogError("Fetching %@ timed out", url.toString());
    } else if (reply->error() != QNetworkReply::NoError) {
        TSLogError("Unable to fetch %@: %@", url.toString(), reply->errorString());
    } else {
        QByteArray body = reply->readAll();
        if (body.size() > limit.maximumSize) TSLogError("The page %@ is too large", url.toString());
        else result = std::move(body);
    }
    delete reply;
    return result;
}
