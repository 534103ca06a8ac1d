#include "dictionaries/PreparedFormList.h"

#include "dictionaries/TSDictionary.h"
#include "platform/Memory.h"
#include "platform/PropertyList.h"
#include "morphology/Adjective.h"
#include "morphology/LatinText.h"
#include "morphology/TaggedForms.h"
#include "morphology/Verb.h"
#include "morphology/VowelLength.h"
#include "morphology/Word.h"

#include "app/logging/LGLog.h"

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <functional>

namespace {

using PreparedFormList::Summary;

// Raised whenever the forms the generator writes change, so that lists made
// by an earlier version are made again.
constexpr int kGeneratorVersion = 4;
const QByteArray kHeaderPrefix = QByteArrayLiteral("# Tessarin word forms ");
constexpr int kRefusedSamples = 40;

// The entry's principal parts on one line: white space as single blanks, a
// part cut by a line break after its hyphen ("-a -\n\t\tum") joined again,
// and no hyphen left inside a word.
QString principalParts(const QString& text) {
    QString out;
    out.reserve(text.size());
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n) {
        if (!text.at(i).isSpace()) {
            out.append(text.at(i++));
            continue;
        }
        bool lineBreak = false;
        for (; i < n && text.at(i).isSpace(); ++i)
            if (text.at(i) == u'\n') lineBreak = true;
        if (lineBreak && out.endsWith(QLatin1String(" -"))) continue;
        if (!out.isEmpty() && i < n) out.append(u' ');
    }
    return LatinText::withoutWordHyphens(out);
}

// The lemma: the entry's key without its length marks, keeping the number
// that tells homographs apart (malum1, malum2).
QByteArray lemmaOf(const DictionaryEntry& entry, const QString& parts) {
    QString key = entry.key();
    if (key.isEmpty()) key = parts.section(u' ', 0, 0);
    key.remove(u'^');
    key.remove(u'_');
    return foldLatinString(key).toUtf8();
}

// The headword of a word that does not inflect: its first word, without an
// "(indecl)" note.
QString headwordOf(const QString& parts) {
    QString head = parts.section(u' ', 0, 0);
    while (head.endsWith(u',')) head.chop(1);
    return head;
}

bool isIndeclinable(const QString& parts) { return parts.contains(QLatin1String("(indecl")); }

char partOfSpeechLetter(int type) {
    switch (type) {
    case DictionaryEntry::Noun: return 'n';
    case DictionaryEntry::Verb: return 'v';
    case DictionaryEntry::Adjective:
    case DictionaryEntry::Participle:
    case DictionaryEntry::ParticipialAdjective: return 'a';
    case DictionaryEntry::Adverb:
    case DictionaryEntry::AdverbAndPreposition: return 'd';
    case DictionaryEntry::Conjunction: return 'c';
    case DictionaryEntry::Preposition: return 'r';
    case DictionaryEntry::Pronoun: return 'p';
    case DictionaryEntry::Interjection: return 'e';
    case DictionaryEntry::Numeral: return 'm';
    default: return 0;
    }
}

// A participle or participial adjective given without its declension:
// "-ns" words decline like amāns, "-us" words like bonus.
void addParticipleForms(TaggedFormList& forms, const QString& parts) {
    const QString head = headwordOf(parts);
    Adjective adjective;
    if (head.endsWith(QLatin1String("ns")) && head.size() > 3) {
        QString stem = head.chopped(2);
        const QChar last = stem.back();
        static const QString longVowels = QStringLiteral("\u0101\u0113\u012B\u014D\u016B");
        static const QString shortVowels = QStringLiteral("aeiou");
        const qsizetype at = longVowels.indexOf(last);
        if (at >= 0) stem[stem.size() - 1] = shortVowels.at(at);
        adjective.setLatin(head + QLatin1Char(' ') + stem + QStringLiteral("ntis"));
        adjective.setConjugation(3);
    } else if (head.endsWith(QLatin1String("us")) && head.size() > 3) {
        adjective.setLatin(head + QStringLiteral(" -a -um"));
        adjective.setConjugation(1);
    } else {
        return;
    }
    TaggedForms::addAdjectiveForms(forms, adjective);
}

void countRefused(Summary* s, const DictionaryEntry& entry, const QString& parts) {
    ++s->refused;
    ++s->refusedByType[entry.type()];
    if (s->refusedSamples.size() < kRefusedSamples)
        s->refusedSamples << QStringLiteral("%1 (type %2)").arg(parts).arg(entry.type());
}

QByteArray readHeader(const QString& listPath) {
    QFile file(listPath);
    if (!file.open(QIODevice::ReadOnly)) return QByteArray();
    return file.readLine(4096).trimmed();
}

QByteArray headerFor(const QString& stamp) {
    return kHeaderPrefix + QByteArray::number(kGeneratorVersion) + " from " + stamp.toUtf8();
}

// Lines are written in pieces of about this size.
constexpr qsizetype kWritePiece = 1 << 20;

