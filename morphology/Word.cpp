#include "morphology/Word.h"

#include "morphology/LatinText.h"
#include "morphology/MorphologyStrings.h"
#include "morphology/VerbStems.h"

#include "app/logging/LGLog.h"
#include "platform/ClassRegistry.h"
#include "platform/Coder.h"

#include <QRegularExpression>

TS_REGISTER_CLASS(Word)

namespace {

const QString kUninitialised = QStringLiteral("uninitialised");

int sign(int c) { return c < 0 ? -1 : (c > 0 ? 1 : 0); }

// Plain, case-sensitive comparison; a missing string sorts as the empty one.
int compareStrings(const QString& a, const QString& b) { return sign(QString::compare(a, b, Qt::CaseSensitive)); }

int compareTypes(qint64 a, qint64 b) { return a < b ? -1 : (a > b ? 1 : 0); }

QString genderKey(qint64 gender) {
    switch (gender) {
    case 1: return QStringLiteral("m");
    case 2: return QStringLiteral("f");
    case 3: return QStringLiteral("n");
    case 4: return QStringLiteral("c");
    case 7: return QStringLiteral("m & f");
    case 8: return QStringLiteral("m or f");
    default: return QString();
    }
}

ts::Value stringValue(const QString& s) { return s.isNull() ? ts::Value() : ts::Value(s); }
QString stringFrom(const ts::Value& v) { return v.isString() ? v.toString() : QString(); }
qint32 int32From(const ts::Value& v) { return qint32(v.toInt64()); }

}  // namespace

Word::Word() : meaning_(kUninitialised), source_(LatinText::empty()), notes_(LatinText::empty()) {}

Word::~Word() = default;

void Word::setGender(qint64 v) { gender_ = v < 0 ? 0 : v; }
void Word::setConjugation(qint64 v) { conj_ = v < 0 ? 0 : v; }
void Word::setTakenCase(qint64 v) { theCase_ = v < 0 ? 0 : v; }

void Word::setWordType(qint64 v) {
    if (v >= 111) TSLogError("Bad word type");
    wordType_ = v < 0 ? 0 : v;
}

bool Word::isInitialised() const { return meaning_ != kUninitialised; }

// ---- Ordering and display ----

int Word::compare(const Word& other, qint64 mode) const {
    switch (mode) {
    case 0: return compareStrings(latin_, other.latin_);
    case 1: return compareStrings(meaning_, other.meaning_);
    case 2: {
        const int byType = compareTypes(wordType_, other.wordType_);
        return byType ? byType : compareStrings(latin_, other.latin_);
    }
    case 3: {
        const int bySource = compareStrings(source_, other.source_);
        return bySource ? bySource : compare(other, 2);
    }
    default:
        TSLogError("bad case constant at compare");
        return 0;
    }
}

int Word::compare(const ts::Object& other) const {
    if (const auto* word = dynamic_cast<const Word*>(&other)) return compare(*word, 0);
    return ts::Object::compare(other);
}

QString Word::getGenderAsString() const {
    const QString key = genderKey(gender_);
    if (key.isNull()) return QStringLiteral(" ");
    return QLatin1Char(' ') + localizedMorphologyString(key);
}

QString Word::getCaseAsString() const {
    switch (theCase_) {
    case 1: return QStringLiteral(" +nom");
    case 2: return QStringLiteral(" +voc");
    case 3: return QStringLiteral(" +acc");
    case 4: return QStringLiteral(" +gen");
    case 5: return QStringLiteral(" +dat");
    case 6: return QStringLiteral(" +abl");
    default: return LatinText::empty();
    }
}

QString Word::getToolTipString() const {
    if (latin_.isNull()) return QString();
    QString s = latin_ + getCaseAsString() + getGenderAsString();
    if (conj_ > 0) s += QStringLiteral(" %1").arg(conj_);
    s += QLatin1Char('\r');
    s += meaning_;
    return s;
}

