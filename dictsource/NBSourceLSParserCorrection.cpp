// The corrections the Lewis and Short conversion writes back into its source
// file: a headword with a hyphen deep inside, and inflection types of one to
// four comma-separated parts that no rule knows.
#include "dictsource/NBSourceLSParser.h"

struct NBSourceLSParser::SourceSnapshot {
    QString path;
    SourceTextFile::Text file;
    QString key;
    TextRange anchor;
};

namespace {

const QString kEdit = QStringLiteral("Edit");

QString itypeElement(const QString& text) {
    return QStringLiteral("<itype>%1</itype>").arg(text);
}

bool isLayout(QChar c) { return DictionaryXMLParser::isLayoutSpace(c); }

// Whether `text` matches the source at `at`, where each blank of the text
// stands for any run of blanks, tabs and line ends (the converter read the
// element with its layout made single blanks). Answers the end of the match
// or -1.
qsizetype matchLoosely(const QString& source, qsizetype at, QStringView text) {
    qsizetype i = at;
    for (qsizetype j = 0; j < text.size(); ++j) {
        if (text.at(j) == u' ') {
            if (i >= source.size() || !isLayout(source.at(i))) return -1;
            while (i < source.size() && isLayout(source.at(i))) ++i;
            while (j + 1 < text.size() && text.at(j + 1) == u' ') ++j;
        } else {
            if (i >= source.size() || source.at(i) != text.at(j)) return -1;
            ++i;
        }
    }
    return i;
}

// The first element `open` text `close` at or after `from`, whatever the
// layout inside it: line ends of either kind, tabs, and blanks just inside
// its tags.
TextRange findElement(const QString& source, qsizetype from, const QString& open, const QString& text,
                      const QString& close) {
    const QString wanted = DictionaryXMLParser::trimmed(DictionaryXMLParser::collapseWhiteSpace(text), u" ");
    for (qsizetype at = source.indexOf(open, qMax<qsizetype>(from, 0)); at >= 0; at = source.indexOf(open, at + 1)) {
        qsizetype i = at + open.size();
        while (i < source.size() && isLayout(source.at(i))) ++i;
        i = matchLoosely(source, i, wanted);
        if (i < 0) continue;
        while (i < source.size() && isLayout(source.at(i))) ++i;
        if (QStringView(source).mid(i).startsWith(close)) return {at, i + close.size() - at};
    }
    return {};
}

TextRange findIType(const QString& source, qsizetype from, const QString& text) {
    return findElement(source, from, QStringLiteral("<itype>"), text, QStringLiteral("</itype>"));
}

// A text read from the file, shown with line feeds only.
QString shownText(const QString& text) {
    if (!text.contains(QLatin1Char('\r'))) return text;
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return shown;
}

// The snippet shown for editing: from the anchor to `past` characters after
// the element, ending at the end of the text when that comes first.
QString snippetOf(const QString& text, TextRange anchor, TextRange element, qsizetype past) {
    const qsizetype end = qMin(text.size(), element.end() + past);
    return text.mid(anchor.location, end - anchor.location);
}

}  // namespace

QString NBSourceLSParser::withLineEndsOf(const QString& source, const QString& text) {
    // The file's own convention: the first line end in it decides.
    const qsizetype lf = source.indexOf(QLatin1Char('\n'));
    if (lf <= 0 || source.at(lf - 1) != QLatin1Char('\r')) return text;
    QString out;
    out.reserve(text.size() + text.count(QLatin1Char('\n')));
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('\n') && (i == 0 || text.at(i - 1) != QLatin1Char('\r'))) out += QLatin1Char('\r');
        out += c;
    }
    return out;
}

QString NBSourceLSParser::sourcePath() const {
    if (fileURL().isLocalFile()) return fileURL().toLocalFile();
    return correctionSource_;
}

