// Meanings, examples and the sense tree of the elementary converter.

#include "dictsource/ElementaryRuleData.h"
#include "dictsource/LatinSourceRules.h"

#include "app/logging/LGLog.h"
#include "dictsource/NBSourceXMLParser.h"

#include <QFile>
#include <QHash>

using latinsource::kEmDash;

namespace {
constexpr QStringView kExampleTrim = u" ,;.:\n\r\t";

QStringList piecesOf(const QString& text, QStringView separators) {
    // Pieces are copied whole rather than a character at a time: sense
    // texts are long and this runs on each of them.
    QStringList out;
    auto separates = [&](QChar c) {
        for (const QChar s : separators)
            if (s == c) return true;
        return false;
    };
    const qsizetype n = text.size();
    qsizetype start = 0;
    for (qsizetype i = 0; i <= n; ++i) {
        if (i < n && !separates(text.at(i))) continue;
        const qsizetype length = i - start;
        if (length > 0 && !(length == 1 && text.at(start) == u' ')) out << text.mid(start, length);
        start = i + 1;
    }
    return out;
}

bool beginsWithDash(const QString& s) { return DictionaryXMLParser::stringBeginsWithHyphen(s); }

// The bundled correction sets; a bad line is logged with its file and line.
QHash<QString, QSet<QString>> readTextSets() {
    QHash<QString, QSet<QString>> sets;
    QStringList errors;
    QFile file(QStringLiteral(":/dictsource/ElementaryTextSets.txt"));
    if (!file.open(QIODevice::ReadOnly)) errors << QStringLiteral("ElementaryTextSets.txt: cannot be read");
    else elementarydata::parseTextSets(QStringLiteral("ElementaryTextSets.txt"), QString::fromUtf8(file.readAll()), sets, errors);
    for (const QString& e : errors) LGLog::logMessage(false, e, 3, 1, 0, __FILE__, Q_FUNC_INFO, quint64(__LINE__), nullptr);
    return sets;
}
}  // namespace

const QSet<QString>& NBSourceXMLParser::textSet(const QString& name) {
    static const QHash<QString, QSet<QString>> sets = readTextSets();
    static const QSet<QString> empty;
    const auto it = sets.constFind(name);
    return it == sets.constEnd() ? empty : *it;
}

void NBSourceXMLParser::parseSense() {
    if (rawString().isNull()) return;
    const DictionaryEntryPtr entry = curEntry();
    // Line breaks of an indented source are trimmed with the punctuation.
    QString text = trimmed(rawString(), u" ,.:\n\r\t");
    if (entry) {
        if (text.startsWith(u"conj.") || text.startsWith(u"conj, ")) {
            text.remove(0, 6);
            entry->setType(DictionaryEntry::Conjunction);
        } else if (text.contains(u"interj")) {
            auto label = [&](const QString& l) {
                if (entry->type() == 0) entry->setType(DictionaryEntry::Interjection);
                text.remove(l);
            };
            if (text.contains(u"interj.,")) label(QStringLiteral("interj.,"));
            else if (text.startsWith(u"interj, ")) label(QStringLiteral("interj, "));
            else if (text.contains(u"interj,") || text.contains(u"interj.") || text == u"interj") {
                if (entry->type() == 0) entry->setType(DictionaryEntry::Interjection);
            }
        }
        if (text.startsWith(u"P. of ") || text.startsWith(u"PP. of ")) {
            addNote(text);
            entry->setType(DictionaryEntry::Participle);
            clearCurString();
            return;
        }
        if (text.startsWith(u"perf. of ")) {
            addNote(text);
            entry->setType(DictionaryEntry::Note);
            clearCurString();
            return;
        }
        if (text == u"conj") {
            entry->setType(DictionaryEntry::Conjunction);
            clearCurString();
            return;
        }
    }
    if (text.isEmpty()) {
        clearCurString();
        return;
    }
    if (text.startsWith(u"disbefore")) text.insert(3, QLatin1Char(' '));
    auto meaning = DictionaryEntry::make();
    QString prefix = meaningPrefix_.isNull() ? QStringLiteral("") : meaningPrefix_;
    if (!iType_.isNull() && iTypePrependSet().contains(iType_)) {
        prefix = iType_ + QLatin1Char(' ') + prefix;
        if (entry && (iType_ == u"see" || iType_ == u"in words compounded with" || iType_ == u"a suffix of"))
            entry->setType(DictionaryEntry::Redirect);
        iType_ = QString();
    }
    const QString full = prefix + text;
    if (full.size() >= 2) {
        const QStringList pieces = piecesOf(full, u":");
        if (!pieces.isEmpty()) {
            enterSense(pieces.first(), meaning);
            for (qsizetype i = 1; i < pieces.size(); ++i) addExample(pieces.at(i), true, meaning);
        }
    }
    clearCurString();
}

