#include "DictionaryControllerParser.h"

#include "app/logging/LGLog.h"

#include <algorithm>

namespace {

const QString kProperNameNotice = QStringLiteral("Assume this is capitalized proper name");

// The words of a line: runs of characters between white space.
QStringList splitWords(const QString& line) {
    QStringList words;
    const int n = int(line.size());
    int i = 0;
    while (i < n) {
        while (i < n && line.at(i).isSpace()) ++i;
        const int start = i;
        while (i < n && !line.at(i).isSpace()) ++i;
        if (i > start) words << line.mid(start, i - start);
    }
    return words;
}

// Word n of a line without splitting the whole line (the structure walks
// look at word 2 of many lines).
QStringView nthWord(QStringView line, int n) {
    if (n < 1) return {};
    const qsizetype size = line.size();
    qsizetype i = 0;
    for (int w = 1; i < size; ++w) {
        while (i < size && line.at(i).isSpace()) ++i;
        const qsizetype start = i;
        while (i < size && !line.at(i).isSpace()) ++i;
        if (i == start) break;
        if (w == n) return line.mid(start, i - start);
    }
    return {};
}

QString wordAt(const QStringList& words, int n) { return n >= 1 && n <= words.size() ? words.at(n - 1) : QString(); }

QString lineAt(const QStringList& lines, int index) {
    return index >= 0 && index < lines.size() ? lines.at(index) : QString();
}

DictionaryEntryPtr makeNode(const QString& text, int type) { return DictionaryEntry::make(text, type); }

}  // namespace

// ---- Lines and words ----