// Hands every entry of the prepared dictionary's file to `use`, one at a
// time, each let go before the next is made: all of them at once cost many
// times the file. *seconds is the time spent reading and parsing the file.
bool forEachEntry(const QString& path, double* seconds, QString* error,
                  const std::function<void(const DictionaryEntry&)>& use) {
    QElapsedTimer timer;
    timer.start();
    ts::Value root;
    {
        QFile file(path);
        QByteArray data;
        if (file.open(QIODevice::ReadOnly)) data = file.readAll();
        if (data.isEmpty()) {
            *error = QStringLiteral("%1: the dictionary could not be read").arg(path);
            return false;
        }
        ts::PlistResult parsed = ts::PropertyList::read(data);
        if (!parsed.ok() || !parsed.value.isDictionary()) {
            *error = QStringLiteral("%1: the dictionary could not be read: %2")
                         .arg(path, parsed.ok() ? QStringLiteral("its top is not a dictionary") : parsed.error);
            return false;
        }
        root = std::move(parsed.value);
    }
    *seconds = double(timer.nsecsElapsed()) / 1e9;
    ts::ValueDictionary& top = root.dictionary();
    const auto words = top.find(TSDictionary::kWordsKey);
    if (words == top.end() || !words->second.isArray()) {
        *error = QStringLiteral("%1: the dictionary holds no entries").arg(path);
        return false;
    }
    for (ts::Value& element : words->second.array()) {
        // As the dictionary reads its file: elements that are not an
        // entry's dictionary are passed over.
        if (element.isDictionary())
            if (const DictionaryEntryPtr entry = DictionaryEntry::entryFromSerializedData(std::move(element))) use(*entry);
        element = ts::Value();
    }
    return true;
}

}  // namespace