std::optional<NBSourceLSParser::SourceSnapshot> NBSourceLSParser::readSource(const QString& operation) {
    // Nobody to ask would answer "Skip", which leaves the file as it is.
    if (!developerPrompt()->asksAnybody()) return std::nullopt;
    SourceSnapshot snapshot;
    snapshot.key = keyText();
    snapshot.path = sourcePath();
    if (snapshot.path.isEmpty() || snapshot.key.isEmpty()) {
        DSLog("%@: no source file or no key for %@", operation, snapshot.key);
        return std::nullopt;
    }
    QString error;
    auto file = SourceTextFile::read(snapshot.path, &error);
    if (!file) {
        DSLog("%@", error);
        return std::nullopt;
    }
    snapshot.file = std::move(*file);
    const QString anchor = QStringLiteral("key=\"%1\"").arg(snapshot.key);
    const qsizetype at = snapshot.file.text.indexOf(anchor);
    if (at < 0) return std::nullopt;
    snapshot.anchor = {at, anchor.size()};
    return snapshot;
}

bool NBSourceLSParser::writeSource(const SourceSnapshot& snapshot, const QString& text) {
    QString error;
    if (!SourceTextFile::write(snapshot.path, text, snapshot.file.encoding, &error)) {
        DSLog("%@", error);
        return false;
    }
    ++statistics_.correctionsWritten;
    return true;
}

NBSourceLSParser::EditOutcome NBSourceLSParser::applyEdit(QString& string, const QString& excerpt, TextRange range,
                                                          const QString& edited) {
    if (excerpt.isEmpty()) return EditOutcome::NotFound;
    // The excerpt shown began at or before the range and covered it; it is
    // replaced there, and only when the text there is still the excerpt.
    qsizetype at = range.found() ? string.lastIndexOf(excerpt, range.location) : string.indexOf(excerpt);
    if (at < 0 || (range.found() && at + excerpt.size() < range.end())) {
        at = string.indexOf(excerpt);
        if (at < 0) return EditOutcome::NotFound;
    }
    QString candidate = string;
    candidate.replace(at, excerpt.size(), withLineEndsOf(string, edited));
    const TextRange entry = SourceRegex::entryRange(candidate, at);
    if (entry.found()) {
        QString why;
        if (!SourceRegex::isWellFormed(candidate.mid(entry.location, entry.length), &why)) {
            DSLog("%@ edited entry is not well-formed: %@", keyText(), why);
            return EditOutcome::Malformed;
        }
    }
    string = std::move(candidate);
    return EditOutcome::Applied;
}

qsizetype NBSourceLSParser::moveToOrth(const QString& text, QString& string, TextRange range) {
    const QString headword = curEntry() ? curEntry()->entry() : QString();
    const QString element = QStringLiteral("<orth extent=\"full\" lang=\"la\">%1</orth>").arg(headword);
    if (!range.found() || range.location == 0) return -1;
    // The entry's own headword element: the nearest before the range, so
    // that an earlier homonym's equal element is never taken for it.
    const qsizetype at = string.lastIndexOf(element, range.location - 1);
    if (at < 0 || range.location <= at || range.location - at >= 100) return -1;
    if (at + element.size() > range.location) return -1;
    const QString moved = QStringLiteral("<orth extent=\"full\" lang=\"la\">%1 -%2</orth>").arg(headword, text);
    string.remove(range.location, range.length);
    string.replace(at, element.size(), moved);
    return range.location + (moved.size() - element.size());
}

bool NBSourceLSParser::replaceMatchInOrtho(const QString& text, QString& string, TextRange range) {
    moveToOrth(text, string, range);
    return true;
}

void NBSourceLSParser::notHandled(const QString& logText, const QString& pasteText) {
    DSLog("%@", logText);
    writeToPasteBoard(QStringLiteral("@\"%1\",").arg(pasteText));
    developerSink()->beep();
}

// ---- Entry type ----