QStringList DictionaryControllerParser::separateTranslationString(const QString& text) {
    return text.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

bool DictionaryControllerParser::isAMeaningString(const QString& line) {
    // Meanings use "~" too ("a particular/certain ~"), so a "~" alone says
    // nothing; the analyser's example lines are told apart by where they stand
    // (isAnExampleLine).
    return line.contains(QLatin1Char(';')) || line.contains(kProperNameNotice);
}

bool DictionaryControllerParser::isAnExampleLine(const QStringList& lines, int index) {
    if (index < 1 || index >= lines.size()) return false;
    // Every example the analyser writes carries "~" for the word; a line
    // without one is never taken for an example, whatever stands above it.
    if (!lines.at(index).contains(QLatin1Char('~'))) return false;
    // The analyser writes an example directly below the form line it
    // illustrates, and only for these kinds of form; meanings follow a
    // dictionary line, another meaning line or an example, never an
    // illustrated form line itself.
    const QString& above = lines.at(index - 1);
    if (hasBracket(above) || above.contains(QLatin1Char(';'))) return false;
    static const QStringList illustrated = {QStringLiteral("N"),    QStringLiteral("ADJ"),    QStringLiteral("ADV"),
                                            QStringLiteral("V"),    QStringLiteral("VPAR"),   QStringLiteral("SUPINE"),
                                            QStringLiteral("+")};
    return illustrated.contains(getNthWord(2, above));
}

int DictionaryControllerParser::findMeaningLine(const QStringList& lines, int index) {
    const int last = int(lines.size()) - 1;
    if (index >= last) return index;
    for (int k = std::max(index, 0); k < last; ++k)
        if (isAMeaningString(lines.at(k)) && !isAnExampleLine(lines, k)) return k;
    return index;
}

bool DictionaryControllerParser::hasBracket(const QString& line) { return line.contains(QLatin1Char('[')); }

bool DictionaryControllerParser::mainLine(const QString& line) {
    return hasBracket(line) || line.contains(QLatin1String("X X CARD")) || line.contains(QLatin1String("UNKNOWN")) ||
           line.contains(QLatin1String("0 0 X   X X"));
}

bool DictionaryControllerParser::isANewLine(const QString& line) { return line == QLatin1String("*"); }

bool DictionaryControllerParser::isInflection(const QString& line, bool* newWordFound) {
    if (newWordFound) *newWordFound = false;
    if (line.contains(QLatin1Char('.'))) return true;
    if (isANewLine(line)) {
        if (newWordFound) *newWordFound = true;
        return false;
    }
    return getCaseFromString(getNthWord(5, line)) != 0;
}

QString DictionaryControllerParser::getNthWord(int n, const QString& line) {
    const QStringView w = nthWord(line, n);
    return w.isNull() ? QString() : w.toString();
}

QString DictionaryControllerParser::getFirstWordInLine(const QString& line) {
    return DictionaryEntry::getFirstWordInLine(line);
}

int DictionaryControllerParser::countWordsInLine(const QString& line) { return int(splitWords(line).size()); }

QStringList DictionaryControllerParser::separateLatinString(const QString& text, bool getWordForms) {
    QStringList forms, rest;
    bool inForms = true;
    const qsizetype n = text.size();
    qsizetype i = 0;
    while (i < n) {
        // Tokens run between blanks and line breaks.
        auto separator = [&text](qsizetype k) {
            const QChar c = text.at(k);
            return c == QLatin1Char(' ') || c == QLatin1Char('\n') || c == QLatin1Char('\r');
        };
        while (i < n && separator(i)) ++i;
        const qsizetype start = i;
        while (i < n && !separator(i)) ++i;
        if (i == start) break;
        QString token = text.mid(start, i - start);
        token.remove(QLatin1Char(','));
        if (inForms) {
            int type = 0;
            if (isThisAWordType(token, &type) || token.contains(QLatin1Char('['))) inForms = false;
        }
        if (inForms) forms << token;
        else rest << token;
    }
    return getWordForms ? forms : rest;
}

// ---- Structure of an answer ----

DictionaryControllerParser::LineKind DictionaryControllerParser::lineKind(const QStringList& lines, int index) {
    if (index < 0 || index >= lines.size()) return LineKind::Other;
    const QString& line = lines.at(index);
    if (isANewLine(line)) return LineKind::NewWord;
    if (isAnExampleLine(lines, index)) return LineKind::Example;
    if (isAMeaningString(line)) return LineKind::Meaning;
    if (mainLine(line)) return LineKind::Dictionary;
    // Examples without a ";" of their own: the analyser writes "~" for the word.
    if (line.contains(QLatin1Char('~'))) return LineKind::Example;
    static const QStringList fixes = {QStringLiteral("TACKON"), QStringLiteral("PREFIX"), QStringLiteral("SUFFIX")};
    static const QStringList forms = {QStringLiteral("N"),     QStringLiteral("V"),      QStringLiteral("VPAR"),
                                      QStringLiteral("SUPINE"), QStringLiteral("ADJ"),   QStringLiteral("ADV"),
                                      QStringLiteral("CONJ"),  QStringLiteral("PREP"),   QStringLiteral("PRON"),
                                      QStringLiteral("INTERJ"), QStringLiteral("NUM"),   QStringLiteral("+")};
    const QStringView w2 = nthWord(line, 2);
    if (w2.isEmpty()) return LineKind::Other;
    for (const QString& f : fixes)
        if (w2 == f) return LineKind::Fix;
    for (const QString& f : forms)
        if (w2 == f) return LineKind::Form;
    return LineKind::Other;
}

QList<int> DictionaryControllerParser::formLinesOf(const QStringList& lines, int index) {
    QList<int> owned;
    if (index < 0 || index > lines.size()) return owned;
    // Upwards: the block directly above. A dictionary line with a meaning
    // line or another dictionary line directly above it shares the forms of
    // the block above those (the analyser writes the forms once for every
    // dictionary word they belong to). It shares them among a handful of
    // words at most; the bound keeps answers without forms (English to
    // Latin) linear.
    constexpr int kMostSharing = 16;
    int passed = 0;
    for (int k = index - 1; k >= 0; --k) {
        const LineKind kind = lineKind(lines, k);
        if (kind == LineKind::Example) continue;
        if (kind == LineKind::Form) {
            owned.prepend(k);
            continue;
        }
        if (owned.isEmpty() && kind == LineKind::Meaning) continue;
        if (owned.isEmpty() && kind == LineKind::Dictionary && ++passed <= kMostSharing) continue;
        break;
    }
    // Downwards: forms written after the dictionary line and before its
    // meanings (a supine, a packon's own case) are its own; forms followed
    // by another dictionary line are that line's.
    if (lineKind(lines, index) != LineKind::Dictionary) return owned;
    QList<int> below;
    int k = index + 1;
    for (; k < lines.size(); ++k) {
        const LineKind kind = lineKind(lines, k);
        if (kind == LineKind::Example) continue;
        if (kind != LineKind::Form) break;
        below.append(k);
    }
    const LineKind next = lineKind(lines, k);
    if (k >= lines.size() || next == LineKind::Meaning || next == LineKind::NewWord) owned += below;
    return owned;
}

bool DictionaryControllerParser::startsAnalysisWithoutDictionaryLine(const QStringList& lines, int index) {
    if (lineKind(lines, index) != LineKind::Meaning) return false;
    int k = index - 1;
    while (k >= 0 && lineKind(lines, k) == LineKind::Example) --k;
    if (lineKind(lines, k) != LineKind::Form) return false;
    while (k >= 0 && (lineKind(lines, k) == LineKind::Form || lineKind(lines, k) == LineKind::Example)) --k;
    // Forms right below a dictionary line and before its meanings are that
    // line's own.
    return lineKind(lines, k) != LineKind::Dictionary;
}

bool DictionaryControllerParser::isFixMeaning(const QStringList& lines, int index) { return fixLineOf(lines, index) >= 0; }

int DictionaryControllerParser::fixLineOf(const QStringList& lines, int index) {
    if (lineKind(lines, index) != LineKind::Meaning) return -1;
    // A tackon's meanings take a line or two; the bound keeps long runs of
    // meaning lines linear.
    constexpr int kLongestFixMeaning = 8;
    int k = index - 1;
    while (k >= 0 && index - k <= kLongestFixMeaning && lineKind(lines, k) == LineKind::Meaning) --k;
    return lineKind(lines, k) == LineKind::Fix ? k : -1;
}

DictionaryEntryPtr DictionaryControllerParser::entryWithoutDictionaryLine(const QStringList& lines, int index,
                                                                         bool showCases) {
    int k = index - 1;
    while (k >= 0 && lineKind(lines, k) == LineKind::Example) --k;
    if (lineKind(lines, k) != LineKind::Form) return nullptr;
    const QString& form = lines.at(k);
    int type = 0;
    QString code = getNthWord(2, form);
    if (code == QLatin1String("VPAR") || code == QLatin1String("SUPINE") || code == QLatin1String("+"))
        code = QStringLiteral("V");
    if (!isThisAWordType(code, &type)) return nullptr;
    // The analysed form stands for the dictionary form the analyser left
    // out; the code letters are unknown (no frequency, no age), and so is a
    // noun's gender.
    const QString vocab = getFirstWordInLine(form) + QLatin1Char(' ') + code +
                          (type == DictionaryEntry::Noun ? QLatin1String(" U [XXXXX") : QLatin1String(" [XXXXX"));
    return parseLatinVocabString(vocab, lines, index, showCases);
}

// ---- Clean-ups ----

QString DictionaryControllerParser::stripCommas(const QString& text, bool* commaFound) {
    if (commaFound) *commaFound = text.contains(QLatin1Char(','));
    QString s = text;
    return s.remove(QLatin1Char(','));
}

QString DictionaryControllerParser::stripDots(const QString& text) { return DictionaryEntry::stripDots(text); }

QString DictionaryControllerParser::stripColons(const QString& text) {
    QString s = text;
    return s.remove(QLatin1Char(';'));
}

QString DictionaryControllerParser::stripReturns(const QString& text) {
    QString s = text;
    s.remove(QLatin1Char('\n'));
    return s.remove(QLatin1Char('\r'));
}

QString DictionaryControllerParser::fixSlashProblem(const QString& text) {
    QString s = text;
    return s.replace(QLatin1String("/"), QLatin1String(" / "));
}

QString DictionaryControllerParser::stripLeadingWhiteSpace(const QString& text) {
    int i = 0;
    while (i < text.size() && text.at(i) == QLatin1Char(' ')) ++i;
    return text.mid(i);
}

// ---- Code tables ----

bool DictionaryControllerParser::isThisAWordType(const QString& word, int* type) {
    static const QHash<QString, int> table = {
        {QStringLiteral("N"), 1},     {QStringLiteral("V"), 2},      {QStringLiteral("ADJ"), 3},
        {QStringLiteral("ADV"), 4},   {QStringLiteral("CONJ"), 5},   {QStringLiteral("PREP"), 6},
        {QStringLiteral("PRON"), 7},  {QStringLiteral("INTERJ"), 8}, {QStringLiteral("NUM"), 9},
        {QStringLiteral("PACK"), 10}};
    const int code = table.value(word, 0);
    if (type) *type = code;
    return code != 0;
}

int DictionaryControllerParser::calculateWordType(const QStringList& words) {
    for (const QString& w : words) {
        int type = 0;
        if (isThisAWordType(w, &type)) return type;
    }
    return 0;
}

int DictionaryControllerParser::genderFromString(const QString& word) {
    static const QHash<QString, int> table = {{QStringLiteral("M"), 1}, {QStringLiteral("F"), 2},
                                              {QStringLiteral("N"), 3}, {QStringLiteral("C"), 4},
                                              {QStringLiteral("X"), 5}};
    return table.value(word, 6);
}

int DictionaryControllerParser::calculateGender(const QStringList& rest) {
    for (int k = int(rest.size()) - 1; k >= 1; --k)
        if (rest.at(k).contains(QLatin1Char('['))) return genderFromString(rest.at(k - 1));
    return 6;
}

int DictionaryControllerParser::getCaseFromString(const QString& word) {
    static const QHash<QString, int> table = {
        {QStringLiteral("NOM"), 1}, {QStringLiteral("VOC"), 2}, {QStringLiteral("ACC"), 3}, {QStringLiteral("GEN"), 4},
        {QStringLiteral("DAT"), 5}, {QStringLiteral("ABL"), 6}, {QStringLiteral("LOC"), 7}};
    return table.value(word, 0);
}

int DictionaryControllerParser::calculateCase(const QStringList& rest) {
    if (rest.size() < 2) {
        TSLogError("wrong number in CalculateCase data array");
        return 0;
    }
    return getCaseFromString(rest.at(1));
}

bool DictionaryControllerParser::isThisANumber(const QString& word, int* number) {
    bool ok = false;
    const int value = word.toInt(&ok);
    // Only the plain decimal forms "0" to "13": "+1" or "01" are no number words.
    ok = ok && value >= 0 && value <= 13 && word == QString::number(value);
    if (number) *number = ok ? value : -1;
    return ok;
}

int DictionaryControllerParser::ordinalValue(const QString& word) {
    static const QHash<QString, int> table = {{QStringLiteral("(1st)"), 1}, {QStringLiteral("(2nd)"), 2},
                                              {QStringLiteral("(3rd)"), 3}, {QStringLiteral("(4th)"), 4},
                                              {QStringLiteral("(5th)"), 5}};
    return table.value(word, -1);
}

int DictionaryControllerParser::moodFromString(const QString& word) {
    static const QHash<QString, int> table = {{QStringLiteral("IND"), 1}, {QStringLiteral("SUB"), 2},
                                              {QStringLiteral("IMP"), 3}, {QStringLiteral("INF"), 4}};
    return table.value(word, 0);
}

int DictionaryControllerParser::voiceFromString(const QString& word) {
    if (word == QLatin1String("ACTIVE")) return 1;
    if (word == QLatin1String("PASSIVE")) return 2;
    return 0;
}

int DictionaryControllerParser::checkEnglishToLatinDeclension(const QStringList& rest, const QString&) {
    if (rest.size() < 2) return 0;
    for (int k = 1; k < rest.size(); ++k) {
        const int ordinal = ordinalValue(rest.at(k));
        if (ordinal != -1) return ordinal;
        int number = -1;
        if (isThisANumber(rest.at(k), &number)) return number <= 5 ? number : 0;
    }
    return 0;
}

int DictionaryControllerParser::checkEnglishToLatinConjugation(const QStringList& rest, const QString& vocab,
                                                              int* transitivity) {
    constexpr int kNoValue = -1;
    int conjugation = 0;
    int trans = 0;
    bool found = false;
    if (rest.size() >= 2) {
        for (int k = 1; k < rest.size(); ++k) {
            const QString& w = rest.at(k);
            const int ordinal = ordinalValue(w);
            int number = -1;
            if (ordinal != -1) {
                conjugation = ordinal;
                found = true;
            } else if (found) {
                if (isThisANumber(w, &number)) break;
            } else if (isThisANumber(w, &number)) {
                conjugation = number;
                break;
            } else {
                conjugation = kNoValue;
                checkIrregConjugation(vocab, &conjugation);
                found = true;
            }
            if (w == QLatin1String("TRANS")) trans = 1;
            else if (w == QLatin1String("INTRANS")) trans = 2;
        }
        if (conjugation == kNoValue) conjugation = 0;
        if (conjugation == 3) {
            // The -io verbs of the third conjugation ("capio," or "patior,")
            // are told apart by the vowel before the ending.
            const QString first = getNthWord(1, vocab);
            const int n = int(first.size());
            if (n >= 4) {
                const int back = first.at(n - 2) == QLatin1Char('r') ? 4 : 3;
                if (first.at(n - back) == QLatin1Char('i')) conjugation = 5;
            }
        }
    }
    if (transitivity) *transitivity = trans;
    return conjugation;
}

bool DictionaryControllerParser::checkIrregConjugation(const QString& vocab, int* conjugation) {
    const QStringList segments = vocab.split(QLatin1Char(','), Qt::SkipEmptyParts);
    int value = conjugation ? *conjugation : 0;
    if (segments.size() >= 3) {
        const QString& p1 = segments.at(0);
        const QString& p2 = segments.at(1);
        const QString& p3 = segments.at(2);
        if (p3.endsWith(QLatin1String("fui"))) value = 8;
        else if (p3.endsWith(QLatin1String("tuli"))) value = 9;
        else if (p3.endsWith(QLatin1String("nolui"))) value = 13;
        else if (p3.endsWith(QLatin1String("malui"))) value = 14;
        else if (p3.endsWith(QLatin1String("volui"))) value = 12;
        else if (p1.endsWith(QLatin1String("fio"))) value = 11;
        else if (p3.endsWith(QLatin1String("edi")) && p2.endsWith(QLatin1String("edere"))) value = 10;
        else if (p1.endsWith(QLatin1String("eo")) && p2.endsWith(QLatin1String("ire"))) value = 7;
    }
    if (conjugation) *conjugation = value;
    return value != 0;
}

int DictionaryControllerParser::calculateFrequency(const QStringList& rest) {
    if (rest.isEmpty()) {
        TSLogError("wrong number in CalculateFrequency data array");
        return 0;
    }
    const QString& w = rest.last();
    if (w.size() < 3) return 0;
    switch (w.at(w.size() - 2).unicode()) {
    case 'A': return 6;
    case 'B': return 5;
    case 'C': return 4;
    case 'D': return 3;
    case 'E': return 2;
    case 'F': return 1;
    default: return 0;
    }
}

int DictionaryControllerParser::getAge(const QStringList& rest) {
    if (rest.isEmpty()) {
        TSLogError("wrong number in GetAge data array");
        return 0;
    }
    const QString& w = rest.last();
    if (w.size() < 2) return 0;
    const char16_t c = w.at(1).unicode();
    if (c == u'X') return 0;
    const int age = int(c) - 64;
    // Letters beyond the entry tree's age table have no age.
    return age >= 1 && age <= 8 ? age : 0;
}

bool DictionaryControllerParser::isThisAPersonForm(const QString& word, int* number) {
    int value = 0;
    if (word == QLatin1String("S")) value = 1;
    else if (word == QLatin1String("P")) value = 2;
    else if (word == QLatin1String("X")) value = 3;
    if (number) *number = value;
    return value != 0;
}

// ---- Inflection summaries ----

QString DictionaryControllerParser::makeVerbData(int person, int number, int mood, int voice, const QString& tense) {
    QString text = person >= 1 ? QString::number(person) : QString();
    switch (number) {
    case 0: break;
    case 1: text += QLatin1String("s"); break;
    case 2: text += QLatin1String("pl"); break;
    case 3: text += QLatin1String("s/pl"); break;
    default: TSLogError("bad number of people");
    }
    if (!tense.isEmpty()) text += QLatin1Char(' ') + tense;
    switch (mood) {
    case 0: break;
    case 1: text += QLatin1String(" ind"); break;
    case 2: text += QLatin1String(" sub"); break;
    case 3: text = number == 1 ? QStringLiteral("imp s") : QStringLiteral("imp pl"); break;
    case 4: text = tense.isEmpty() ? QStringLiteral("inf") : tense + QLatin1String(" inf"); break;
    default: TSLogError("bad mood");
    }
    switch (voice) {
    case 0: break;
    case 1: text += QLatin1String(" act"); break;
    case 2: text += QLatin1String(" pass"); break;
    case 3: text += QLatin1String(" dep"); break;
    case 4: text += QLatin1String(" semi-dep"); break;
    default: TSLogError("bad voice");
    }
    return text;
}

QString DictionaryControllerParser::parseVerbForm(const QString& line, int voice) {
    const QStringList words = splitWords(line);
    int k = 0, number = 0;
    for (int n = int(words.size()); n >= 1; --n)
        if (isThisAPersonForm(words.at(n - 1), &number)) {
            k = n;
            break;
        }
    if (k == 0) return QString();
    int person = 0;
    if (!isThisANumber(wordAt(words, k - 1), &person)) person = 0;
    const int mood = moodFromString(wordAt(words, k - 2));
    const int v = voice != 0 ? voice : voiceFromString(wordAt(words, 6));
    return makeVerbData(person, number, mood, v, wordAt(words, 5).toLower());
}

QString DictionaryControllerParser::parseVerbParticiple(const QString& line, int voice) {
    const QStringList words = splitWords(line);
    int v = voiceFromString(wordAt(words, 9));
    if (v == 0) v = voice;
    const QString text = makeVerbData(0, 0, 0, v, wordAt(words, 8).toLower());
    if (text == QLatin1String(" fut pass")) return QStringLiteral("gerund/gerundive");
    return text + QLatin1String(" ppl");
}

namespace {
QString prepend(const QString& form, const QString& summary) {
    return summary.isEmpty() ? form : form + QLatin1String(", ") + summary;
}
}  // namespace

QString DictionaryControllerParser::addNounCase(int caseCode, bool plural, const QString& summary) {
    return prepend(DictionaryEntry::getCaseString(caseCode) + (plural ? QLatin1String(" pl") : QLatin1String("")),
                   summary);
}

QString DictionaryControllerParser::addPronounCase(int caseCode, int gender, bool plural, const QString& summary) {
    return prepend(DictionaryEntry::getCaseString(caseCode) + (plural ? QLatin1String(" pl") : QLatin1String("")) +
                       QLatin1Char(' ') + DictionaryEntry::nameOfGender(gender),
                   summary);
}

QString DictionaryControllerParser::addAdjectiveCase(int caseCode, int gender, bool plural, const QString& summary) {
    return prepend(DictionaryEntry::getCaseString(caseCode) + QLatin1Char(' ') + DictionaryEntry::nameOfGender(gender) +
                       (plural ? QLatin1String(" pl") : QLatin1String("")),
                   summary);
}

DictionaryEntryPtr DictionaryControllerParser::getNounData(const QStringList& lines, int index) {
    if (index < 1 || index > lines.size()) return nullptr;
    QString summary;
    bool taken = false;
    int lastCase = 0;
    bool lastPlural = false;
    const QList<int> owned = formLinesOf(lines, index);
    for (auto it = owned.rbegin(); it != owned.rend(); ++it) {
        const QStringList words = splitWords(lines.at(*it));
        const int caseCode = getCaseFromString(wordAt(words, 5));
        const QString w6 = wordAt(words, 6);
        if (caseCode == 0 || w6.isNull()) continue;
        const bool plural = w6 == QLatin1String("P");
        if (!taken || caseCode != lastCase || plural != lastPlural) summary = addNounCase(caseCode, plural, summary);
        taken = true;
        lastCase = caseCode;
        lastPlural = plural;
    }
    return taken ? makeNode(summary, DictionaryEntry::WordData) : nullptr;
}

DictionaryEntryPtr DictionaryControllerParser::getPronounData(const QStringList& lines, int index) {
    if (index < 1 || index > lines.size()) return nullptr;
    QString summary;
    bool taken = false;
    int lastCase = 0, lastGender = 0;
    bool lastPlural = false;
    const QList<int> owned = formLinesOf(lines, index);
    for (auto it = owned.rbegin(); it != owned.rend(); ++it) {
        const QStringList words = splitWords(lines.at(*it));
        const int caseCode = getCaseFromString(wordAt(words, 5));
        if (caseCode == 0) continue;
        const bool plural = wordAt(words, 6) == QLatin1String("P");
        const QString w7 = wordAt(words, 7);
        // A line without a gender word counts as of unknown gender.
        const int gender = w7.isNull() ? 6 : genderFromString(w7);
        if (!(taken && caseCode == lastCase && plural == lastPlural && gender == lastGender))
            summary = addPronounCase(caseCode, gender, plural, summary);
        taken = true;
        lastCase = caseCode;
        lastPlural = plural;
        lastGender = gender;
    }
    return taken ? makeNode(summary, DictionaryEntry::WordData) : nullptr;
}

DictionaryEntryPtr DictionaryControllerParser::getAdjectiveData(const QStringList& lines, int index) {
    if (index < 1 || index > lines.size()) return nullptr;
    QString summary;
    QString degree;
    const QList<int> owned = formLinesOf(lines, index);
    for (auto it = owned.rbegin(); it != owned.rend(); ++it) {
        const QStringList words = splitWords(lines.at(*it));
        const int caseCode = getCaseFromString(wordAt(words, 5));
        const QString w6 = wordAt(words, 6);
        if (caseCode == 0 || w6.isNull()) continue;
        const QString w7 = wordAt(words, 7);
        const int gender = w7.isNull() ? 6 : genderFromString(w7);
        summary = addAdjectiveCase(caseCode, gender, w6 == QLatin1String("P"), summary);
        // The analyser writes the degree after the gender; the topmost line's counts.
        const QString w8 = wordAt(words, 8);
        if (w8 == QLatin1String("COMP")) degree = QStringLiteral(": comparative");
        else if (w8 == QLatin1String("SUPER")) degree = QStringLiteral(": superlative");
        else if (w8 == QLatin1String("POS")) degree.clear();
    }
    if (summary.isEmpty()) return nullptr;
    return makeNode(summary + degree, DictionaryEntry::WordData);
}

DictionaryEntryPtr DictionaryControllerParser::getVerbData(const QStringList& lines, int index) {
    if (index < 0 || index >= lines.size()) return nullptr;
    QString summary, lastText;
    bool any = false;
    // Only the verb's own dictionary line says whether it is deponent: a
    // neighbour's line passed on the way to shared forms does not.
    int preset = 0;
    const QString& own = lines.at(index);
    if (lineKind(lines, index) == LineKind::Dictionary) {
        if (own.contains(QLatin1String(" DEP"))) preset = 3;
        else if (own.contains(QLatin1String("SEMIDEP"))) preset = 4;
    }
    const QList<int> owned = formLinesOf(lines, index);
    for (auto it = owned.rbegin(); it != owned.rend(); ++it) {
        const QString& line = lines.at(*it);
        const QString w2 = getNthWord(2, line);
        QString text;
        if (w2 == QLatin1String("V")) {
            text = parseVerbForm(line, preset);
        } else if (w2 == QLatin1String("VPAR")) {
            text = parseVerbParticiple(line, preset);
        } else if (w2 == QLatin1String("SUPINE")) {
            text = QStringLiteral("supine");
        } else if (w2 == QLatin1String("+")) {
            text = parseVerbForm(line.mid(line.indexOf(QLatin1Char('+')) + 2), preset);
        }
        if (text.isNull() || (any && text == lastText)) continue;
        summary = any ? summary + QLatin1String(", ") + text : text;
        lastText = text;
        any = true;
    }
    return any ? makeNode(summary, DictionaryEntry::WordData) : nullptr;
}

// ---- Entries ----

QString DictionaryControllerParser::getPronounName(const QString& vocab, const QStringList& lines, int index) {
    if (index < 1 || index > lines.size()) return vocab;
    return getFirstWordInLine(lines.at(index - 1)) + QLatin1String(" PRON ") + vocab;
}

QString DictionaryControllerParser::extractTackon(const QStringList& lines, int index) {
    static const QString kNotFound = QStringLiteral(" packon not found");
    if (index < 0) return kNotFound;
    for (int k = std::min(index, int(lines.size()) - 1); k >= 0; --k) {
        const QString& line = lines.at(k);
        // The packon's own dictionary line ("qu  PACK  [...") and the meaning
        // line "PACKON w/qui => ..." say "PACK" too but name no tackon.
        if (hasBracket(line) || isAMeaningString(line)) continue;
        if (line.contains(QLatin1String("TACKON")) || line.contains(QLatin1String("PACK"))) return getNthWord(1, line);
        if (isANewLine(line)) break;
    }
    return kNotFound;
}

QString DictionaryControllerParser::getPackonBase(const QStringList& lines, int index) {
    if (index < 0 || index >= lines.size()) return QString();
    // The analyser names the pronoun the tackon goes with on the line below
    // the tackon: "PACKON w/qui => ...", "PACKON w/quis => ...".
    for (int k = index - 1; k >= 0; --k) {
        const QString& line = lines.at(k);
        if (isANewLine(line)) break;
        const QString with = getNthWord(2, line);
        if (getNthWord(1, line) == QLatin1String("PACKON") && with.startsWith(QLatin1String("w/")) && with.size() > 2)
            return with.mid(2);
        if (getNthWord(2, line) == QLatin1String("TACKON")) break;
    }
    // Without that line, the nearest form line of the pronoun: the analyser
    // writes the packon's dictionary line among them, so below or above.
    auto formLine = [&lines](int k) {
        const QString& line = lines.at(k);
        return !hasBracket(line) && !isAMeaningString(line) && isThisAWordType(getNthWord(2, line), nullptr);
    };
    if (index + 1 < lines.size() && formLine(index + 1)) return getFirstWordInLine(lines.at(index + 1));
    for (int k = index - 1; k >= 0 && !isANewLine(lines.at(k)); --k)
        if (formLine(k)) return getFirstWordInLine(lines.at(k));
    return QString();
}

DictionaryEntryPtr DictionaryControllerParser::parseLatinVocabString(const QString& vocabIn, const QStringList& lines,
                                                                     int index, bool showCases) {
    QString vocab = vocabIn;
    QStringList forms = separateLatinString(vocab, true);
    if (forms.isEmpty() && index > 0) {
        vocab = getPronounName(vocab, lines, index);
        forms = separateLatinString(vocab, true);
    }
    const QStringList rest = separateLatinString(vocab, false);
    int type = calculateWordType(rest);
    auto entry = DictionaryEntry::make();
    QString text;
    switch (type) {
    case DictionaryEntry::Noun:
        entry->setGender(calculateGender(rest));
        entry->setConjugation(checkEnglishToLatinDeclension(rest, vocab));
        if (showCases) entry->addChild(getNounData(lines, index));
        break;
    case DictionaryEntry::Verb: {
        int trans = 0;
        entry->setConjugation(checkEnglishToLatinConjugation(rest, vocab, &trans));
        if (trans != 0) entry->setTransIntrans(trans);
        if (showCases) entry->addChild(getVerbData(lines, index));
        break;
    }
    case DictionaryEntry::Adjective: {
        if (showCases) entry->addChild(getAdjectiveData(lines, index));
        QStringList kept;
        for (const QString& f : forms)
            if (f != QLatin1String("(gen.)")) kept << f;
        text = kept.join(QLatin1Char(' '));
        break;
    }
    case DictionaryEntry::Preposition: {
        const int caseCode = calculateCase(rest);
        if (caseCode != 0) entry->setCase(caseCode);
        break;
    }
    case DictionaryEntry::Pronoun:
        if (showCases) entry->addChild(getPronounData(lines, index));
        break;
    case DictionaryEntry::Packon: {
        const QString above = lineAt(lines, index > 0 ? index - 1 : index);
        type = calculateWordType(separateLatinString(above, false));
        // The dictionary form: the pronoun the tackon goes with, then the
        // tackon (qui + dam). The tackon line stands above the packon's own
        // line, so the search for it starts one line up.
        text = getPackonBase(lines, index) + extractTackon(lines, index - 1);
        // The forms around the packon's own line are its cases.
        if (showCases) entry->addChild(getPronounData(lines, index));
        break;
    }
    default: break;
    }
    if (calculateWordType(rest) != DictionaryEntry::Adjective && calculateWordType(rest) != DictionaryEntry::Packon)
        text = forms.join(QLatin1Char(' '));
    if (text.isEmpty()) return nullptr;
    entry->setEntry(text);
    entry->setType(type);
    entry->setFrequency(calculateFrequency(rest));
    entry->setAge(getAge(rest));
    return entry;
}

DictionaryEntryPtr DictionaryControllerParser::lookForWordForm(const QString& line, const QStringList& lines, int index,
                                                               int* status, bool showCases) {
    DictionaryEntryPtr entry;
    if (hasBracket(line)) {
        const int end = int(line.indexOf(QLatin1Char(']')));
        if (end < 0) return nullptr;
        int start = 0;
        while (start < line.size() && line.at(start).isSpace()) ++start;
        if (start >= end) return nullptr;
        entry = parseLatinVocabString(line.mid(start, end - start), lines, index, showCases);
    } else if (line.contains(QLatin1String("X X CARD"))) {
        entry = parseLatinVocabString(getFirstWordInLine(line) + QLatin1String("   NUM  [XXXXXXXX]"), lines, index,
                                      showCases);
    } else if (line.contains(QLatin1String("UNKNOWN"))) {
        return makeNode(QStringLiteral("Unknown"), DictionaryEntry::Meaning);
    } else if (line.contains(QLatin1String("0 0 X   X X"))) {
        entry = parseLatinVocabString(getFirstWordInLine(line) + QLatin1String(" N U [XXXXXX]"), lines, index,
                                      showCases);
    } else {
        return nullptr;
    }
    if (entry && status) *status = 1;
    return entry;
}

QString DictionaryControllerParser::lookForRootWord(const QStringList& lines, int index) {
    QString supine;
    for (int k = std::min(index, int(lines.size())) - 1; k >= 0; --k) {
        const QString& line = lines.at(k);
        if (isAMeaningString(line) || hasBracket(line) || line.contains(QLatin1Char('~'))) continue;
        if (line.contains(QLatin1Char('+'))) {
            if (line.contains(QLatin1String("SUPINE +"))) supine = getNthWord(3, line);
            continue;
        }
        if (isANewLine(line) || line.isEmpty()) break;
        const QString root = getFirstWordInLine(line);
        return supine.isEmpty() ? root : root + QLatin1Char(' ') + supine;
    }
    QString word = getNthWord(1, lineAt(lines, index));
    word.remove(QLatin1Char('.'));
    word.remove(QLatin1Char(','));
    return word;
}

DictionaryEntryPtr DictionaryControllerParser::getWordModifications(const QStringList& lines, int index) {
    QStringList notices;  // bottom to top
    for (int k = std::min(index, int(lines.size())) - 1; k >= 0; --k) {
        const QString& line = lines.at(k);
        if (hasBracket(line) || line.contains(QLatin1Char(';')) || isANewLine(line)) break;
        if (line.contains(QLatin1String("be rendered by '")) || line.contains(QLatin1String("Syncopated perfect often drops")) ||
            line.contains(QLatin1String("Syncopated perfect sometimes drops"))) {
            notices << line;
        } else if (line.contains(QLatin1String("doubled consonant may be rendered by just the single"))) {
            // The letter is named on the line above; at the top of the answer
            // there is none to name.
            const QString w = getNthWord(3, lineAt(lines, k - 1));
            notices << QStringLiteral("Mediaeval spelling, double %1 changed to single %1").arg(w);
        } else if (line.contains(QLatin1String("May be 2 words combined"))) {
            notices << line;
        }
    }
    if (notices.isEmpty()) return nullptr;
    if (notices.size() == 1) return makeNode(notices.first(), DictionaryEntry::WordModification);
    auto node = makeNode(QStringLiteral("multiple modifications"), DictionaryEntry::WordModification);
    for (int k = int(notices.size()) - 1; k >= 0; --k)
        node->addChild(makeNode(notices.at(k), DictionaryEntry::WordModification));
    return node;
}

void DictionaryControllerParser::addMeanings(const QString& line, const DictionaryEntryList& entries) {
    for (const QString& raw : line.split(QLatin1String("; "))) {
        const QString segment = fixSlashProblem(stripLeadingWhiteSpace(stripReturns(stripColons(raw))));
        if (segment.isEmpty()) continue;
        for (const auto& entry : entries)
            if (entry) entry->addChild(makeNode(segment, DictionaryEntry::Meaning));
    }
}

void DictionaryControllerParser::addEntry(const DictionaryEntryPtr& entry, DictionaryEntryList& list) {
    if (!entry) return;
    for (const auto& e : list)
        if (e->isEqualTo(*entry)) return;
    list.push_back(entry);
}

DictionaryEntryList DictionaryControllerParser::removeDuplicates(const DictionaryEntryList& list) {
    DictionaryEntryList out;
    for (const auto& e : list) addEntry(e, out);
    return out;
}

// ---- Assembly ----

namespace {

bool isWordEntry(const DictionaryEntryPtr& e) {
    return e && e->type() > DictionaryEntry::Uninitialised && e->type() <= DictionaryEntry::Packon;
}

QStringList meaningTexts(const DictionaryEntryPtr& e) {
    QStringList out;
    for (const auto& c : e->childList())
        if (c->type() == DictionaryEntry::Meaning) out << c->entry();
    return out;
}

bool containsAll(const QStringList& larger, const QStringList& smaller) {
    for (const QString& m : smaller)
        if (!larger.contains(m)) return false;
    return true;
}

}  // namespace

void DictionaryControllerParser::joinRepeatedAnalyses(const DictionaryEntryPtr& root) {
    // The analyser repeats a word's meanings under each analysis that has no
    // dictionary line of its own (qui: nom pl, then nom sg); a block that only
    // repeats another's meanings joins it: one entry, both form lines, the
    // meanings once. Two dictionary lines with codes of their own stay apart.
    // The root keeps its children sorted, so the two need not be neighbours.
    auto codesAgree = [](const DictionaryEntry& a, const DictionaryEntry& b) {
        const bool aUnknown = a.frequency() == 0 && a.getAge() == 0, bUnknown = b.frequency() == 0 && b.getAge() == 0;
        return aUnknown || bUnknown || (a.frequency() == b.frequency() && a.getAge() == b.getAge());
    };
    std::vector<std::pair<DictionaryEntryPtr, QStringList>> seen;
    const DictionaryEntryList children = root->childList();
    for (const auto& child : children) {
        if (!isWordEntry(child)) continue;
        const QStringList meanings = meaningTexts(child);
        auto match = std::find_if(seen.begin(), seen.end(), [&](const auto& s) {
            const DictionaryEntry& kept = *s.first;
            return !meanings.isEmpty() && !s.second.isEmpty() && kept.type() == child->type() &&
                   kept.entry() == child->entry() && codesAgree(kept, *child) &&
                   (containsAll(s.second, meanings) || containsAll(meanings, s.second));
        });
        if (match == seen.end()) {
            seen.emplace_back(child, meanings);
            continue;
        }
        const DictionaryEntryPtr& kept = match->first;
        const DictionaryEntryPtr keptForms = kept->firstChildOfType(DictionaryEntry::WordData);
        const DictionaryEntryPtr forms = child->firstChildOfType(DictionaryEntry::WordData);
        if (keptForms && forms && keptForms->entry() != forms->entry())
            keptForms->setEntry(keptForms->entry() + QLatin1String(", ") + forms->entry());
        else if (!keptForms && forms)
            kept->addChildAtIndex(makeNode(forms->entry(), DictionaryEntry::WordData), 0);
        if (meanings.size() > match->second.size()) {
            for (const auto& c : DictionaryEntryList(kept->childList()))
                if (c->type() == DictionaryEntry::Meaning) kept->removeChild(c);
            for (const QString& m : meanings) kept->addChild(makeNode(m, DictionaryEntry::Meaning));
            match->second = meanings;
        }
        root->removeChild(child);
    }
}

DictionaryEntryList DictionaryControllerParser::parseEnglishVocab(const QString& answer, bool showCases) {
    const QStringList lines = separateTranslationString(answer);
    DictionaryEntryList result;
    DictionaryEntryPtr root, previous;
    DictionaryEntryList group;
    bool meaningSeen = false;
    // Meaning lines of a tackon, prefix or suffix: they belong to the word it
    // is attached to, whose analysis follows.
    QStringList fixMeanings;
    QString fixLine;
    // The tackon of the analysed form: one more entry of its root, after all
    // the analyses. Meanings straight under the root would hide the analyses
    // before them, as a headword's references are hidden before its meanings.
    DictionaryEntryPtr rootFix;
    auto fixEntry = [&]() {
        const QString word = getNthWord(1, fixLine);
        const QString kind = getNthWord(2, fixLine);
        const bool prefix = kind == QLatin1String("PREFIX");
        const QString text = word.isEmpty() ? kind : prefix ? word + QLatin1Char('-') : QLatin1Char('-') + word;
        auto node = makeNode(text, kind == QLatin1String("TACKON") ? DictionaryEntry::Enclitic : DictionaryEntry::WordModification);
        for (const QString& m : std::as_const(fixMeanings)) addMeanings(m, {node});
        fixMeanings.clear();
        return node;
    };
    auto finishRoot = [&]() {
        if (root && rootFix) root->addChild(rootFix);
        rootFix.reset();
    };
    auto placeFixMeanings = [&](const DictionaryEntryPtr& target, bool packon) {
        if (!target || fixMeanings.isEmpty()) return;
        if (!packon) {
            rootFix = fixEntry();
            return;
        }
        for (const QString& m : std::as_const(fixMeanings)) addMeanings(m, {target});
        fixMeanings.clear();
    };

    auto place = [&](const DictionaryEntryPtr& entry, const QString& rootText, bool packon, int i) {
        if (!root || root->entry() != rootText) {
            finishRoot();
            root = makeNode(rootText, DictionaryEntry::Root);
            root->addChild(getWordModifications(lines, i));
            result.push_back(root);
        }
        if (group.empty() || group.front()->type() != entry->type() || meaningSeen) group.clear();
        group.push_back(entry);
        root->addChild(entry);
        meaningSeen = false;
        // A packon is the word its tackon makes; any other word carries the
        // tackon as a part of the analysed form.
        placeFixMeanings(packon ? entry : root, packon);
    };

    for (int i = 0; i < lines.size(); ++i) {
        const QString& line = lines.at(i);
        if (isAMeaningString(line) && !isAnExampleLine(lines, i)) {
            if (const int fix = fixLineOf(lines, i); fix >= 0) {
                if (line.contains(QLatin1Char(';'))) {
                    fixLine = lines.at(fix);
                    fixMeanings << line;
                }
                meaningSeen = true;
                continue;
            }
            if (line.contains(QLatin1Char(';')) && startsAnalysisWithoutDictionaryLine(lines, i)) {
                // Its meanings are its own, not those of the entries before.
                if (DictionaryEntryPtr entry = entryWithoutDictionaryLine(lines, i, showCases)) {
                    const QString rootText = lookForRootWord(lines, i);
                    previous = entry;
                    if (!rootText.isEmpty()) {
                        meaningSeen = true;
                        place(entry, rootText, false, i);
                    }
                }
            }
            if (line.contains(QLatin1Char(';'))) {
                if (root) addMeanings(line, group);
            } else if (previous && root) {
                root->removeChild(previous);
                group = {root};
                addMeanings(QStringLiteral("Assuming a capitalized proper name"), group);
            }
            meaningSeen = true;
            continue;
        }
        if (isANewLine(line)) {
            placeFixMeanings(root, false);
            fixMeanings.clear();
            finishRoot();
            root.reset();
            group.clear();
            continue;
        }
        int status = 0;
        DictionaryEntryPtr entry = lookForWordForm(line, lines, i, &status, showCases);
        previous = entry;
        if (!entry) continue;
        QString rootText;
        const bool packon = line.contains(QLatin1String("PACK"));
        if (packon) rootText = entry->entry();
        else if (entry->entry().contains(QLatin1String("Unknown"))) rootText = line;
        else rootText = lookForRootWord(lines, i);
        if (rootText.isEmpty()) continue;
        place(entry, rootText, packon, i);
    }
    placeFixMeanings(root, false);
    finishRoot();
    for (const auto& r : result) joinRepeatedAnalyses(r);
    return removeDuplicates(result);
}

DictionaryEntryList DictionaryControllerParser::parseLatinVocab(const QString& answer, bool showCases) {
    const QStringList lines = separateTranslationString(answer);
    DictionaryEntryList result, group;
    DictionaryEntryPtr current;
    for (int i = 0; i < lines.size(); ++i) {
        const QString& line = lines.at(i);
        if (isAMeaningString(line) && !isAnExampleLine(lines, i)) {
            if (line.contains(QLatin1Char(';')) && current) addMeanings(line, group);
            continue;
        }
        if (isANewLine(line)) {
            group.clear();
            continue;
        }
        int status = 0;
        current = lookForWordForm(line, lines, i, &status, showCases);
        if (current) {
            result.push_back(current);
            group = {current};
        }
    }
    return removeDuplicates(result);
}