namespace PreparedFormList {

QString Summary::text() const {
    QStringList lines;
    lines << QStringLiteral("entries: %1").arg(entries)
          << QStringLiteral("inflected: %1").arg(inflected)
          << QStringLiteral("entered as their headword: %1").arg(oneForm)
          << QStringLiteral("without a word class: %1").arg(untyped)
          << QStringLiteral("cross-references and misspellings: %1").arg(notWords)
          << QStringLiteral("refused by the grammar engine: %1").arg(refused)
          << QStringLiteral("verb parts left out, as they could not be placed on the stem: %1").arg(partsLeftOut);
    QStringList byType;
    for (const auto& [type, count] : refusedByType) byType << QStringLiteral("type %1: %2").arg(type).arg(count);
    if (!byType.isEmpty()) lines << QStringLiteral("refused by word class: %1").arg(byType.join(QStringLiteral(", ")));
    lines << QStringLiteral("lines: %1").arg(this->lines);
    return lines.join(u'\n');
}

bool appendEntryForms(QByteArray& out, const DictionaryEntry& entry, Summary* s) {
    Summary scratch;
    if (!s) s = &scratch;
    ++s->entries;
    const int type = entry.type();
    const QString parts = principalParts(entry.entry());
    if (type == DictionaryEntry::Uninitialised) {
        ++s->untyped;
        return false;
    }
    if (type == DictionaryEntry::Redirect || type == DictionaryEntry::Misspelling) {
        ++s->notWords;
        return false;
    }
    const char pos = partOfSpeechLetter(type);
    if (!pos || parts.isEmpty()) {
        countRefused(s, entry, parts);
        return false;
    }

    TaggedFormList forms;
    bool inflects = true;
    const bool indeclinable = isIndeclinable(parts);
    switch (type) {
    case DictionaryEntry::Noun:
        if (!indeclinable && entry.gender() >= 1 && entry.conjugation() >= 1) {
            Word noun;
            noun.setLatin(parts);
            noun.setConjugation(entry.conjugation());
            noun.setGender(entry.gender());
            noun.setWordType(WordCode::Noun);
            TaggedForms::addNounForms(forms, noun);
        } else {
            inflects = false;
        }
        break;
    case DictionaryEntry::Adjective:
        if (!indeclinable && entry.conjugation() >= 1 && entry.conjugation() <= 3) {
            Adjective adjective;
            adjective.setLatin(parts);
            adjective.setConjugation(entry.conjugation());
            TaggedForms::addAdjectiveForms(forms, adjective);
        } else {
            inflects = false;
        }
        break;
    case DictionaryEntry::Verb:
        if (entry.conjugation() >= 1) {
            Verb verb;
            verb.setLatin(parts);
            verb.setConjugation(entry.conjugation());
            s->partsLeftOut += verb.unplacedPrincipalParts();
            TaggedForms::addVerbForms(forms, verb);
        } else {
            inflects = false;
        }
        break;
    case DictionaryEntry::Participle:
    case DictionaryEntry::ParticipialAdjective:
        addParticipleForms(forms, parts);
        break;
    case DictionaryEntry::Pronoun: {
        // Pronouns whose table the engine has (tū, hīc, quis); the plain
        // headword names it.
        QString plain = foldLatinString(headwordOf(parts)).toLower();
        while (!plain.isEmpty() && plain.back().isDigit()) plain.chop(1);
        TaggedForms::addPronounForms(forms, plain);
        break;
    }
    default:
        inflects = false;
        break;
    }

    const QByteArray lemma = lemmaOf(entry, parts);
    if (!inflects) {
        // Words that do not inflect enter once, as their headword; a
        // declinable word without its declension is refused.
        const bool oneForm = indeclinable || (type != DictionaryEntry::Noun && type != DictionaryEntry::Adjective &&
                                              type != DictionaryEntry::Verb &&
                                              (type != DictionaryEntry::Numeral || !parts.contains(u' ')));
        if (!oneForm) {
            countRefused(s, entry, parts);
            return false;
        }
        const QString head = headwordOf(parts);
        if (head.isEmpty() || head.contains(u'-')) {
            countRefused(s, entry, parts);
            return false;
        }
        s->lines += TaggedForms::appendSourceLines(out, {head, TaggedForms::tag(pos)}, lemma);
        ++s->oneForm;
        return true;
    }
    if (forms.empty()) {
        countRefused(s, entry, parts);
        return false;
    }
    for (const TaggedForm& form : forms) s->lines += TaggedForms::appendSourceLines(out, form, lemma);
    ++s->inflected;
    return true;
}

void appendForms(QByteArray& out, const DictionaryEntryList& words, Summary* summary) {
    for (const DictionaryEntryPtr& entry : words)
        if (entry) appendEntryForms(out, *entry, summary);
}

QString dictionaryStamp(const QString& path) {
    const QFileInfo info(path);
    if (!info.isFile()) return QString();
    return QStringLiteral("%1|%2|%3")
        .arg(info.absoluteFilePath())
        .arg(info.size())
        .arg(info.lastModified().toMSecsSinceEpoch());
}

bool isCurrent(const QString& listPath, const QString& dictionaryPath) {
    const QString stamp = dictionaryStamp(dictionaryPath);
    return !stamp.isEmpty() && readHeader(listPath) == headerFor(stamp);
}

bool write(const QString& dictionaryPath, const QString& listPath, Summary* summary, QString* error) {
    QElapsedTimer timer;
    timer.start();
    Summary scratch;
    if (!summary) summary = &scratch;
    const auto fail = [&](const QString& why) {
        if (error) *error = why;
        return false;
    };
    const QString stamp = dictionaryStamp(dictionaryPath);
    if (stamp.isEmpty()) return fail(QStringLiteral("%1: no such dictionary").arg(dictionaryPath));
    QDir().mkpath(QFileInfo(listPath).absolutePath());
    double loaded = 0;
    QString why;
    const auto makeList = [&] {
        QSaveFile file(listPath);
        if (!file.open(QIODevice::WriteOnly)) {
            why = QStringLiteral("%1: %2").arg(listPath, file.errorString());
            return false;
        }
        const QByteArray header = headerFor(stamp) + '\n';
        bool ok = file.write(header) == header.size();
        QByteArray lines;
        lines.reserve(kWritePiece + kWritePiece / 4);
        // Each entry's lines go out as they are made: the whole list held
        // at once would cost as much as the dictionary.
        const bool read = forEachEntry(dictionaryPath, &loaded, &why, [&](const DictionaryEntry& entry) {
            appendEntryForms(lines, entry, summary);
            if (lines.size() < kWritePiece) return;
            ok = ok && file.write(lines) == lines.size();
            lines.clear();
        });
        if (!read) return false;
        if (summary->lines == 0) {
            why = QStringLiteral("%1: no entry gave a form").arg(dictionaryPath);
            return false;
        }
        // The summary is known only once every entry is read, so it ends
        // the list; the first line, which says whether the list is current,
        // is written first.
        for (const QString& line : summary->text().split(u'\n')) lines += "# " + line.toUtf8() + '\n';
        ok = ok && file.write(lines) == lines.size();
        if (!ok || !file.commit()) {
            why = QStringLiteral("%1: %2").arg(listPath, file.errorString());
            return false;
        }
        return true;
    };
    const bool written = makeList();
    // What the dictionary's entries took is free again, in many small
    // pieces that the allocator would otherwise keep: the list's own load
    // follows in the same process.
    ts::releaseFreeMemory();
    if (!written) return fail(why);
    TSLogError("Made the word-form list %@ from %@ in %0.2f s (reading the dictionary %0.2f s)", listPath,
               dictionaryPath, double(timer.nsecsElapsed()) / 1e9, loaded);
    TSLogError("%@", summary->text());
    return true;
}

QString bringUpToDate(const QString& dictionaryPath, const QString& listPath) {
    if (dictionaryPath.isEmpty() || listPath.isEmpty()) return QString();
    const bool haveList = QFileInfo(listPath).isFile();
    if (!QFileInfo(dictionaryPath).isFile()) return haveList ? listPath : QString();
    if (isCurrent(listPath, dictionaryPath)) return listPath;
    QString error;
    if (write(dictionaryPath, listPath, nullptr, &error)) return listPath;
    TSLogError("The word-form list could not be made: %@", error);
    return haveList ? listPath : QString();
}

}  // namespace PreparedFormList
