// The inflection types of the elementary converter: the dispatch by the
// number of comma-separated components and the one-component rules.

#include "dictsource/ElementaryRuleData.h"
#include "dictsource/LatinSourceRules.h"
#include "dictsource/NBSourceXMLParser.h"

using namespace latinsource;

namespace {
QSet<QString> makeSet(std::initializer_list<const char16_t*> items) {
    QSet<QString> set;
    for (const char16_t* s : items) set.insert(QString::fromUtf16(s));
    return set;
}
}  // namespace

const QSet<QString>& NBSourceXMLParser::singleITypeExceptionSet() {
    static const QSet<QString> set = elementarydata::table(QStringLiteral("singleITypeExceptions")).keys();
    return set;
}
const QSet<QString>& NBSourceXMLParser::type1NoteSet() {
    static const QSet<QString> set =
        makeSet({u"false spelling", u"see ", u"collat. form",
                 u"written for the praenomen Gnaeus; e. g. Cn. Domitius Ahenobarbus", u"old for 2 istic",
                 u"contracted for se ipse"});
    return set;
}
const QSet<QString>& NBSourceXMLParser::ignoreSingleITypeSet() {
    static const QSet<QString> set =
        makeSet({u"a or ia", u"frūctus", u"nātus", u"nīxus", u"ōcius", u"a", u"ados", u"c", u"tria"});
    return set;
}
const QSet<QString>& NBSourceXMLParser::iTypePrependSet() {
    static const QSet<QString> set =
        makeSet({u"or", u"see", u"only", u"old", u"an", u"in words compounded with", u"a suffix of"});
    return set;
}
const QSet<QString>& NBSourceXMLParser::iTypeAppendSet() {
    static const QSet<QString> set = makeSet({u"ē", u"idis", u"yos", u"ōnus", u"on", u"ōn", u"isse", u"tera",
                                              u"idos", u"adis and ados", u"ygis and ygos"});
    return set;
}
const QSet<QString>& NBSourceXMLParser::iTypeDeleteSet() {
    static const QSet<QString> set = makeSet({u"and", u"poet. also", u"Cs"});
    return set;
}

void NBSourceXMLParser::appendToHeadword(const QString& text) {
    if (const DictionaryEntryPtr entry = curEntry()) entry->setEntry(entry->entry() + text);
}

void NBSourceXMLParser::removeBracketsFromCurEntry() { removeBrackets(*this); }
DictionaryEntryPtr NBSourceXMLParser::addRedirect(const QString& text) { return latinsource::addRedirect(*this, text); }
void NBSourceXMLParser::makeThirdConjEndings(const QString& infinitive, const QString& perfect, const QString& supine) {
    latinsource::makeThirdConjEndings(*this, infinitive, perfect, supine);
}
int NBSourceXMLParser::conjugationForIreVerb() const {
    return latinsource::conjugationForIreVerb(curEntry() ? curEntry()->entry() : QString());
}
int NBSourceXMLParser::conjugationForEreVerb() const {
    return latinsource::conjugationForEreVerb(curEntry() ? curEntry()->entry() : QString());
}

void NBSourceXMLParser::parseIType() {
    const DictionaryEntryPtr entry = curEntry();
    if (!entry) return;
    if (specialWordSet().contains(entry->entry())) return;
    const QString text = rawString();
    if (text.contains(u"for ") && text.contains(u"see ")) {
        addNote(text);
        entry->setType(DictionaryEntry::Redirect);
        return;
    }
    QStringList components;
    // Line breaks between the elements of an indented source run into the
    // text too; they are trimmed with the blanks.
    for (const QString& c : trimmed(text, u" .;\n\r\t").split(QLatin1Char(',')))
        if (!c.isEmpty() && c != QLatin1String(" ")) components << c;
    if (components.size() == 1) handle1ComponentIType(components.first());
    else if (components.size() == 2) handle2ComponentIType(components);
    else if (components.size() == 3) handle3ComponentIType(components);
    else if (components.size() == 4) handle4ComponentIType(components);
    else DSLog("Itype not handled %@", text);
}