QString Word::getFullLatinString() const {
    if (latin_.isNull()) return QString();
    QString s = latin_ + getCaseAsString() + getGenderAsString();
    if (!notes_.isEmpty()) s += QLatin1Char(' ') + notes_;
    return s;
}

QString Word::getFullEnglishString() const {
    if (meaning_.isNull()) return QString();
    QString s = meaning_ + getCaseAsString() + getGenderAsString();
    if (!notes_.isEmpty()) s += QLatin1Char(' ') + notes_;
    return s;
}

QString Word::getStrippedExampleLatinString() const {
    if (latin_.isNull()) return LatinText::empty();
    QString copy = latin_;
    copy.detach();
    return copy;
}

QString Word::getExampleLatinString(qint64) const { return latin_; }

QString Word::meaningInOneLine() const {
    static const QRegularExpression lineBreaks(QStringLiteral("[\\r\\n\\x{2028}\\x{2029}]"));
    // A meaning of one line is shown as it is stored, blanks and all.
    if (!meaning_.contains(lineBreaks)) return meaning_;
    QStringList lines;
    for (const QString& line : meaning_.split(lineBreaks))
        if (const QString kept = line.trimmed(); !kept.isEmpty()) lines << kept;
    return lines.join(QStringLiteral("; "));
}

// ---- Principal parts ----

QString Word::getWordPart(qint32 index) const {
    if (latin_.isNull() || index < 1) return QString();
    const QStringList parts = latin_.split(QLatin1Char(' '));
    return index <= parts.size() ? parts.at(index - 1) : QString();
}

QString Word::nominativeCase() const {
    if (latin_.isEmpty()) return QString();
    const qsizetype blank = latin_.indexOf(QLatin1Char(' '));
    return blank < 0 ? latin_ : latin_.left(blank);
}

namespace {

// The parts as a grammar states them: an alternative the analyser writes in
// brackets ("ivi(ii)", "futurus()") is no part of the form, and a part made
// of brackets only stands for no part. A "-" for a part the source leaves
// out keeps its place, so the parts after it keep theirs. A verb's line
// names alternatives with "or" and "and" (-īvi and ii): the first is the
// part, the one after it no slot of its own; where such a word stands in a
// slot of its own ("-and its derivatives") the parts have ended.
QStringList principalParts(const QString& latin, bool verb) {
    QStringList parts = LatinText::splitAtWhitespace(latin);
    for (qsizetype i = 1; verb && i < parts.size();) {
        const QString& word = parts.at(i);
        if (word == QLatin1String("-or") || word == QLatin1String("-and")) parts.resize(i);
        else if (word == QLatin1String("or") || word == QLatin1String("and")) parts.remove(i, qMin<qsizetype>(2, parts.size() - i));
        else ++i;
    }
    for (qsizetype i = 0; i < parts.size();) {
        QString& part = parts[i];
        for (qsizetype open = part.indexOf(QLatin1Char('(')); open >= 0; open = part.indexOf(QLatin1Char('('))) {
            const qsizetype close = part.indexOf(QLatin1Char(')'), open);
            part.remove(open, close < 0 ? part.size() - open : close - open + 1);
        }
        if (part.isEmpty()) parts.removeAt(i);
        else ++i;
    }
    return parts;
}

}  // namespace

QString Word::getNthPart(qint64 index, bool* hasHyphen) const {
    const QStringList parts = principalParts(latin_, wordType_ == WordCode::Verb);
    if (index < 1 || index > parts.size()) return QString();
    const QString part = parts.at(index - 1);
    const bool hyphen = part.startsWith(QLatin1Char('-'));
    if (hasHyphen) *hasHyphen = hyphen;
    return hyphen ? part.mid(1) : part;
}

// ---- Class operations ----

