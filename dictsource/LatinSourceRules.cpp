#include "dictsource/LatinSourceRules.h"

#include "morphology/VerbPartPlacement.h"
#include "morphology/VowelLength.h"

#include <QRegularExpression>

namespace latinsource {

namespace {
QSet<QString> makeSet(std::initializer_list<const char16_t*> items) {
    QSet<QString> set;
    for (const char16_t* s : items) set.insert(QString::fromUtf16(s));
    return set;
}
}  // namespace

const QSet<QString>& firstDeclensionEndings() {
    static const QSet<QString> set = makeSet({u"ae"});
    return set;
}
const QSet<QString>& secondDeclensionEndings() {
    static const QSet<QString> set = makeSet({u"ī", u"trī", u"grī", u"ōrum", u"i", u"iī", u"ï", u"orum"});
    return set;
}
const QSet<QString>& thirdDeclensionEndings() {
    static const QSet<QString> set = makeSet({u"", u"idis or idos"});
    return set;
}
const QSet<QString>& fourthDeclensionEndings() {
    static const QSet<QString> set = makeSet({u"ūs"});
    return set;
}
const QSet<QString>& fifthDeclensionEndings() {
    static const QSet<QString> set = makeSet({u"ēī"});
    return set;
}
const QSet<QString>& thirdDeclensionAdjectiveEndings() {
    static const QSet<QString> set = makeSet({u"e"});
    return set;
}

int declensionForPotentialNounEnding(const QString& ending) {
    if (firstDeclensionEndings().contains(ending)) return 1;
    if (secondDeclensionEndings().contains(ending)) return 2;
    if (thirdDeclensionEndings().contains(ending)) return 3;
    if (fourthDeclensionEndings().contains(ending)) return 4;
    if (fifthDeclensionEndings().contains(ending)) return 5;
    if (ending.endsWith(u"rī")) return 2;
    if (ending.endsWith(u"eī")) return 5;
    if (ending.endsWith(u"is") || ending.endsWith(u"īs") || ending.endsWith(u"um")) return 3;
    return 0;
}

int conjugationForEreVerb(const QString& headword) {
    // făcĭo as well as facio: the length mark leaves the letter an i.
    if (headword.size() >= 3 && QStringLiteral("i\u012D\u012B").contains(headword.at(headword.size() - 2))) return 5;
    return 3;
}

int conjugationForIreVerb(const QString& headword) {
    if (headword.size() >= 2 && headword.at(headword.size() - 2) == QLatin1Char('e')) return 7;
    return 4;
}

void removeBrackets(DictionaryXMLParser& parser) {
    const DictionaryEntryPtr entry = parser.curEntry();
    if (!entry) return;
    const QString text = entry->entry();
    qsizetype at = text.indexOf(QLatin1Char('('));
    if (at < 0) at = text.indexOf(QLatin1Char(','));
    if (at < 0) return;
    parser.addNote(text.mid(at + 1));
    entry->setEntry(text.left(at).remove(QLatin1Char(' ')));
}

DictionaryEntryPtr addRedirect(DictionaryXMLParser& parser, const QString& text) {
    const DictionaryEntryPtr entry = parser.curEntry();
    if (!entry) return nullptr;
    auto redirect = DictionaryEntry::make(text, DictionaryEntry::Redirect);
    entry->addChild(redirect);
    entry->setType(DictionaryEntry::Redirect);
    return redirect;
}

QString wholePrincipalPart(const QString& headword, const QString& part, bool borrowLengths) {
    return verbparts::wholePart(headword, part, borrowLengths);
}

namespace {

int conjugationOfVerbLine(const QString& line, int conjugation) {
    if (conjugation != 3) return conjugation;
    QString plain = foldLatinString(line.section(u' ', 0, 0)).toLower();
    plain.remove(u'^').remove(u'_').remove(u'-');
    const bool io = (plain.size() >= 4 && plain.endsWith(QLatin1String("io"))) ||
                    (plain.size() >= 5 && plain.endsWith(QLatin1String("ior")));
    return io ? 5 : conjugation;
}

// A part the line already gives without its hyphen that restates the simple
// verb of a compound (expergiscor, perrectus) takes the compound's prefix.
QString withPrefixedWholeParts(const QString& headword, const QString& words, qsizetype prefixEnd) {
    QStringList list = words.split(u' ');
    for (QString& word : list) {
        if (word.size() < 4) continue;
        const QString whole = verbparts::wholePart(headword, word, false, prefixEnd);
        if (whole.size() > word.size()) word = whole;
    }
    return list.join(u' ');
}

QString withWholePrincipalParts(const QString& line, bool borrowLengths, qsizetype prefixEnd) {
    QStringList slots = line.split(QStringLiteral(" -"));
    if (slots.size() < 2) return line;
    // A perfect read before the conjugation gave the infinitive stands as
    // the infinitive's alternative (rĕ-curro, curri, 3: "-ere or -curri");
    // it is the next slot.
    static const QRegularExpression infinitiveOr(QStringLiteral("^(āre|ēre|ere|īre) or$"));
    if (slots.size() == 3 && infinitiveOr.match(slots.at(1)).hasMatch()) slots[1].chop(3);
    const QString headword = slots.first().section(u' ', 0, 0);
    QString out = slots.first();
    for (qsizetype i = 1; i < slots.size(); ++i) {
        const QString& slot = slots.at(i);
        const qsizetype blank = slot.indexOf(u' ');
        const QString word = blank < 0 ? slot : slot.left(blank);
        const QString rest = blank < 0 ? QString() : withPrefixedWholeParts(headword, slot.mid(blank), prefixEnd);
        const QString whole = word.isEmpty() ? QString() : verbparts::wholePart(headword, word, borrowLengths, prefixEnd);
        if (whole.isNull()) out += QStringLiteral(" -") + word + rest;
        else out += QLatin1Char(' ') + whole + rest;
    }
    return out;
}

}  // namespace

void finishVerbLine(const DictionaryEntryPtr& entry, bool borrowLengths, qsizetype prefixEnd) {
    entry->setEntry(withWholePrincipalParts(entry->entry(), borrowLengths, prefixEnd));
    entry->setConjugation(conjugationOfVerbLine(entry->entry(), entry->conjugation()));
}

void makeThirdConjEndings(DictionaryXMLParser& parser, const QString& infinitive, const QString& perfect,
                          const QString& supine) {
    removeBrackets(parser);
    const DictionaryEntryPtr entry = parser.curEntry();
    if (!entry) return;
    const QString headword = entry->entry();
    QString line = headword;
    line += infinitive == QLatin1String("ere") ? QStringLiteral(" -ere") : QLatin1Char(' ') + infinitive;
    const QString wholeSupine = supine.isEmpty() ? QString() : wholePrincipalPart(headword, supine);
    auto appendSupine = [&](bool onStem, const QString& stem) {
        if (supine.isEmpty()) line += QStringLiteral(" -");
        else if (!wholeSupine.isNull()) line += QLatin1Char(' ') + wholeSupine;
        else if (!onStem) line += QStringLiteral(" -") + supine;
        else line += QLatin1Char(' ') + stem + supine;
    };
    const QString wholePerfect = perfect.isEmpty() ? QString() : wholePrincipalPart(headword, perfect);
    if (perfect.isEmpty()) {
        line += QStringLiteral(" -");
        appendSupine(false, QString());
    } else if (!wholePerfect.isNull()) {
        // A perfect given whole stands as it is; so does a supine given whole.
        line += QLatin1Char(' ') + wholePerfect;
        appendSupine(false, QString());
    } else {
        const qsizetype from = headword.size() - (entry->conjugation() == 5 ? 3 : 2);
        const qsizetype at = from >= 0 ? headword.lastIndexOf(perfect.at(0), from) : -1;
        if (at >= 0) {
            const QString stem = headword.left(at);
            line += QLatin1Char(' ') + stem + perfect;
            appendSupine(true, stem);
        } else {
            line += QStringLiteral(" -") + perfect;
            appendSupine(false, QString());
        }
    }
    entry->setEntry(line);
}

bool isVerb(DictionaryXMLParser& parser, const QString& text, bool incomplete) {
    const DictionaryEntryPtr entry = parser.curEntry();
    if (!entry) return false;
    if (entry->type() == DictionaryEntry::Verb && incomplete) return true;
    QStringList pieces;
    for (const QString& p : text.split(QLatin1Char(',')))
        if (!p.isEmpty()) pieces << p;
    if (pieces.size() < 2) return false;
    const QString last = pieces.last().trimmed();
    const QString headword = entry->entry();
    int conjugation = 0;
    if (last == u"ere") conjugation = conjugationForEreVerb(headword);
    else if (last == u"āre") conjugation = 1;
    else if (last == u"ēre") conjugation = 2;
    else if (last == u"īre") conjugation = conjugationForIreVerb(headword);
    if (conjugation == 0) {
        if (!last.endsWith(u"um") && parser.loggingEnabled())
            parser.logText(__FILE__, Q_FUNC_INFO, __LINE__, QStringLiteral("isVerb ") + text);
        return false;
    }
    entry->setType(DictionaryEntry::Verb);
    entry->setConjugation(conjugation);
    return true;
}

const QSet<QString>& ignorePosSet() {
    static const QSet<QString> set = makeSet(
        {u"he believes they have the prep", u"as prep", u"with the grave accent; as adv", u"qs. from an adj",
         u"qs. P. a", u"cinctutus from cinctus; and astus itself has the form of a P. a", u"and P. a", u"of the adj",
         u"prop. adj", u"from an unused adj", u"from the unused v. a", u"formerly assumed as P. a", u"from an adj",
         u"comp. of the interj", u"to knead; through an adj", u"obsol. adj", u"prob. adj", u"II. P. a",
         u"v. under P. a", u"from the adv", u"old prep", u"root in Sanscr. prep",
         u"prob. also ante-class.; v. below the adv", u"of tollo; as P. a", u"= ζυγία (prop. an adj"});
    return set;
}

void deleteFromString(QString& text, const QString& target, const QString& replacement) {
    if (target.isEmpty()) return;
    text.replace(target, replacement);
}

}  // namespace latinsource
