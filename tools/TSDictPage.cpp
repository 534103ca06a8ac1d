#include "TSDictPage.h"

#include "app/core/TSBundle.h"
#include "app/logging/LGLog.h"
#include "dictionaries/TSDictionary.h"
#include "morphology/Adjective.h"
#include "morphology/Verb.h"
#include "morphology/Word.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QUrl>

namespace {

int ordinal(const QString& token) {
    static const QStringList codes = {QStringLiteral("(1st)"), QStringLiteral("(2nd)"), QStringLiteral("(3rd)"),
                                      QStringLiteral("(4th)"), QStringLiteral("(5th)")};
    const qsizetype i = codes.indexOf(token);
    return i < 0 ? -1 : int(i) + 1;
}

int genderCode(const QString& token) {
    if (token == QLatin1String("m")) return 1;
    if (token == QLatin1String("f")) return 2;
    if (token == QLatin1String("n")) return 3;
    if (token == QLatin1String("c") || token == QLatin1String("x")) return 4;
    return 0;
}

bool isMarker(const QString& t) {
    static const QSet<QString> markers = {QStringLiteral("n"),      QStringLiteral("u"),    QStringLiteral("adi"),
                                          QStringLiteral("adu"),    QStringLiteral("prep"), QStringLiteral("coni"),
                                          QStringLiteral("interi"), QStringLiteral("abb."), QStringLiteral("pron"),
                                          QStringLiteral("num"),    QStringLiteral("pack")};
    return markers.contains(t);
}

QStringList nonEmpty(const QStringList& tokens) {
    QStringList out;
    for (const QString& t : tokens)
        if (!t.isEmpty()) out.append(t);
    return out;
}

// A form the tables write with two endings ("abbatialēs/īs") is two words:
// the first whole, the second with its ending in place of the first's
// ending of the same length. A piece at least as long as the first word is
// a word of its own.
void insertForm(QSet<QString>& target, const QString& form) {
    if (!form.contains(QLatin1Char('/'))) {
        target.insert(form);
        return;
    }
    const QStringList pieces = form.split(QLatin1Char('/'));
    const QString first = pieces.first();
    if (first.isEmpty()) return;
    target.insert(first);
    for (qsizetype i = 1; i < pieces.size(); ++i) {
        const QString& piece = pieces[i];
        if (piece.isEmpty()) continue;
        target.insert(piece.size() >= first.size() ? piece : first.left(first.size() - piece.size()) + piece);
    }
}

}  // namespace

QString TSDictPageAnalysis::bundledPage() {
    auto readAscii = [](const QString& path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? QString::fromLatin1(f.readAll()) : QString();
    };
    const QString raw = TSBundle::pathForResource(QStringLiteral("DICTPAGE"), QStringLiteral("RAW"));
    if (!raw.isEmpty()) return readAscii(raw);
    const QString zip = TSBundle::pathForResource(QStringLiteral("DICTPAGE.RAW"), QStringLiteral("zip"));
    QTemporaryDir dir;
    if (zip.isEmpty() || !dir.isValid() || !TSDictionary::unzip(QUrl::fromLocalFile(zip), QUrl::fromLocalFile(dir.path()))) {
        TSLogError("No dictionary page to read");
        return {};
    }
    return readAscii(QDir(dir.path()).filePath(QStringLiteral("DICTPAGE.RAW")));
}

void TSDictPageAnalysis::analyseText(const QString& page) {
    QString s = page.toLower();
    s.replace(QLatin1Char('v'), QLatin1Char('u'));
    s.replace(QLatin1Char('j'), QLatin1Char('i'));
    for (const QString& line : s.split(QLatin1Char('\n'))) {
        if (!line.trimmed().isEmpty()) analyseLine(line);
    }
}