void NBSourceXMLParser::addSense(const QString& text) {
    const QString saved = rawString();
    setCurString(text);
    parseSense();
    setCurString(saved);
}

void NBSourceXMLParser::addSubMeaning(const QString& text) {
    addSense(text);
    const DictionaryEntryPtr entry = curEntry();
    if (!entry) return;
    const DictionaryEntryPtr last = entry->lastChild();
    if (!last) return;
    entry->removeChild(last);
    if (const DictionaryEntryPtr meaning = entry->lastSense()) meaning->addChild(last);
    else entry->addChild(last);
}

void NBSourceXMLParser::enterSense(const QString& text, const DictionaryEntryPtr& meaning) {
    const QString t = trimmed(text, kExampleTrim);
    if (t.isEmpty()) return;
    const QStringList pieces = piecesOf(t, QStringView(&kEmDash, 1));
    if (pieces.isEmpty()) return;
    const QString words = trimmed(trimMultilineString(pieces.first()), kExampleTrim);
    meaning->setType(DictionaryEntry::Meaning);
    curMeaning_ = meaning;
    if (t.startsWith(kEmDash)) meaning->setEntry(QStringLiteral("-") + words);
    else setEntry(words, meaning);
    addSense(meaning, curSenseLevel_, initialSenseLevel_.value_or(0), curEntry());
    for (qsizetype i = 1; i < pieces.size(); ++i)
        if (pieces.at(i).size() >= 2) addExample(kEmDash + pieces.at(i), false, curMeaning_);
}

void NBSourceXMLParser::setEntry(const QString& text, const DictionaryEntryPtr& meaning) {
    const QStringList pieces = piecesOf(text, u";:");
    if (pieces.isEmpty()) return;
    meaning->setEntry(pieces.first());
    for (qsizetype i = 1; i < pieces.size(); ++i) addExample(pieces.at(i), false, meaning);
}

void NBSourceXMLParser::addSense(const DictionaryEntryPtr& meaning, int level, int startLevel,
                                 DictionaryEntryPtr entry) {
    int start = startLevel;
    while (entry) {
        const DictionaryEntryPtr last = entry->lastChild();
        if (last && last->type() == DictionaryEntry::Meaning && beginsWithDash(meaning->entry())) {
            if (beginsWithDash(last->entry())) {
                const DictionaryEntryPtr parent = entry->type() == DictionaryEntry::Meaning ? entry->parent() : entry;
                if (parent) parent->addChild(meaning);
            } else {
                last->addChild(meaning);
            }
            return;
        }
        const int s = start == 0 ? 1 : start;
        // A level with no meaning above it to hang from stays at the
        // deepest one there is rather than being lost.
        if (s >= level || !last) {
            entry->addChild(meaning);
            return;
        }
        entry = last;
        start = s + 1;
    }
}

DictionaryEntryPtr NBSourceXMLParser::lastMeaningEntry(const DictionaryEntryPtr& entry) {
    if (!entry) return nullptr;
    const DictionaryEntryPtr last = entry->lastChild();
    return last && last->type() == DictionaryEntry::Meaning ? last : nullptr;
}

