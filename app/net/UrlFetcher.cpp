#include "app/net/UrlFetcher.h"

#include "app/logging/LGLog.h"
#include "foundation/TSPageRipper.h"
#include "platform/Dispatch.h"

#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QRegularExpression>
#include <QTimer>
#include <QUrlQuery>

#include <mutex>

namespace {

std::mutex gMutex;
UrlFetcher::Limits gLimits;

QString mimeTypeOnly(const QString& header) {
    return header.section(QLatin1Char(';'), 0, 0).trimmed().toLower();
}

QString nameFromDisposition(const QByteArray& header) {
    static const QRegularExpression quoted(QStringLiteral("filename\\s*=\\s*\"([^\"]*)\""),
                                           QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression bare(QStringLiteral("filename\\s*=\\s*([^;\\s]+)"),
                                         QRegularExpression::CaseInsensitiveOption);
    const QString text = QString::fromLatin1(header);
    QRegularExpressionMatch m = quoted.match(text);
    if (m.hasMatch()) return m.captured(1);
    m = bare.match(text);
    return m.hasMatch() ? m.captured(1) : QString();
}

UrlFetcher::Response readFile(const QUrl& url, const UrlFetcher::Limits& limits) {
    UrlFetcher::Response response;
    response.finalUrl = url;
    QFile file(url.toLocalFile());
    if (!file.open(QIODevice::ReadOnly)) {
        response.error = file.errorString();
        return response;
    }
    if (file.size() > limits.maximumSize) {
        response.error = QStringLiteral("The page is too large");
        return response;
    }
    response.body = file.readAll();
    response.suggestedName = QFileInfo(file.fileName()).fileName();
    const QString suffix = QFileInfo(file.fileName()).suffix().toLower();
    if (suffix == QLatin1String("html") || suffix == QLatin1String("htm")) response.contentType = QStringLiteral("text/html");
    response.ok = true;
    return response;
}

// Same host (any port), and no step down from https to http.
bool acceptableRedirect(const QUrl& from, const QUrl& to) {
    if (to.host().compare(from.host(), Qt::CaseInsensitive) != 0) return false;
    const QString a = from.scheme().toLower(), b = to.scheme().toLower();
    if (a == QLatin1String("https") && b != QLatin1String("https")) return false;
    return b == QLatin1String("http") || b == QLatin1String("https");
}

}  // namespace

UrlFetcher::Limits UrlFetcher::limits() {
    std::lock_guard<std::mutex> lock(gMutex);
    return gLimits;
}

void UrlFetcher::setLimits(const Limits& limits) {
    std::lock_guard<std::mutex> lock(gMutex);
    gLimits = limits;
}

QByteArray UrlFetcher::formEncode(const QList<QPair<QString, QString>>& fields) {
    // QUrlQuery leaves "+" and "&" ambiguous; encode every reserved character.
    QByteArray out;
    for (const auto& [name, value] : fields) {
        if (!out.isEmpty()) out += '&';
        out += QUrl::toPercentEncoding(name) + '=' + QUrl::toPercentEncoding(value);
    }
    return out;
}

UrlFetcher::Request UrlFetcher::formPost(const QUrl& url, const QList<QPair<QString, QString>>& fields) {
    Request request;
    request.url = url;
    request.method = "POST";
    request.body = formEncode(fields);
    request.contentType = "application/x-www-form-urlencoded; charset=UTF-8";
    return request;
}

UrlFetcher::Response UrlFetcher::perform(const Request& request) {
    const Limits limit = request.limits.value_or(limits());
    const QUrl& url = request.url;
    if (url.isLocalFile()) {
        Response r = readFile(url, limit);
        if (!r.ok) TSLogError("Unable to read %@: %@", url.toString(), r.error);
        return r;
    }
    Response response;
    response.finalUrl = url;
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || (scheme != QLatin1String("http") && scheme != QLatin1String("https"))) {
        response.error = QStringLiteral("Unsupported address");
        TSLogError("Unable to fetch %@: unsupported scheme", url.toString());
        return response;
    }

    QNetworkAccessManager manager;
    QNetworkRequest netRequest(url);
    netRequest.setTransferTimeout(int(limit.transferTimeout.count()));
    netRequest.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::UserVerifiedRedirectPolicy);
    netRequest.setMaximumRedirectsAllowed(limit.maxRedirects);
    if (!request.contentType.isEmpty()) netRequest.setHeader(QNetworkRequest::ContentTypeHeader, request.contentType);
    QNetworkReply* reply = request.method == "POST" ? manager.post(netRequest, request.body)
                                                    : manager.get(netRequest);
    QEventLoop loop;
    bool tooLarge = false, timedOut = false, cancelled = false, badRedirect = false;
    QUrl current = url;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    QObject::connect(reply, &QNetworkReply::redirected, &loop, [&](const QUrl& target) {
        const QUrl resolved = current.resolved(target);
        if (!acceptableRedirect(current, resolved)) {
            badRedirect = true;
            TSLogError("Refused the redirect from %@ to %@", current.toString(), resolved.toString());
            reply->abort();
            return;
        }
        current = resolved;
        Q_EMIT reply->redirectAllowed();
    });
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
    QTimer cancelPoll;
    if (request.cancel) {
        QObject::connect(&cancelPoll, &QTimer::timeout, &loop, [&] {
            if (request.cancel->load()) {
                cancelled = true;
                reply->abort();
            }
        });
        cancelPoll.start(50);
    }
    if (!reply->isFinished()) loop.exec(QEventLoop::ExcludeUserInputEvents);

    response.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    response.finalUrl = reply->url();
    response.contentType = mimeTypeOnly(reply->header(QNetworkRequest::ContentTypeHeader).toString());
    response.suggestedName = nameFromDisposition(reply->rawHeader("Content-Disposition"));
    if (response.suggestedName.isEmpty()) response.suggestedName = response.finalUrl.fileName();
    if (cancelled) {
        response.error = QStringLiteral("Cancelled");
    } else if (badRedirect) {
        response.error = QStringLiteral("Redirected to another site");
    } else if (tooLarge) {
        response.error = QStringLiteral("The page is too large");
    } else if (timedOut || reply->error() == QNetworkReply::OperationCanceledError ||
               reply->error() == QNetworkReply::TimeoutError) {
        response.timedOut = true;
        response.error = QStringLiteral("No answer in time");
    } else if (reply->error() != QNetworkReply::NoError) {
        response.error = reply->errorString();
    } else {
        QByteArray body = reply->readAll();
        if (body.size() > limit.maximumSize) {
            response.error = QStringLiteral("The page is too large");
        } else {
            response.body = std::move(body);
            response.ok = true;
        }
    }
    if (!response.ok && !cancelled) TSLogError("Unable to fetch %@: %@", url.toString(), response.error);
    delete reply;
    return response;
}

void UrlFetcher::performAsync(Request request, std::function<void(const Response&)> done) {
    ts::DispatchQueue::global()->async([request = std::move(request), done = std::move(done)] {
        auto response = std::make_shared<Response>(perform(request));
        ts::DispatchQueue::main()->async([response, done] {
            if (done) done(*response);
        });
    });
}

std::optional<QByteArray> UrlFetcher::fetch(const QUrl& url) {
    Request request;
    request.url = url;
    Response response = perform(request);
    if (!response.ok) {
        ts::setPageFetchError(response.error);
        return std::nullopt;
    }
    return std::move(response.body);
}
