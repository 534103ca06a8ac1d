#include "dictionaries/PreparedFormList.h"

#include "dictionaries/EntryWord.h"
#include "dictionaries/TSDictionary.h"
#include "platform/Memory.h"
#include "platform/PropertyList.h"
#include "morphology/Adjective.h"
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
constexpr int kGeneratorVersion = 5;
const QByteArray kHeaderPrefix = QByteArrayLiteral("# Tessarin word forms ");
constexpr int kRefusedSamples = 40;

// The lemma: the entry's key without its length marks, keeping the number
// that tells homographs apart (malum1, malum2).
QByteArray lemmaOf(const DictionaryEntry& entry, const QString& parts) {
    QString key = entry.key();
    if (key.isEmpty()) key = parts.section(u' ', 0, 0);
    key.remove(u'^');
    key.remove(u'_');
    return foldLatinString(key).toUtf8();
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
    const EntryWord::Result word = EntryWord::fromEntry(entry);
    const QString& parts = word.parts;
    const QByteArray lemma = lemmaOf(entry, parts);
    switch (word.outcome) {
    case EntryWord::Outcome::Untyped: ++s->untyped; return false;
    case EntryWord::Outcome::NotAWord: ++s->notWords; return false;
    case EntryWord::Outcome::Refused: countRefused(s, entry, parts); return false;
    case EntryWord::Outcome::OneForm:
        s->lines += TaggedForms::appendSourceLines(out, {word.headword, TaggedForms::tag(word.partOfSpeech)}, lemma);
        ++s->oneForm;
        return true;
    case EntryWord::Outcome::Inflected: break;
    }
    TaggedFormList forms;
    const Word& w = *word.word;
    if (!word.tableLemma.isNull()) TaggedForms::addPronounForms(forms, word.tableLemma);
    else if (auto* verb = dynamic_cast<const Verb*>(&w)) {
        s->partsLeftOut += verb->unplacedPrincipalParts();
        TaggedForms::addVerbForms(forms, *verb);
    } else if (auto* adjective = dynamic_cast<const Adjective*>(&w)) TaggedForms::addAdjectiveForms(forms, *adjective);
    else TaggedForms::addNounForms(forms, w);
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