QString NBSourceLSParser::unknownTypeSource() {
    unknownTypeEncoding_.reset();
    // Nobody to ask would answer "Skip": reading the whole source for each
    // untyped entry would only slow the conversion down.
    if (!developerPrompt()->asksAnybody()) return QString();
    const QString path = sourcePath();
    if (path.isEmpty()) return QString();
    QString error;
    auto file = SourceTextFile::read(path, &error);
    if (!file) {
        DSLog("%@", error);
        return QString();
    }
    unknownTypeEncoding_ = file->encoding;
    return file->text;
}

bool NBSourceLSParser::writeUnknownTypeSource(const QString& text) {
    // Only a source read just before, so the file keeps its own encoding.
    if (!unknownTypeEncoding_) return false;
    QString error;
    const bool written = SourceTextFile::write(sourcePath(), text, *unknownTypeEncoding_, &error);
    if (!written) DSLog("%@", error);
    else ++statistics_.correctionsWritten;
    unknownTypeEncoding_.reset();
    return written;
}

// ---- Hyphen ----

void NBSourceLSParser::queryHyphen() {
    queryHyphen(lastStackString());
}

void NBSourceLSParser::queryHyphen(const QString& headword) {
    if (auto snapshot = readSource(QStringLiteral("queryHyphen")); snapshot && !headword.isEmpty()) {
        QString& text = snapshot->file.text;
        const TextRange found =
            findElement(text, snapshot->anchor.end(), QStringLiteral(">"), headword, QStringLiteral("<"));
        // The headword's text, without the tags around it.
        const qsizetype at = found.found() ? found.location + 1 : -1;
        if (at >= 0 && at - snapshot->anchor.location < 100) {
            DeveloperQuestion question;
            question.message = QStringLiteral("Remove hyphen? %1").arg(snapshot->key);
            question.informativeText = headword;
            question.buttons = {QStringLiteral("Skip"), QStringLiteral("Remove")};
            if (developerPrompt()->ask(question).button == 1) {
                QString cleaned = text.mid(at, found.length - 2);
                cleaned.remove(QLatin1Char('-'));
                text.replace(at, found.length - 2, cleaned);
                writeSource(*snapshot, text);
            }
        }
    }
    DSLog("%@ funny hyphen %@", keyText(), headword);
}

// ---- One component ----

void NBSourceLSParser::checkForChange(const QString& reason, const QString& string) {
    ++statistics_.iTypesToAlert[0];
    auto snapshot = readSource(QStringLiteral("checkForChange"));
    if (snapshot) {
        QString& text = snapshot->file.text;
        const TextRange range = findIType(text, snapshot->anchor.end(), string);
        if (range.found()) {
            const QString snippet = snippetOf(text, snapshot->anchor, range, 40);
            bool skip = false;
            const QString before = text;
            const bool stop = parseMatch(string, text, range, &skip, snippet);
            if (!stop && !skip && text != before) {
                writeSource(*snapshot, text);
                return;
            }
        }
    }
    notHandled(QStringLiteral("%1 %2 %3").arg(keyText(), reason, string), string);
}

