#pragma once
// The page fetcher the application hands to the page ripper: the shared
// UrlFetcher with this hook's own transfer time-out, overall deadline and
// size cap, so a slow or endless page cannot hang or swamp a search. Local
// files are read directly; redirects are followed on the same host only;
// other schemes are refused. Runs synchronously on the caller's thread (it
// spins a private event loop there).

#include "app/net/UrlFetcher.h"

#include <QByteArray>
#include <QUrl>

#include <optional>

class NetworkPageFetcher {
public:
    using Limits = UrlFetcher::Limits;
    static Limits limits();
    static void setLimits(const Limits& limits);

    static std::optional<QByteArray> fetch(const QUrl& url);
};
