// The web macronizer's reading of the service's pages and its saving of
// downloads: no network and no QObject, so the fuzz target can take it alone.

#include "tools/net/WebMacronizer.h"

#include "app/logging/LGLog.h"
#include "foundation/HXDocument.h"
#include "foundation/HXElement.h"
#include "foundation/StringExtensions.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

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
    // Pages add or drop white space around their text; the ends of the sent
    // text are kept as they were.
    const QString core = marked.trimmed();
    const QString sentCore = sent.trimmed();
    if (sentCore.isEmpty()) return std::nullopt;
    if (StringExtensions::stripDiacritics(core) != StringExtensions::stripDiacritics(sentCore)) return std::nullopt;
    qsizetype sentLead = 0;
    while (sent.at(sentLead).isSpace()) ++sentLead;
    return sent.left(sentLead) + core + sent.mid(sentLead + sentCore.size());
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
    if (clean.isEmpty()) return QStringLiteral("download");
    const QFileInfo info(clean);
    const QString suffix = info.suffix().isEmpty() ? QString() : QLatin1Char('.') + info.suffix();
    if (suffix.size() > 16) return fittedFileName(clean, QString());
    return fittedFileName(info.completeBaseName(), suffix);
}

QString WebMacronizer::fittedFileName(const QString& base, const QString& tail) {
    // File systems count a name's bytes, not its characters: keep the
    // whole characters of the base that fit beside the tail.
    const QString cut =
        StringExtensions::leftUtf8Bytes(base, kMaxFileNameBytes - tail.toUtf8().size()).trimmed();
    return (cut.isEmpty() ? QStringLiteral("download") : cut) + tail;
}

QString WebMacronizer::saveDownload(const QString& folder, const QString& suggested, const QByteArray& bytes,
                                   QString* why) {
    auto failed = [why](const QString& reason) {
        if (why) *why = reason;
        return QString();
    };
    if (!QDir().mkpath(folder)) {
        TSLogError("Unable to make the folder %@", folder);
        return failed(tr("the folder %1 could not be made").arg(folder));
    }
    const QString name = sanitizedFileName(suggested);
    const QFileInfo info(name);
    const QString base = info.completeBaseName().isEmpty() ? name : info.completeBaseName();
    const QString suffix = info.suffix().isEmpty() ? QString() : QLatin1Char('.') + info.suffix();
    for (int n = 1; n < 1000; ++n) {
        const QString candidate = n == 1 ? name : fittedFileName(base, QStringLiteral(" %1%2").arg(n).arg(suffix));
        const QString path = QDir(folder).filePath(candidate);
        QFile file(path);
        // NewOnly fails on any existing file or link, so nothing is replaced
        // even when another program makes the name meanwhile.
        if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
            if (QFileInfo(path).exists() || QFileInfo(path).isSymLink()) continue;
            TSLogError("%li Failed to load %@", qint64(file.error()), file.errorString());
            return failed(file.errorString());
        }
        if (file.write(bytes) != bytes.size() || !file.flush()) {
            TSLogError("%li Failed to load %@", qint64(file.error()), file.errorString());
            const QString reason = file.errorString();
            file.close();
            file.remove();
            return failed(reason);
        }
        return path;
    }
    TSLogError("No free name for %@ in %@", name, folder);
    return failed(tr("every name for %1 is taken").arg(name));
}