bool NBSourceLSParser::parseMatch(const QString& text, QString& string, TextRange range, bool* skip,
                                  const QString& curString) {
    if (skip) *skip = false;
    DeveloperQuestion question;
    question.message = keyText();
    question.informativeText = text;
    question.buttons = {QStringLiteral("Skip"), QStringLiteral("Stop"), QStringLiteral("foreign"),
                        QStringLiteral("remove"), QStringLiteral("add to orth"), QStringLiteral("4"),
                        QStringLiteral("3"), QStringLiteral("2"), QStringLiteral("1"), kEdit};
    question.editableText = shownText(curString);
    for (;;) {
        const DeveloperAnswer answer = developerPrompt()->ask(question);
        auto replaceRange = [&](const QString& with) {
            if (range.found() && range.end() <= string.size()) string.replace(range.location, range.length, with);
        };
        switch (answer.button) {
        case 0:
            if (skip) *skip = true;
            return false;
        case 1: return true;
        case 2: replaceRange(QStringLiteral("<foreign lang=\"la\">%1</foreign>").arg(text)); return false;
        case 3: replaceRange(text); return false;
        case 4: replaceMatchInOrtho(text, string, range); return false;
        case 5: case 6: case 7: case 8:
            replaceRange(QStringLiteral("<itype>%1, %2</itype>").arg(text, question.buttons.at(answer.button)));
            return false;
        case 9:
            if (applyEdit(string, curString, range, answer.editedText) == EditOutcome::Malformed) {
                question.editableText = answer.editedText;
                continue;
            }
            return false;
        default:
            DSLog("button not handled %li", qint64(1000 + answer.button));
            return false;
        }
    }
}

// ---- Two components ----

void NBSourceLSParser::checkFor2CompChange(const QStringList& components) {
    ++statistics_.iTypesToAlert[1];
    if (components.size() == 2) {
        if (auto snapshot = readSource(QStringLiteral("checkFor2CompChange"))) {
            QString& text = snapshot->file.text;
            const TextRange range = findIType(text, snapshot->anchor.end(), components.join(QLatin1Char(',')));
            if (range.found()) {
                const QString snippet = snippetOf(text, snapshot->anchor, range, 120);
                if (!parse2CompMatch(components, text, range, snippet)) {
                    writeSource(*snapshot, text);
                    return;
                }
            }
        }
    }
    QString listed;
    for (const QString& c : components) listed += c + QLatin1Char('\n');
    notHandled(QStringLiteral("%1 2 component iType not handled %2").arg(keyText(), listed),
               components.join(QLatin1Char(',')));
}

bool NBSourceLSParser::parse2CompMatch(const QStringList& components, QString& string, TextRange range,
                                       const QString& curString) {
    if (components.size() != 2 || !range.found() || range.end() > string.size()) return true;
    const QString& first = components.at(0);
    const QString& second = components.at(1);
    DeveloperQuestion question;
    question.message = keyText();
    question.informativeText = QStringLiteral("1: %1\n2: %2").arg(first, second);
    question.buttons = {QStringLiteral("Skip"),  QStringLiteral("iType, foreign"), QStringLiteral("iType, remove"),
                        QStringLiteral("add 4"), QStringLiteral("add 3"),          QStringLiteral("add 2"),
                        QStringLiteral("add 1"), QStringLiteral("remove 2nd iType"), QStringLiteral("1st to orth"),
                        kEdit};
    question.editableText = shownText(curString);
    for (;;) {
        const DeveloperAnswer answer = developerPrompt()->ask(question);
        auto becomes = [&](const QString& with) {
            string.replace(range.location, range.length, with);
            return false;
        };
        switch (answer.button) {
        case 0: return true;
        case 1:
            return becomes(QStringLiteral("<itype>%1</itype><foreign lang=\"la\">%2</foreign>").arg(first, second));
        case 2: return becomes(QStringLiteral("%1,%2").arg(first, second));
        case 3: case 4: case 5: case 6: {
            const QString digit = question.buttons.at(answer.button).mid(4);
            return becomes(QStringLiteral("<itype>%1,%2, %3</itype>").arg(first, second, digit));
        }
        case 7: return becomes(QStringLiteral("<itype>%1</itype>,%2").arg(first, second));
        case 8: {
            // The first part goes into the headword; when it cannot, the
            // element stays whole rather than lose that part.
            const qsizetype at = moveToOrth(first, string, range);
            if (at < 0) return true;
            string.insert(at, itypeElement(second));
            return false;
        }
        case 9: {
            const EditOutcome outcome = applyEdit(string, curString, range, answer.editedText);
            if (outcome == EditOutcome::Malformed) {
                question.editableText = answer.editedText;
                continue;
            }
            return outcome != EditOutcome::Applied;
        }
        default:
            DSLog("button not handled %li", qint64(1000 + answer.button));
            return true;
        }
    }
}

