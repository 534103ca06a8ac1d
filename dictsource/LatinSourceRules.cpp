#include "dictsource/LatinSourceRules.h"

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
    if (headword.size() >= 3 && headword.at(headword.size() - 2) == QLatin1Char('i')) return 5;
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

void makeThirdConjEndings(DictionaryXMLParser& parser, const QString& infinitive, const QString& perfect,
                          const QString& supine) {
    removeBrackets(parser);
    const DictionaryEntryPtr entry = parser.curEntry();
    if (!entry) return;
    const QString headword = entry->entry();
    QString line = headword;
    line += infinitive == QLatin1String("ere") ? QStringLiteral(" -ere") : QLatin1Char(' ') + infinitive;
    auto appendSupine = [&](bool onStem, const QString& stem) {
        if (supine.isEmpty()) line += QStringLiteral(" -");
        else if (!onStem) line += QStringLiteral(" -") + supine;
        else line += QLatin1Char(' ') + stem + supine;
    };
    if (perfect.isEmpty()) {
        line += QStringLiteral(" -");
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

void deleteFromString(QString& text, const QString& target, const QString& replacement) {
    if (target.isEmpty()) return;
    text.replace(target, replacement);
}

}  // namespace latinsource