void NBSourceXMLParser::addExample(const QString& text, bool testForeign, DictionaryEntryPtr target) {
    if (text.isNull()) return;
    // An example met outside any open meaning belongs to the entry's last
    // meaning, or to the entry itself, rather than to nothing.
    if (!target && curEntry()) {
        target = curEntry()->lastSense();
        if (!target) target = curEntry();
    }
    const bool targetWasCurMeaning = target && target == curMeaning_;
    for (const QString& piece : piecesOf(text, u";:")) {
        const QString words = trimMultilineString(piece);
        if (words.isEmpty()) continue;
        auto node = DictionaryEntry::make();
        if (beginsWithDash(words)) {
            node->setType(DictionaryEntry::Meaning);
            if (target && beginsWithDash(target->entry()))
                if (auto parent = target->parent()) target = parent;
        } else {
            node->setType(DictionaryEntry::Example);
        }
        node->setEntry(words);
        if (target) target->addChild(node);
        if (testForeign) node->setForeignFlag(true);
        if (words.startsWith(kEmDash)) {
            target = node;
            if (targetWasCurMeaning) curMeaning_ = node;
        }
    }
    latinExampleText_ = QString();
}

void NBSourceXMLParser::finishExample(const QString& raw) {
    const QString text = trimmed(raw, kExampleTrim);
    if (text.isEmpty()) return;
    if (curMeaning_ && curMeaning_->childCount() > 0) {
        fallbackExample(text, curMeaning_->lastChild());
        return;
    }
    using elementarydata::ShapedSet;
    static const ShapedSet appendSource(appendSourceSet()), meanings(meaningSet()),
        foreignExamples(newForeignExampleSet()), appendPrevious(appendPreviousSet()), notes(noteSet());
    if (appendSource.contains(text)) {
        if (curMeaning_) curMeaning_->setEntry(curMeaning_->entry() + QStringLiteral(", ") + text);
    } else if (beginsWithDash(text)) {
        if (text.size() >= 2) addSense(text);
    } else if (!curMeaning_) {
    } else if (meanings.contains(text)) {
        addSense(text);
    } else if (foreignExamples.contains(text)) {
        addForeignExample(text);
    } else if (appendPrevious.contains(text)) {
        appendToPrevSense(text);
    } else if (notes.contains(text)) {
        addNote(text);
    } else {
        addExample(text, false, curMeaning_);
    }
}

void NBSourceXMLParser::fallbackExample(const QString& text, const DictionaryEntryPtr& previous) {
    QStringList pieces = piecesOf(text, QStringView(&kEmDash, 1));
    if (pieces.isEmpty()) return;
    const QString first = trimmed(trimMultilineString(pieces.first()), kExampleTrim);
    if (previous && previous->translation().isEmpty() && !text.startsWith(kEmDash)) {
        if (previous->isForeign()) {
            finishSubExample(first);
        } else if (newExampleSet().contains(first)) {
            addExample(first, false, curMeaning_);
        } else if (subExampleSet().contains(text)) {
            finishSubExample(first);
        } else if (first == u"In composition 2 in- has the same forms as the praep. 1 in, but loses the n before gn-") {
            if (const DictionaryEntryPtr entry = curEntry()) {
                entry->setType(DictionaryEntry::Particle);
                if (const DictionaryEntryPtr sense = entry->firstSense())
                    sense->setEntry(QStringLiteral("an inseparable particle ") + sense->entry());
            }
        } else {
            addSense(first);
        }
        pieces.removeFirst();
    }
    for (const QString& piece : pieces)
        if (piece.size() >= 2) addExample(kEmDash + piece, false, curMeaning_);
}

void NBSourceXMLParser::finishSubExample(const QString& text) {
    if (text.isEmpty() || !curMeaning_) return;
    const DictionaryEntryPtr example = curMeaning_->lastChild();
    const QStringList parts = text.split(QLatin1Char(':'));
    const QString first = trimMultilineString(parts.first());
    qsizetype rest = 0;
    auto newExampleOf = [&](const QString& t) {
        if (t.size() >= 2) addExample(t, false, curMeaning_);
    };
    if (example && example->translation().isEmpty()) {
        const QStringList segments = first.split(QStringLiteral("; "));
        example->setTranslation(QLatin1Char(' ') + segments.first());
        QString run;
        bool pending = false;
        for (qsizetype i = 1; i < segments.size(); ++i) {
            const QString& seg = segments.at(i);
            if (seg.contains(QLatin1Char('('))) {
                run = pending ? run + QStringLiteral("; ") + seg : seg;
                pending = true;
            } else if (pending) {
                run += QStringLiteral("; ") + seg;
                if (seg.contains(QLatin1Char(')'))) {
                    newExampleOf(run);
                    pending = false;
                    run.clear();
                }
            } else {
                newExampleOf(seg);
            }
        }
        if (pending) newExampleOf(run);
        rest = 1;
    }
    for (qsizetype i = rest; i < parts.size(); ++i) newExampleOf(parts.at(i));
}