void NBSourceXMLParser::handle1ComponentIType(const QString& component) {
    const DictionaryEntryPtr entry = curEntry();
    if (!entry) return;
    const QString t = trimmed(component, junkCharSet());
    auto noun = [&](int declension) {
        entry->setType(DictionaryEntry::Noun);
        appendToHeadword(QStringLiteral(" -") + t);
        entry->setConjugation(declension);
    };
    auto verb = [&](const QString& line, std::optional<int> conjugation) {
        appendToHeadword(line);
        entry->setType(DictionaryEntry::Verb);
        incomplete_ = true;
        if (conjugation) entry->setConjugation(*conjugation);
    };
    if (t == u"as an abbreviation" || t == u"abbrev") {
        setMeaningPrefix(QStringLiteral("Abbreviation"));
        entry->setType(DictionaryEntry::Abbreviation);
        return;
    }
    if (t.startsWith(u"a false spelling")) {
        addNote(t);
        entry->setType(DictionaryEntry::Misspelling);
        return;
    }
    if (t.startsWith(u"see ")) {
        addNote(t);
        entry->setType(DictionaryEntry::Redirect);
        return;
    }
    if (rawString().contains(u"collat. form")) {
        addNote(t);
        entry->setType(DictionaryEntry::Note);
        return;
    }
    removeBracketsFromCurEntry();
    // Most texts are in none of these sets: each is turned away before hashing.
    using elementarydata::ShapedSet;
    static const ShapedSet first(firstDeclensionEndings()), second(secondDeclensionEndings()),
        third(thirdDeclensionEndings()), fourth(fourthDeclensionEndings()), fifth(fifthDeclensionEndings()),
        thirdAdjective(thirdDeclensionAdjectiveEndings()), exceptions(singleITypeExceptionSet()),
        prepend(iTypePrependSet()), remove(iTypeDeleteSet()), ignore(ignoreSingleITypeSet()), append(iTypeAppendSet());
    // A deponent's infinitive ends like a second-declension genitive in
    // "rī"; a plural-only noun gives its genitive plural. Both are read
    // before the noun endings.
    if (t == u"ārī" || t == u"ērī" || t == u"īrī") {
        verb(QStringLiteral(" -") + t + QStringLiteral(" -"), t == u"ārī" ? 1 : t == u"ērī" ? 2 : conjugationForIreVerb());
        entry->setDeponent(true);
    } else if (t == u"ārum") {
        entry->setType(DictionaryEntry::Noun);
        appendToHeadword(QStringLiteral(" -ārum"));
        entry->setConjugation(1);
    } else if (first.contains(t)) noun(1);
    else if (t == u"orum" || t == u"ōrum") {
        entry->setType(DictionaryEntry::Noun);
        appendToHeadword(QStringLiteral(" -ōrum"));
        entry->setConjugation(2);
    } else if (t.endsWith(u"rī") || second.contains(t)) noun(2);
    else if (t.endsWith(u"eī")) noun(5);
    else if (t.endsWith(u"is") || t.endsWith(u"īs") || t.endsWith(u"um")) noun(3);
    else if (third.contains(t)) noun(3);
    else if (fourth.contains(t)) noun(4);
    else if (fifth.contains(t)) noun(5);
    else if (thirdAdjective.contains(t)) {
        entry->setType(DictionaryEntry::Adjective);
        appendToHeadword(QStringLiteral(" -") + t);
        entry->setConjugation(3);
    } else if (t == QString(kEmDash)) appendToHeadword(QStringLiteral(" -"));
    else if (t == u"āre") {
        appendToHeadword(QStringLiteral(" -āre - -"));
        entry->setType(DictionaryEntry::Verb);
        entry->setConjugation(1);
    } else if (t.endsWith(u"uī")) verb(QStringLiteral(" - -") + t + QStringLiteral(" -"), 2);
    else if (t.endsWith(u"avī")) verb(QStringLiteral(" - -") + t + QStringLiteral(" -"), 1);
    else if (t.endsWith(u"irī") || t.endsWith(u"īre"))
        verb(QStringLiteral(" -") + t + QStringLiteral(" - -"), conjugationForIreVerb());
    else if (t.endsWith(u"ere")) verb(QStringLiteral(" -") + t + QStringLiteral(" - -"), 3);
    else if (t.endsWith(u"ēvī") || t.endsWith(u"vī") || t.endsWith(u"ī"))
        verb(QStringLiteral(" - -") + t + QStringLiteral(" -"), std::nullopt);
    else if (t.contains(u"see ")) handleSeeIType(t);
    else if (t == u"ēs") {
        appendToHeadword(QStringLiteral(" -ēs"));
        addNote(QStringLiteral("Greek 1st Declension"));
        entry->setType(DictionaryEntry::Noun);
    } else if (t == u"es") {
        appendToHeadword(QStringLiteral(" -es"));
        entry->setType(DictionaryEntry::Noun);
    } else if (t == u"eos") {
        appendToHeadword(QStringLiteral(" -eos"));
        entry->setGender(2);
        entry->setType(DictionaryEntry::Noun);
    } else if (t.endsWith(u"inseparable particle")) {
        entry->setType(DictionaryEntry::Particle);
        if (entry->entry() == u"in") {
            entry->setEntry(QStringLiteral("in-"));
            addNote(QStringLiteral("In composition in- has the same forms as the praep. in, but loses the n before gn-"));
        } else {
            addNote(QStringLiteral("inseparable particle"));
        }
    } else if (exceptions.contains(t)) parseSingleITypeExceptions(t);
    else if (prepend.contains(t) || remove.contains(t) || ignore.contains(t) || append.contains(t) ||
             t.endsWith(u"cūtus"))
        iType_ = t;
    else if (t.startsWith(u"old")) addRedirect(t);
    else if (t == u"ius") {
        entry->setType(DictionaryEntry::Adjective);
        entry->setConjugation(3);
        addNote(QStringLiteral("Alt ending -ius"));
    } else if (t == u"us") {
    } else {
        bool note = false;
        for (const QString& n : type1NoteSet())
            if (t.contains(n)) note = true;
        if (note) addNote(t);
        else iType_ = t;
    }
}

