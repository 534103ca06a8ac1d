#pragma once
// The page fetcher the application hands to the page ripper: local files
// (file: URLs) are read directly; http and https go through the shared
// UrlFetcher with this hook's transfer time-out, overall deadline and size
// cap, so a slow or endless page cannot hang or swamp a search; redirects are
// followed on the same host only. Other schemes are refused. Runs synchronously on the caller's thread (it spins a private
// event loop there).

#include <QByteArray>
#include <QUrl>

#include <chrono>
#include <optional>

class NetworkPageFetcher {
public:
    struct Limits {
        std::chrono::milliseconds transferTimeout{30000};
        std::chrono::milliseconds deadline{120000};
        qint64 maximumSize = 32 * 1024 * 1024;
    };
    static Limits limits();
    static void setLimits(const Limits& limits);

    static std::optional<QByteArray> fetch(const QUrl& url);
};