void NBSourceXMLParser::addForeignExample(const QString& text) {
    const QStringList pieces = piecesOf(text, QStringView(&kEmDash, 1));
    if (pieces.isEmpty()) return;
    addExample(pieces.first(), false, curMeaning_);
    for (qsizetype i = 1; i < pieces.size(); ++i) addSense(kEmDash + pieces.at(i));
}

void NBSourceXMLParser::appendToPrevSense(const QString& text) {
    const QStringList pieces = piecesOf(text, QStringView(&kEmDash, 1));
    if (pieces.isEmpty()) return;
    if (curMeaning_) curMeaning_->setEntry(curMeaning_->entry() + QLatin1Char(' ') + pieces.first());
    for (qsizetype i = 1; i < pieces.size(); ++i) addSense(kEmDash + pieces.at(i));
}

void NBSourceXMLParser::addEtymology(const QString& text) {
    const DictionaryEntryPtr entry = curEntry();
    if (!entry || text.size() < 3) return;
    const QString t = text.trimmed();
    auto node = DictionaryEntry::make(t, DictionaryEntry::Etymology);
    if (t.startsWith(u"P. of")) entry->setType(DictionaryEntry::Participle);
    entry->addChild(node);
}

DictionaryEntryPtr NBSourceXMLParser::firstMeaningChild() const {
    const DictionaryEntryPtr entry = curEntry();
    return entry ? entry->firstChildOfType(DictionaryEntry::Meaning) : nullptr;
}

DictionaryEntryPtr NBSourceXMLParser::firstSense() const {
    const DictionaryEntryPtr entry = curEntry();
    if (!entry) return nullptr;
    const auto& children = entry->childList();
    for (auto it = children.rbegin(); it != children.rend(); ++it)
        if (*it && (*it)->type() == DictionaryEntry::Meaning) return *it;
    return nullptr;
}

void NBSourceXMLParser::checkFirstSenseForValidity() {
    const DictionaryEntryPtr first = firstMeaningChild();
    if (!first) return;
    const QString text = trimmed(first->entry(), u";, :.");
    if (!text.isEmpty()) first->setEntry(text);
    else first->promoteChildren();
}

bool NBSourceXMLParser::checkForTag(const QString& tag, int type, bool deleteTag) {
    const DictionaryEntryPtr entry = curEntry();
    if (!entry || tag.isEmpty()) return false;
    // The list is only read here (texts change, children do not).
    const DictionaryEntryList& children = entry->childList();
    for (const auto& child : children) {
        if (!child) continue;
        const QString text = child->entry();
        const qsizetype n = std::min(tag.size() + 3, text.size());
        const qsizetype at = QStringView(text).left(n).indexOf(tag);
        if (at < 0) continue;
        entry->setType(type);
        if (deleteTag) {
            child->setEntry(text.mid(at + tag.size()));
            checkFirstSenseForValidity();
        }
        return true;
    }
    return false;
}

bool NBSourceXMLParser::checkForRedirect(const QString& word, bool exactEntry) {
    const DictionaryEntryPtr entry = curEntry();
    if (!entry) return false;
    // The list is only read here (texts change, children do not).
    const DictionaryEntryList& children = entry->childList();
    for (const auto& child : children) {
        if (!child) continue;
        const QString before = child->entry();
        const QString text = trimmed(before, u");, :.");
        if (text.size() != before.size()) child->setEntry(text);
        bool hit;
        if (exactEntry) hit = text == word;
        else hit = !word.isEmpty() && QStringView(text).left(std::min(word.size() + 3, text.size())).contains(word);
        if (hit) {
            entry->setType(DictionaryEntry::Redirect);
            return true;
        }
    }
    return false;
}