void NBSourceXMLParser::handleSeeIType(const QString& text) {
    const DictionaryEntryPtr entry = curEntry();
    if (!entry) return;
    QStringList pieces = text.split(QStringLiteral("; see "));
    const QString target = pieces.takeLast();
    if (!pieces.isEmpty()) {
        const QString first = pieces.first().trimmed();
        if (first.startsWith(u"in ")) addNote(first);
        else if (!handleIE(first) && !handleEtc(first)) handle1ComponentIType(first);
    }
    addNote(QStringLiteral("see ") + target);
    entry->setType(DictionaryEntry::Redirect);
}

bool NBSourceXMLParser::handleIE(const QString& text) {
    if (!text.contains(u"i. e. ")) return false;
    addNote(text);
    return true;
}

// Without a child to fold into the headword line the text is left to the
// other rules.
bool NBSourceXMLParser::handleEtc(const QString& text) {
    const DictionaryEntryPtr entry = curEntry();
    if (text != u"etc." || !entry) return false;
    const DictionaryEntryPtr last = entry->lastChild();
    if (!last) return false;
    entry->removeChild(last);
    appendToHeadword(QStringLiteral(", ") + last->entry() + QStringLiteral(" etc."));
    return true;
}

void NBSourceXMLParser::parseSingleITypeExceptions(const QString& t) {
    runFixedResult(QStringLiteral("singleITypeExceptions"), t);
}
