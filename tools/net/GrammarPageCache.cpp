#include "tools/net/GrammarPageCache.h"

#include "app/core/Preferences.h"
#include "app/logging/LGLog.h"
#include "platform/Dispatch.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSaveFile>
#include <QStringConverter>
#include <QStringDecoder>

GrammarPageCache::GrammarPageCache(QString folder) : folder_(folder.isEmpty() ? defaultFolder() : std::move(folder)) {}

QString GrammarPageCache::defaultFolder() {
    return QDir(Preferences::supportDirectory()).filePath(QStringLiteral("GrammarPages"));
}

QString GrammarPageCache::baseURLString(const QUrl& url) {
    QString base = QStringLiteral("https://") + url.host(QUrl::FullyEncoded);
    if (url.port(-1) != -1) base += QLatin1Char(':') + QString::number(url.port());
    const QString path = url.path(QUrl::FullyEncoded);
    return base + (path.isEmpty() ? QStringLiteral("/") : path);
}

QString GrammarPageCache::cacheFilePath(const QUrl& url) const {
    const QByteArray hash = QCryptographicHash::hash(baseURLString(url).toUtf8(), QCryptographicHash::Sha256).toHex();
    return QDir(folder_).filePath(QString::fromLatin1(hash) + QStringLiteral(".html"));
}

std::optional<GrammarPageCache::Page> GrammarPageCache::cachedPage(const QUrl& url) const {
    QFile file(cacheFilePath(url));
    if (!file.exists()) return std::nullopt;
    if (!file.open(QIODevice::ReadOnly)) {
        TSLogError("Unable to read the cached page %@: %@", file.fileName(), file.errorString());
        return std::nullopt;
    }
    QStringDecoder decoder(QStringConverter::Utf16, QStringConverter::Flag::ConvertInitialBom);
    Page page;
    page.html = decoder.decode(file.readAll());
    if (decoder.hasError()) {
        TSLogError("The cached page %@ is damaged", file.fileName());
        return std::nullopt;
    }
    page.ok = true;
    page.fromCache = true;
    page.baseUrl = QUrl(baseURLString(url));
    page.fragment = url.fragment();
    return page;
}

bool GrammarPageCache::store(const QUrl& url, const QString& html) const {
    if (!QDir().mkpath(folder_)) {
        TSLogError("Error %li creating directory %@\n%@", qint64(0), folder_, QStringLiteral("mkpath failed"));
        return false;
    }
    QSaveFile file(cacheFilePath(url));
    QStringEncoder encoder(QStringConverter::Utf16, QStringConverter::Flag::WriteBom);
    const QByteArray bytes = encoder.encode(withoutScripts(html));
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        TSLogError("Error writing cache %@", file.errorString());
        return false;
    }
    return true;
}

void GrammarPageCache::load(const QUrl& url, Completion done) const {
    if (!url.isValid() || url.isEmpty()) {
        TSLogError("Nil url at loadURL");
        return;
    }
    if (std::optional<Page> page = cachedPage(url)) {
        ts::DispatchQueue::main()->async([page = *page, done] { done(page); });
        return;
    }
    UrlFetcher::Request request;
    request.url = url;
    request.url.setFragment(QString());
    const GrammarPageCache cache = *this;
    UrlFetcher::performAsync(request, [cache, url, done](const UrlFetcher::Response& response) {
        if (!response.ok) {
            TSLogError("didFailNavigation %@ %@", response.error, url.toString());
            Page failed;
            failed.error = response.error;
            done(failed);
            return;
        }
        const QString html = decodeHtml(response.body);
        if (cache.store(url, html)) {
            if (std::optional<Page> page = cache.cachedPage(url)) return done(*page);
        }
        // Shown from the web, uncached.
        Page page;
        page.ok = true;
        page.html = withoutScripts(html);
        page.baseUrl = QUrl(baseURLString(url));
        page.fragment = url.fragment();
        done(page);
    });
}

QString GrammarPageCache::withoutScripts(const QString& html) {
    static const QRegularExpression script(QStringLiteral("<script\\b[^>]*>.*?</script\\s*>|<script\\b[^>]*/?>"),
                                           QRegularExpression::CaseInsensitiveOption |
                                               QRegularExpression::DotMatchesEverythingOption);
    static const QRegularExpression handler(QStringLiteral("\\s+on[a-z]+\\s*=\\s*(\"[^\"]*\"|'[^']*'|[^\\s>]+)"),
                                            QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression jsLink(QStringLiteral("(href|src)\\s*=\\s*([\"'])\\s*javascript:[^\"']*\\2"),
                                           QRegularExpression::CaseInsensitiveOption);
    QString out = html;
    out.remove(script);
    out.remove(handler);
    out.replace(jsLink, QStringLiteral("\\1=\\2#\\2"));
    return out;
}

QString GrammarPageCache::decodeHtml(const QByteArray& bytes) {
    QStringDecoder decoder = QStringDecoder::decoderForHtml(bytes);
    if (!decoder.isValid()) decoder = QStringDecoder(QStringConverter::Utf8);
    return decoder.decode(bytes);
}
