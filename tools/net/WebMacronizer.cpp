#include "tools/net/WebMacronizer.h"

#include "app/logging/LGLog.h"
#include "foundation/HXDocument.h"
#include "foundation/HXElement.h"
#include "foundation/StringExtensions.h"
#include "platform/UserDefaults.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QStandardPaths>

const QString WebMacronizer::kServiceURLKey = QStringLiteral("MacronizerServiceURL");

namespace {

const QChar kMarker(0x2022);

// The text of an element with its line breaks: <br> and block ends become
// "\n", as a reader sees them.
void collectText(const ts::HXElementPtr& element, QString& out) {
    if (!element) return;
    if (element->isTextNode()) {
        out += element->content();
        return;
    }
    const QString tag = element->tagName().toLower();
    if (tag == QLatin1String("br")) {
        out += QLatin1Char('\n');
        return;
    }
    if (tag == QLatin1String("script") || tag == QLatin1String("style")) return;
    const bool block = tag == QLatin1String("p") || tag == QLatin1String("div") || tag == QLatin1String("li");
    if (block && !out.isEmpty() && !out.endsWith(QLatin1Char('\n'))) out += QLatin1Char('\n');
    for (const ts::HXElementPtr& child : element->children()) collectText(child, out);
}

QString lower(const QString& s) { return s.trimmed().toLower(); }

}  // namespace

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

QUrl WebMacronizer::serviceUrlFromSettings() {
    const QString text = ts::UserDefaults::standardUserDefaults()->stringForKey(kServiceURLKey).trimmed();
    return text.isEmpty() ? QUrl() : QUrl(text);
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
        return fail(tr("No macronizing service is set. Give its address under \"%1\" in the settings.")
                        .arg(kServiceURLKey));
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
    if (!page.ok) return fail(tr("The macronizing service could not be reached (%1).").arg(page.error));
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
    const QString path = saveDownload(downloadFolder(), answer.suggestedName, answer.body);
    if (path.isEmpty()) {
        fail(tr("The file the service sent could not be saved."));
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

// ---- Pages ----------------------------------------------------------------

std::optional<WebMacronizer::Form> WebMacronizer::readForm(const QByteArray& html, const QUrl& pageUrl) {
    ts::HXDocumentPtr document = ts::HXDocument::documentWithHTMLData(html);
    if (!document) return std::nullopt;
    ts::HXElementPtr formElement = document->peekAtSearchWithXPathQuery(QStringLiteral("(//form)[1]"));
    if (!formElement) return std::nullopt;
    Form form;
    const QString action = formElement->objectForKey(QStringLiteral("action"));
    form.action = action.isEmpty() ? pageUrl : pageUrl.resolved(QUrl(action));
    form.post = lower(formElement->objectForKey(QStringLiteral("method"))) != QLatin1String("get");
    const auto controls = document->searchWithXPathQuery(
        QStringLiteral("(//form)[1]//input | (//form)[1]//textarea | (//form)[1]//select"));
    bool submitted = false;
    int firstTextInput = -1;
    for (const ts::HXElementPtr& control : controls) {
        const QString name = control->objectForKey(QStringLiteral("name"));
        const QString tag = control->tagName().toLower();
        if (name.isEmpty()) continue;
        if (tag == QLatin1String("textarea")) {
            QString value;
            collectText(control, value);
            if (form.textField < 0) form.textField = int(form.fields.size());
            form.fields.append({name, value});
        } else if (tag == QLatin1String("select")) {
            QString value, first;
            bool found = false;
            for (const ts::HXElementPtr& option : control->searchWithXPathQuery(QStringLiteral("//option"))) {
                QString v = option->objectForKey(QStringLiteral("value"));
                if (v.isNull()) collectText(option, v);
                if (first.isNull()) first = v;
                if (!option->objectForKey(QStringLiteral("selected")).isNull() && !found) {
                    value = v;
                    found = true;
                }
            }
            form.fields.append({name, found ? value : first});
        } else {
            const QString type = lower(control->objectForKey(QStringLiteral("type")));
            const QString value = control->objectForKey(QStringLiteral("value"));
            if (type == QLatin1String("submit") || type == QLatin1String("image") || type == QLatin1String("button") ||
                type == QLatin1String("reset")) {
                if (type == QLatin1String("submit") && !submitted) {
                    form.fields.append({name, value});
                    submitted = true;
                }
            } else if (type == QLatin1String("checkbox") || type == QLatin1String("radio")) {
                if (!control->objectForKey(QStringLiteral("checked")).isNull())
                    form.fields.append({name, value.isNull() ? QStringLiteral("on") : value});
            } else if (type == QLatin1String("file")) {
                continue;
            } else {
                if ((type.isEmpty() || type == QLatin1String("text")) && firstTextInput < 0)
                    firstTextInput = int(form.fields.size());
                form.fields.append({name, value});
            }
        }
    }
    if (form.textField < 0) form.textField = firstTextInput;
    return form;
}

std::optional<QString> WebMacronizer::readMarkedText(const QByteArray& html) {
    ts::HXDocumentPtr document = ts::HXDocument::documentWithHTMLData(html);
    if (!document) return std::nullopt;
    ts::HXElementPtr element = document->peekAtSearchWithXPathQuery(QStringLiteral("//*[@id='selecttext']"));
    if (!element) return std::nullopt;
    QString text;
    collectText(element, text);
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(kMarker, QLatin1Char('\n'));
    if (text.trimmed().isEmpty()) return std::nullopt;
    return text;
}

std::optional<QString> WebMacronizer::matchAnswer(const QString& sent, const QString& marked) {
    auto trailing = [](const QString& s) {
        qsizetype n = s.size();
        while (n > 0 && s.at(n - 1).isSpace()) --n;
        return n;
    };
    // Pages add or drop white space around their text; the ends of the sent
    // text are kept as they were.
    QString core = marked;
    core.truncate(trailing(core));
    qsizetype lead = 0;
    while (lead < core.size() && core.at(lead).isSpace()) ++lead;
    core.remove(0, lead);
    qsizetype sentLead = 0;
    while (sentLead < sent.size() && sent.at(sentLead).isSpace()) ++sentLead;
    const qsizetype sentEnd = trailing(sent);
    if (sentEnd <= sentLead) return std::nullopt;
    const QString sentCore = sent.mid(sentLead, sentEnd - sentLead);
    if (StringExtensions::stripDiacritics(core) != StringExtensions::stripDiacritics(sentCore)) return std::nullopt;
    return sent.left(sentLead) + core + sent.mid(sentEnd);
}

bool WebMacronizer::isDownloadType(const QString& mimeType) {
    return mimeType == QLatin1String("text/csv") || mimeType == QLatin1String("application/vnd.xls") ||
           mimeType == QLatin1String("application/vnd.ms-excel");
}

QString WebMacronizer::sanitizedFileName(const QString& suggested) {
    // Only the last component, without separators, control characters or a
    // leading dot, and short enough for every file system.
    QString name = suggested;
    name.replace(QLatin1Char('\\'), QLatin1Char('/'));
    name = name.section(QLatin1Char('/'), -1);
    QString clean;
    for (QChar c : name) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7f || c == QLatin1Char(':') || c == QLatin1Char('*') ||
            c == QLatin1Char('?') || c == QLatin1Char('"') || c == QLatin1Char('<') || c == QLatin1Char('>') ||
            c == QLatin1Char('|'))
            clean += QLatin1Char('_');
        else
            clean += c;
    }
    clean = clean.trimmed();
    while (clean.startsWith(QLatin1Char('.'))) clean.remove(0, 1);
    if (clean.size() > 120) clean = clean.left(60) + clean.right(60);
    return clean.isEmpty() ? QStringLiteral("download") : clean;
}