// ---- Three and four components ----

bool NBSourceLSParser::checkFor3CompChange(const QStringList& components) {
    ++statistics_.iTypesToAlert[2];
    if (components.size() != 3) return false;
    auto snapshot = readSource(QStringLiteral("checkFor3CompChange"));
    if (!snapshot) return false;
    QString& text = snapshot->file.text;
    const TextRange range = findIType(text, snapshot->anchor.end(), components.join(QLatin1Char(',')));
    if (!range.found()) return false;
    if (parse3CompMatch(components, text, range)) return false;
    return writeSource(*snapshot, text);
}

bool NBSourceLSParser::parse3CompMatch(const QStringList& components, QString& string, TextRange range) {
    if (components.size() != 3 || !range.found() || range.end() > string.size()) return true;
    DeveloperQuestion question;
    question.message = keyText();
    question.informativeText =
        QStringLiteral("1: %1\n2: %2\n3 %3: ").arg(components.at(0), components.at(1), components.at(2));
    question.buttons = {QStringLiteral("Skip"), QStringLiteral("iType, remove"), QStringLiteral("remove 3rd iType")};
    const int button = developerPrompt()->ask(question).button;
    switch (button) {
    case 0: return true;
    case 1: string.replace(range.location, range.length, components.join(QLatin1Char(','))); return false;
    case 2:
        string.replace(range.location, range.length,
                       QStringLiteral("<itype>%1,%2</itype>,%3").arg(components.at(0), components.at(1),
                                                                     components.at(2)));
        return false;
    default: DSLog("button not handled %li", qint64(1000 + button)); return true;
    }
}

bool NBSourceLSParser::checkFor4CompChange(const QStringList& components) {
    ++statistics_.iTypesToAlert[3];
    if (components.size() != 4) return false;
    auto snapshot = readSource(QStringLiteral("checkFor4CompChange"));
    if (!snapshot) return false;
    QString& text = snapshot->file.text;
    const TextRange range = findIType(text, snapshot->anchor.end(), components.join(QLatin1Char(',')));
    if (!range.found()) return false;
    if (parse4CompMatch(components, text, range, snippetOf(text, snapshot->anchor, range, 120))) return false;
    return writeSource(*snapshot, text);
}

bool NBSourceLSParser::parse4CompMatch(const QStringList& components, QString& string, TextRange range,
                                       const QString& curString) {
    if (components.size() != 4 || !range.found() || range.end() > string.size()) return true;
    DeveloperQuestion question;
    question.message = keyText();
    question.informativeText = QStringLiteral("1: %1\n2: %2\n3: %3\n4: %4")
                                   .arg(components.at(0), components.at(1), components.at(2), components.at(3));
    question.buttons = {QStringLiteral("Skip"), QStringLiteral("iType, remove"), QStringLiteral("Merge 2&3"), kEdit};
    question.editableText = shownText(curString);
    for (;;) {
        const DeveloperAnswer answer = developerPrompt()->ask(question);
        switch (answer.button) {
        case 0: return true;
        case 1: string.replace(range.location, range.length, components.join(QLatin1Char(','))); return false;
        case 2:
            string.replace(range.location, range.length,
                           QStringLiteral("<itype>%1,%2 %3,%4</itype>")
                               .arg(components.at(0), components.at(1), components.at(2), components.at(3)));
            return false;
        case 3: {
            const EditOutcome outcome = applyEdit(string, curString, range, answer.editedText);
            if (outcome == EditOutcome::Malformed) {
                question.editableText = answer.editedText;
                continue;
            }
            return outcome != EditOutcome::Applied;
        }
        default: DSLog("button not handled %li", qint64(1000 + answer.button)); return true;
        }
    }
}