void TSDictPageAnalysis::analyseLine(const QString& foldedLine) {
    static const QRegularExpression space(QStringLiteral("\\s+"));
    QString line = foldedLine;
    line.remove(QLatin1Char(','));
    const QStringList tokens = line.split(space);
    if (tokens.isEmpty() || tokens.first().isEmpty()) return;  // no parts
    QStringList parts;
    for (qsizetype i = 0; i < tokens.size(); ++i) {
        QString t = tokens[i];
        if (t.isEmpty()) continue;
        if (i == 0) {
            t.remove(QLatin1Char('#'));
            parts.append(t);
            continue;
        }
        if (isMarker(t)) {
            ++entries;
            if (t == QLatin1String("n"))
                addNounForms(parts, allForms, tokens);
            else if (t == QLatin1String("u"))
                addVerbForms(parts, tokens);
            else if (t == QLatin1String("adi"))
                addAdjectiveForms(parts, tokens);
            else if (t == QLatin1String("pron"))
                addPronouns(parts);
            else if (t == QLatin1String("num"))
                addNumbers(parts);
            else if (t != QLatin1String("pack"))
                insertForm(allForms, parts.first());
            return;
        }
        parts.append(t);
        if (parts.size() >= 12) TSLogError("Too long, %@", parts.join(QLatin1Char(' ')));
    }
}

void TSDictPageAnalysis::addNounForms(const QStringList& parts, QSet<QString>& target, const QStringList& tokens) {
    int d = 0;
    int g = 0;
    bool genderRead = false;
    bool afterMarker = false;
    bool done = false;
    for (const QString& t : nonEmpty(tokens)) {
        if (!afterMarker) {
            if (t == QLatin1String("n")) {
                afterMarker = true;
            } else if (t == QLatin1String("undeclined")) {
                if (!parts.isEmpty()) insertForm(target, parts.first());
                return;
            }
            continue;
        }
        if (d == 0) {
            const int o = ordinal(t);
            if (o > 0) {
                d = o;
                continue;
            }
            d = -1;
            if (const int code = genderCode(t)) {
                g = code;
                genderRead = true;
                done = true;
                break;
            }
            if (parts.size() == 1) {
                insertForm(target, parts.first());
                return;
            }
            TSLogError("Cannot interpret %@", t);
            continue;
        }
        if (const int code = genderCode(t)) {
            g = code;
            genderRead = true;
        } else {
            TSLogError("Cannot interpret gender %@", t);
            g = 0;
        }
        done = true;
        break;
    }
    Q_UNUSED(done);
    if (parts.isEmpty() || d == 0) return;
    Word word;
    word.setLatin(parts.size() >= 2 ? parts[0] + QLatin1Char(' ') + parts[1] : parts[0]);
    if (d > 0) word.setConjugation(d);
    word.setGender(g);
    word.setWordType(1);
    if (genderRead && d >= 1)
        addNounForms(word, target);
    else
        wordLookups.insert(word.latin());
}

void TSDictPageAnalysis::addNounForms(const Word& noun, QSet<QString>& target) {
    for (bool singular : {true, false})
        for (qint64 c = 1; c <= 6; ++c) {
            const QString form = noun.getDeclinedValue(c, singular, WordCode::AnyGender, false);
            if (!form.isNull()) insertForm(target, form);
        }
}

void TSDictPageAnalysis::addVerbForms(const QStringList& parts, const QStringList& tokens) {
    addInflectedForms<Verb>(parts, tokens, QStringLiteral("u"), 2, &Verb::addVerbForms);
}

void TSDictPageAnalysis::addAdjectiveForms(const QStringList& parts, const QStringList& tokens) {
    addInflectedForms<Adjective>(parts, tokens, QStringLiteral("adi"), 3, &Adjective::addAdjectiveForms);
}

// The marker is followed by the conjugation or declension; an entry whose
// number cannot be read is looked up in the analyser's dictionary instead.
template <class W, class Expand>
void TSDictPageAnalysis::addInflectedForms(const QStringList& parts, const QStringList& tokens, const QString& marker,
                                           qint64 wordType, Expand expand) {
    const QStringList t = nonEmpty(tokens);
    const qsizetype m = t.indexOf(marker, 1);
    if (m < 0 || m + 1 >= t.size() || parts.isEmpty()) return;
    const int number = ordinal(t[m + 1]);
    const QString latin = parts.join(QLatin1Char(' '));
    if (number < 1) {
        wordLookups.insert(latin);
        return;
    }
    W word;
    word.setLatin(latin);
    word.setConjugation(number);
    word.setWordType(wordType);
    QStringList forms;
    expand(forms, word);
    for (const QString& f : forms)
        if (!f.isEmpty()) insertForm(allForms, f);
}

void TSDictPageAnalysis::addPronouns(const QStringList& parts) {
    for (const QString& p : parts) insertForm(allForms, p);
}

void TSDictPageAnalysis::addNumbers(const QStringList& parts) {
    if (parts.size() == 1) insertForm(allForms, parts.first());
}