const LatinCharacterSet& Word::getLetterCharacterSet() { return LatinCharacterSet::wordLetters(); }
const LatinCharacterSet& Word::getWhiteSpaceCharacterSet() { return LatinCharacterSet::separators(); }

QString Word::convertToStandardLatinString(const QString& text) {
    if (text.isEmpty()) return QString();
    const QChar first = text.at(0);
    const bool wasLower = first == first.toLower();
    const QStringList words = LatinText::words(text.toLower());
    if (words.isEmpty()) return LatinText::empty();
    QStringList out;
    out.reserve(words.size());
    for (const QString& w : words) {
        if (wasLower || w.startsWith(QLatin1Char('-'))) {
            out.append(w);
        } else {
            // Words are runs without blanks, so capitalising one is upper-casing
            // its first letter (the rest is already lower case).
            QString cap = w;
            const char32_t c0 = cap.at(0).isHighSurrogate() && cap.size() > 1
                                    ? QChar::surrogateToUcs4(cap.at(0), cap.at(1)) : cap.at(0).unicode();
            const char32_t up = QChar::toTitleCase(c0);
            if (up != c0 && QChar::requiresSurrogates(up) == QChar::requiresSurrogates(c0)) {
                if (QChar::requiresSurrogates(up)) {
                    cap[0] = QChar(QChar::highSurrogate(up));
                    cap[1] = QChar(QChar::lowSurrogate(up));
                } else {
                    cap[0] = QChar(char16_t(up));
                }
            }
            out.append(cap);
        }
    }
    return out.join(QLatin1Char(' '));
}

qint64 Word::guessWordType(const QString& text) {
    const QStringList words = LatinText::words(text, 3);
    if (words.isEmpty()) return 0;
    qint64 guess = 0;
    if (words.size() >= 2) {
        const QString& w = words.at(1);
        if (w.size() < 2) return 0;
        const QStringView last2 = QStringView(w).right(2);
        const QChar last = w.at(w.size() - 1);
        const QChar before = w.at(w.size() - 2);
        if (last2 == u"ae") {
            guess = 1;
        } else if (last2 == u"um") {
            return 3;
        } else if (last2 == u"is") {
            // the genitive of a noun or the feminine of an adjective: undecided
        } else if (last2 == u"\u016Bs") {
            return 1;
        } else if (last == u'\u012B' || last == u'i') {
            guess = 1;
        } else if (last == u'e') {
            if (before != u'r') return 3;
        } else if (last == u'a') {
            return 3;
        }
    }
    if (words.size() >= 3) {
        const QString& w = words.at(2);
        if (w.size() < 2) return 0;
        const QChar last = w.at(w.size() - 1);
        if (last == u'i' || last == u'\u012B') return 2;
        if (QStringView(w).right(2) == u"us") return 2;
        return 3;
    }
    return guess;
}

qint64 Word::guessDeclension(const QString& text) {
    const QStringList words = LatinText::words(text, 4);
    if (words.size() < 2 || words.size() >= 4) return 0;
    const QString& w = words.at(1);
    if (w.size() < 2) return 0;
    const QStringView last2 = QStringView(w).right(2);
    const QChar last = w.at(w.size() - 1);
    const QChar before = w.at(w.size() - 2);
    if (last2 == u"ae") return 1;
    if (last2 == u"is") return 3;
    if (last2 == u"\u016Bs") return 4;
    if (last == u'\u012B' || last == u'i') return (before == u'\u0113' || before == u'e') ? 5 : 2;
    return 0;
}

QString Word::stripDots(const QString& text) {
    if (text.isNull()) return QString();
    if (!text.contains(QLatin1Char('.'))) return text;
    QString s = text;
    return s.remove(QLatin1Char('.'));
}

