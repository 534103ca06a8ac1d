#include "tools/net/WebMacronizer.h"

#include "app/logging/LGLog.h"
#include "platform/UserDefaults.h"

#include <QDir>
#include <QPointer>
#include <QStandardPaths>

const QString WebMacronizer::kServiceURLKey = QStringLiteral("MacronizerServiceURL");


QString WebMacronizer::stateName(int state) {
    switch (state) {
    case InvalidState: return QStringLiteral("Invalid state");
    case Loading: return QStringLiteral("Loading");
    case Processing: return QStringLiteral("Processing");
    case Copying: return QStringLiteral("Copying");
    case Finished: return QStringLiteral("Finished");
    default: return QStringLiteral("Unhandled state");
    }
}

const QString WebMacronizer::kDefaultServiceURL = QStringLiteral("https://alatius.com/macronizer/");

QUrl WebMacronizer::serviceUrlFromSettings() {
    const QString text = ts::UserDefaults::standardUserDefaults()->stringForKey(kServiceURLKey).trimmed();
    return QUrl(text.isEmpty() ? kDefaultServiceURL : text);
}

WebMacronizer::WebMacronizer(QObject* parent) : QObject(parent) {
    connect(&timeoutTimer_, &QTimer::timeout, this, &WebMacronizer::lookForTimeouts);
}

WebMacronizer::~WebMacronizer() {
    if (cancelFlag_) cancelFlag_->store(true);
    ++generation_;
}

QUrl WebMacronizer::serviceUrl() const {
    return serviceUrl_.isEmpty() ? serviceUrlFromSettings() : serviceUrl_;
}

QString WebMacronizer::downloadFolder() const {
    if (!downloadFolder_.isEmpty()) return downloadFolder_;
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::DownloadLocation);
    return folder.isEmpty() ? QDir::homePath() : folder;
}

void WebMacronizer::setCurrentState(int state) {
    currentState_ = state;
    Q_EMIT stateChanged(state, stateName(state));
}

void WebMacronizer::macronize(const QString& text, Completion completion) {
    if (completion_) cancel();
    completion_ = std::move(completion);
    parseString_ = text;
    lastDownload_.clear();
    const QUrl service = serviceUrl();
    const QString scheme = service.scheme().toLower();
    if (text.trimmed().isEmpty()) return fail(tr("There is no text to mark."));
    if (text.size() >= kMaximumLength) {
        TSLogError("Unable to macronize more than 20k characters at a time");
        return fail(tr("Unable to macronize more than 20k characters at a time."));
    }
    if (!service.isValid() || (scheme != QLatin1String("http") && scheme != QLatin1String("https"))) {
        // A default address is built in: only a setting can give one that
        // is no web address.
        return fail(tr("The macronizing service's address \"%1\" is not a web address. Give an http or https "
                       "address under \"%2\" in the settings.")
                        .arg(service.toString(), kServiceURLKey));
    }
    startLogin();
}

void WebMacronizer::cancel() {
    if (!completion_) return;
    MacronizerResult result;
    result.cancelled = true;
    result.message = tr("Cancelled");
    finish(result);
}

void WebMacronizer::startLogin() {
    UrlFetcher::Request request;
    request.url = serviceUrl();
    setCurrentState(Loading);
    lastDataSeen_.start();
    timeoutTimer_.start(int(watchdog_.interval.count()));
    send(request, &WebMacronizer::startSearchRequest);
}

void WebMacronizer::send(UrlFetcher::Request request, void (WebMacronizer::*step)(const UrlFetcher::Response&)) {
    if (cancelFlag_) cancelFlag_->store(true);
    cancelFlag_ = std::make_shared<std::atomic_bool>(false);
    request.cancel = cancelFlag_;
    UrlFetcher::Limits limits = UrlFetcher::limits();
    // The watchdog decides when the service has stalled; the fetch only
    // needs to end soon after.
    limits.transferTimeout = watchdog_.stallLimit + std::chrono::milliseconds(1000);
    limits.deadline = watchdog_.stallLimit * 2;
    request.limits = limits;
    const quint64 generation = ++generation_;
    QPointer<WebMacronizer> self(this);
    UrlFetcher::performAsync(std::move(request), [self, generation, step](const UrlFetcher::Response& response) {
        if (!self || self->generation_ != generation || !self->completion_) return;
        self->lastDataSeen_.start();
        (self.data()->*step)(response);
    });
}