QString WebMacronizer::saveDownload(const QString& folder, const QString& suggested, const QByteArray& bytes) {
    if (!QDir().mkpath(folder)) {
        TSLogError("Unable to make the folder %@", folder);
        return QString();
    }
    const QString name = sanitizedFileName(suggested);
    const QFileInfo info(name);
    const QString base = info.completeBaseName().isEmpty() ? name : info.completeBaseName();
    const QString suffix = info.suffix().isEmpty() ? QString() : QLatin1Char('.') + info.suffix();
    for (int n = 1; n < 1000; ++n) {
        const QString candidate = n == 1 ? name : QStringLiteral("%1 %2%3").arg(base).arg(n).arg(suffix);
        const QString path = QDir(folder).filePath(candidate);
        QFile file(path);
        // NewOnly fails on any existing file or link, so nothing is replaced
        // even when another program makes the name meanwhile.
        if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
            if (QFileInfo(path).exists() || QFileInfo(path).isSymLink()) continue;
            TSLogError("%li Failed to load %@", qint64(file.error()), file.errorString());
            return QString();
        }
        if (file.write(bytes) != bytes.size() || !file.flush()) {
            TSLogError("%li Failed to load %@", qint64(file.error()), file.errorString());
            file.close();
            file.remove();
            return QString();
        }
        return path;
    }
    TSLogError("No free name for %@ in %@", name, folder);
    return QString();
}