QString Word::getFirstWordInLine(const QString& text) {
    if (text.isNull()) return QString();
    const QString s = stripDots(text);
    qsizetype start = 0;
    while (start < s.size() && s.at(start).isSpace()) ++start;
    if (start == s.size()) return QString();
    qsizetype end = start;
    while (end < s.size() && s.at(end) != u' ' && s.at(end) != u'\t') ++end;
    if (start == 0 && end == s.size()) return s;
    return s.mid(start, end - start);
}

qint64 Word::convertInt(qint32 value) { return qint64(value); }

// ---- Archiving and copying ----

void Word::encodeWithCoder(ts::Coder& coder) const {
    // The sequential layout of version 3; the reader also knows 1 and 2.
    coder.encodeValue(ts::Value(qint32(3)));
    coder.encodeValue(stringValue(latin_));
    coder.encodeValue(stringValue(meaning_));
    coder.encodeValue(stringValue(source_));
    coder.encodeValue(stringValue(notes_));
    coder.encodeValue(stringValue(irregData_));
    coder.encodeValue(ts::Value(qint32(wordType_)));
    coder.encodeValue(ts::Value(qint32(formality_)));
    coder.encodeValue(ts::Value(qint32(conj_)));
    coder.encodeValue(ts::Value(qint32(theCase_)));
    coder.encodeValue(ts::Value(qint32(gender_)));
    coder.encodeValue(ts::Value(isIrregular_));
    coder.encodeValue(stringValue(uniqueID_));
    coder.encodeValue(ts::Value(marked_));
    coder.encodeValue(ts::Value(qint32(transIntrans_)));
}

void Word::clearFields() {
    formality_ = gender_ = conj_ = wordType_ = theCase_ = transIntrans_ = 0;
    isIrregular_ = marked_ = false;
    latin_ = meaning_ = source_ = notes_ = irregData_ = uniqueID_ = QString();
}

bool Word::initWithCoder(ts::Coder& coder) {
    // A decoded word starts empty, not with the defaults of a new one.
    clearFields();
    const qint64 version = convertInt(int32From(coder.decodeValue()));
    if (version < 1 || version > 3) {
        TSLogError("bad verions constant at initWithCoder");
        return true;
    }
    setLatin(stringFrom(coder.decodeValue()));
    setMeaning(stringFrom(coder.decodeValue()));
    setSource(stringFrom(coder.decodeValue()));
    setNotes(stringFrom(coder.decodeValue()));
    setIrregData(stringFrom(coder.decodeValue()));
    setWordType(convertInt(int32From(coder.decodeValue())));
    setFormality(convertInt(int32From(coder.decodeValue())));
    setConjugation(convertInt(int32From(coder.decodeValue())));
    setTakenCase(convertInt(int32From(coder.decodeValue())));
    setGender(convertInt(int32From(coder.decodeValue())));
    setIrregular(coder.decodeValue().toBool());
    if (version >= 2) {
        setUniqueID(stringFrom(coder.decodeValue()));
        setMarked(coder.decodeValue().toBool());
    }
    if (version >= 3) setTransIntrans(convertInt(int32From(coder.decodeValue())));
    return true;
}

void Word::copyFieldsTo(Word& other) const {
    other.formality_ = formality_;
    other.gender_ = gender_;
    other.conj_ = conj_;
    other.wordType_ = wordType_;
    other.theCase_ = theCase_;
    other.isIrregular_ = isIrregular_;
    other.marked_ = marked_;
    other.latin_ = latin_;
    other.meaning_ = meaning_;
    other.source_ = source_;
    other.notes_ = notes_;
    other.irregData_ = irregData_;
    other.uniqueID_ = uniqueID_;
    other.transIntrans_ = transIntrans_;
}

ts::ObjectPtr Word::copy() const {
    ts::ObjectPtr made = newInstance();
    if (auto* word = dynamic_cast<Word*>(made.get())) copyFieldsTo(*word);
    return made;
}

QString Word::description() const {
    return QStringLiteral("<%1 %2>").arg(className(), latin_.isNull() ? QStringLiteral("(null)") : latin_);
}