void WebMacronizer::startSearchRequest(const UrlFetcher::Response& page) {
    if (!page.ok)
        return fail(tr("The address %1 could not be reached (%2).")
                        .arg(serviceUrl().toString(), page.error));
    if (handleDownload(page)) return;
    std::optional<Form> form = readForm(page.body, page.finalUrl);
    if (!form || form->textField < 0) {
        TSLogError("Unable to insert string %@", parseString_);
        return fail(tr("The macronizing service's page has no form to fill in."));
    }
    if (form->action.host().compare(page.finalUrl.host(), Qt::CaseInsensitive) != 0) {
        TSLogError("The form of %@ sends to %@", page.finalUrl.toString(), form->action.toString());
        return fail(tr("The macronizing service's form sends to another site; nothing was sent."));
    }
    form->fields[form->textField].second = parseString_;
    UrlFetcher::Request request;
    if (form->post) {
        request = UrlFetcher::formPost(form->action, form->fields);
    } else {
        QUrl url = form->action;
        url.setQuery(QString::fromLatin1(UrlFetcher::formEncode(form->fields)), QUrl::StrictMode);
        request.url = url;
    }
    setCurrentState(Processing);
    send(request, &WebMacronizer::copyText);
}

void WebMacronizer::copyText(const UrlFetcher::Response& answer) {
    if (!answer.ok) return fail(tr("The macronizing service failed (%1).").arg(answer.error));
    if (handleDownload(answer)) return;
    setCurrentState(Copying);
    if (!answer.contentType.isEmpty() && answer.contentType != QLatin1String("text/html")) {
        TSLogError("download type %@", answer.contentType);
        return fail(tr("The macronizing service answered with %1, not a page.").arg(answer.contentType));
    }
    const std::optional<QString> marked = readMarkedText(answer.body);
    if (!marked) return fail(tr("The macronizing service's answer holds no marked text."));
    const std::optional<QString> matched = matchAnswer(parseString_, *marked);
    if (!matched) {
        TSLogError("The marked text does not match the text sent: %@", *marked);
        return fail(tr("The macronizing service changed the text itself; nothing was replaced."));
    }
    setCurrentState(Finished);
    MacronizerResult result;
    result.ok = true;
    result.text = ts::AttributedString::make(*matched);
    finish(result);
}

bool WebMacronizer::handleDownload(const UrlFetcher::Response& answer) {
    if (!isDownloadType(answer.contentType)) return false;
    QString why;
    const QString path = saveDownload(downloadFolder(), answer.suggestedName, answer.body, &why);
    if (path.isEmpty()) {
        fail(tr("The file the service sent could not be saved in %1: %2.").arg(downloadFolder(), why));
    } else {
        lastDownload_ = path;
        fail(tr("The service sent a file instead of marked text; it was saved as %1.").arg(path));
    }
    return true;
}

void WebMacronizer::lookForTimeouts() {
    if (!completion_) {
        timeoutTimer_.stop();
        return;
    }
    if (lastDataSeen_.isValid() && lastDataSeen_.elapsed() > watchdog_.stallLimit.count()) {
        TSLogError("Timeout");
        fail(tr("The macronizing service did not answer for %1 seconds.")
                 .arg(qRound(watchdog_.stallLimit.count() / 1000.0)));
    }
}

void WebMacronizer::fail(const QString& message) {
    MacronizerResult result;
    result.message = message;
    // A failure found inside macronize() still reaches the caller later, as
    // the interface promises.
    if (currentState_ == InvalidState || !lastDataSeen_.isValid()) {
        const quint64 generation = ++generation_;
        QPointer<WebMacronizer> self(this);
        QTimer::singleShot(0, this, [self, generation, result] {
            if (self && self->generation_ == generation) self->finish(result);
        });
        return;
    }
    finish(result);
}

void WebMacronizer::finish(MacronizerResult result) {
    timeoutTimer_.stop();
    if (cancelFlag_) cancelFlag_->store(true);
    cancelFlag_.reset();
    ++generation_;
    lastDataSeen_.invalidate();
    Completion completion = std::move(completion_);
    completion_ = nullptr;
    if (completion) completion(result);
}
