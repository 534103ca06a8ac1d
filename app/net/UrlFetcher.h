#pragma once
// Reads web pages and posts forms for the network-backed tools, and is the
// page ripper's fetcher hook.
//
// file: URLs are read directly; http and https go through QtNetwork with a
// transfer time-out, an overall deadline and a size cap, so a slow or endless
// answer can neither hang nor swamp a caller. A redirect is followed only to
// the same host (and never from https down to http), at most maxRedirects
// times; anything else is refused. Other schemes are refused.
//
// perform() is synchronous and may run on any thread: it makes its own
// network manager and spins a private event loop on the caller's thread.
// performAsync() runs it on a worker of the global queue and answers on the
// main queue. A request may carry a cancel flag; setting it ends the request
// within about 50 ms with the error "Cancelled".
//
// Nothing throws: every failure is an answer with ok false and a message.

#include <QByteArray>
#include <QString>
#include <QUrl>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>

class UrlFetcher {
public:
    struct Limits {
        std::chrono::milliseconds transferTimeout{30000};
        std::chrono::milliseconds deadline{120000};
        qint64 maximumSize = 32 * 1024 * 1024;
        int maxRedirects = 5;
    };
    // The limits of requests that do not bring their own.
    static Limits limits();
    static void setLimits(const Limits& limits);

    struct Request {
        QUrl url;
        // "GET" or "POST"; a POST sends `body` with `contentType`.
        QByteArray method = "GET";
        QByteArray body;
        QByteArray contentType;
        std::optional<Limits> limits;
        std::shared_ptr<std::atomic_bool> cancel;
    };

    struct Response {
        bool ok = false;
        int status = 0;        // the HTTP status; 0 for files and failures
        QByteArray body;
        QString contentType;   // the MIME type alone, lower case, without parameters
        QString suggestedName; // from Content-Disposition, else the URL's file name
        QUrl finalUrl;         // after redirects
        QString error;         // why ok is false
        bool timedOut = false;
    };

    // A POST request with the fields form-encoded (application/x-www-form-urlencoded),
    // in the order given.
    static Request formPost(const QUrl& url, const QList<QPair<QString, QString>>& fields);
    static QByteArray formEncode(const QList<QPair<QString, QString>>& fields);

    static Response perform(const Request& request);
    // Calls `done` on the main queue with the answer.
    static void performAsync(Request request, std::function<void(const Response&)> done);

    // The page ripper's hook: the body of a successful GET, else nothing.
    static std::optional<QByteArray> fetch(const QUrl& url);
};
