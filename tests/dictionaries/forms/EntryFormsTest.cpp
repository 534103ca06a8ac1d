// The base words of an entry tree and every inflected form of them, the
// forms checked against the Latin analyser installed on the system.

#include "dictionaries/DictionaryControllerParser.h"
#include "dictionaries/DictionaryEntry.h"
#include "morphology/Adjective.h"
#include "morphology/VowelLength.h"

#include "support/CaptureLogger.h"
#include "support/WordsAnalyser.h"

#include <QMap>

#include <gtest/gtest.h>

using E = DictionaryEntry;

namespace {

DictionaryEntryPtr node(const char* text, int type, int conj = 0, int gender = 0) {
    auto e = E::make(QString::fromUtf8(text), type);
    if (conj) e->setConjugation(conj);
    if (gender) e->setGender(gender);
    return e;
}

DictionaryEntryPtr with(DictionaryEntryPtr parent, std::initializer_list<DictionaryEntryPtr> children) {
    for (const auto& c : children) parent->addChild(c);
    return parent;
}

QStringList entriesOf(const DictionaryEntryList& list) {
    QStringList out;
    for (const auto& e : list) out << e->entry();
    return out;
}

// The single words of a form: compound forms split at blanks, alternatives
// at "/" ("fortēs/īs" also gives "fortīs").
QStringList wordsOf(const QString& form) {
    QStringList out;
    for (const QString& token : form.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        const QStringList alternatives = token.split(QLatin1Char('/'), Qt::SkipEmptyParts);
        if (alternatives.isEmpty()) continue;
        const QString& first = alternatives.first();
        out.append(first);
        for (qsizetype i = 1; i < alternatives.size(); ++i) {
            const QString& alt = alternatives.at(i);
            out.append(alt.size() < first.size() ? first.left(first.size() - alt.size()) + alt : alt);
        }
    }
    return out;
}

QSet<QString> setOf(std::initializer_list<const char*> texts) {
    QSet<QString> out;
    for (const char* t : texts) out.insert(QString::fromUtf8(t));
    return out;
}

}  // namespace

TEST(EntryForms, BaseWordsOfATree) {
    struct Case {
        const char* name;
        DictionaryEntryPtr tree;
        QStringList expected;
    } cases[] = {
        {"a noun without gender gives way to its children",
         with(node("", E::Root), {with(node("rosa", E::Noun, 1, 0), {node("rosa rosae", E::Noun, 1, 2)})}),
         {"rosa rosae"}},
        {"one base word per text, declension and gender",
         with(node("", E::Root), {node("canis canis", E::Noun, 3, 1), node("canis canis", E::Noun, 3, 1),
                                  node("canis canis", E::Noun, 3, 2)}),
         {"canis canis", "canis canis"}},
        {"an inflected noun's children are not walked",
         with(node("", E::Root), {with(node("rosa rosae", E::Noun, 1, 2), {node("bene", E::Adverb)})}),
         {"rosa rosae"}},
        {"a verb without conjugation gives way to its children",
         with(node("", E::Root), {with(node("amo", E::Verb), {node("amo amare amavi amatus", E::Verb, 1)})}),
         {"amo amare amavi amatus"}},
        {"verbs and adjectives are one per text and conjugation",
         with(node("", E::Root), {node("amo amare", E::Verb, 1), node("amo amare", E::Verb, 1),
                                  node("bonus bona bonum", E::Adjective, 1), node("bonus bona bonum", E::Adjective, 1),
                                  node("bonus bona bonum", E::Adjective, 2)}),
         {"amo amare", "bonus bona bonum", "bonus bona bonum"}},
        {"a numeral is taken whole",
         with(node("", E::Root), {with(node("duo -ae -o", E::Numeral, 1), {node("bene", E::Adverb)}),
                                  node("duo -ae -o", E::Numeral, 1)}),
         {"duo -ae -o", "duo -ae -o"}},
        {"words that do not inflect are taken with their children",
         with(node("", E::Root), {with(node("bene", E::Adverb), {node("et", E::Conjunction)}),
                                  with(node("amatus", E::Participle), {node("valde", E::Adverb)})}),
         {"bene", "et", "amatus", "valde"}},
        {"senses, notes and examples are walked through",
         with(node("", E::Root), {with(node("love", E::Meaning), {with(node("ex", E::Example), {node("in", E::Preposition)})})}),
         {"in"}},
        {"the walk starts at the node itself", node("ecce", E::Interjection), {"ecce"}},
    };
    for (const Case& c : cases) EXPECT_EQ(entriesOf(c.tree->getBaseWords()), c.expected) << c.name;
}

TEST(EntryForms, UnhandledNodesAreLoggedAndWalkedThrough) {
    const struct {
        int type;
        const char* logged;
    } cases[] = {
        {E::Packon, "packon not handled"},
        {E::Phrase, "phrase not handled"},
        {E::AdverbAndPreposition, "Base words unhandled for"},
        {E::WordFormSample, "Base words unhandled for"},
        {40, "Base words unhandled for"},
    };
    for (const auto& c : cases) {
        CaptureLogger::Scope log;
        const auto tree = with(node("x", c.type), {node("bene", E::Adverb)});
        EXPECT_EQ(entriesOf(tree->getBaseWords()), QStringList({"bene"})) << c.type;
        EXPECT_TRUE(log->contains(QString::fromLatin1(c.logged))) << c.type;
    }
    E unowned;
    EXPECT_TRUE(unowned.getBaseWords().empty());
}

TEST(EntryForms, FormsOfEachKindOfBaseWord) {
    struct Case {
        const char* name;
        DictionaryEntryPtr tree;
        QSet<QString> expected;
    } cases[] = {
        {"a noun's twelve case forms", node("puella puellae", E::Noun, 1, 2),
         setOf({"puella", "puellae", "puellam", "puellā", "puellārum", "puellīs", "puellās"})},
        {"words that do not inflect stand as they are",
         with(node("", E::Root), {node("bene", E::Adverb), node("et", E::Conjunction), node("in", E::Preposition),
                                  node("ecce", E::Interjection), node("amatus", E::Participle)}),
         setOf({"bene", "et", "in", "ecce", "amatus"})},
        {"irregular verbs and adjectives beyond group 5 give nothing",
         with(node("", E::Root), {node("sum esse fui futurus", E::Verb, 8), node("plus pluris", E::Adjective, 6)}),
         {}},
        {"a numeral of one word is itself", node("decem", E::Numeral, 1), setOf({"decem"})},
        {"a numeral with notes", node("tres (tria) -o", E::Numeral, 3), setOf({"tres", "-o"})},
    };
    for (const Case& c : cases) EXPECT_EQ(c.tree->getAllInflectedForms(), c.expected) << c.name;

    CaptureLogger::Scope log;
    EXPECT_TRUE(node("ego", E::Pronoun)->getAllInflectedForms().isEmpty());
    EXPECT_TRUE(log->contains(QStringLiteral("7 not handled")));
}

TEST(EntryForms, DuoIsDeclinedFromTheEndWithoutItsSingular) {
    const QSet<QString> forms = node("duo -ae -o", E::Numeral, 1)->getAllInflectedForms();
    // "-o" stands by itself; "duo -ae " (the trailing blank left by joining
    // from the end) is declined as an adjective, in the plural only.
    Adjective duo;
    duo.setLatin(QStringLiteral("duo -ae "));
    duo.setConjugation(1);
    QSet<QString> plural, singular;
    for (qint64 c = 1; c <= 6; ++c)
        for (qint64 gender = 1; gender <= 3; ++gender) {
            plural.insert(duo.getDeclinedValue(c, false, gender, 0, false));
            singular.insert(duo.getDeclinedValue(c, true, gender, 0, false));
        }
    plural.remove(QString());
    ASSERT_FALSE(singular.subtract(plural).isEmpty());
    EXPECT_EQ(forms, plural + QSet<QString>{QStringLiteral("-o")});

    // Without "-ae" the singular is kept.
    const QSet<QString> unus = node("unus -a -um", E::Numeral, 1)->getAllInflectedForms();
    for (const char* form : {"unus", "unum", "una", "unōrum", "unīs"}) EXPECT_TRUE(unus.contains(QString::fromUtf8(form))) << form;
}

namespace {

// Forms of the analysed words that the analyser itself does not know, with
// the reason; each is checked to be still unknown.
const QMap<QString, QString>& knownGaps() {
    static const QMap<QString, QString> gaps = {};
    return gaps;
}

}  // namespace

// The entries the analyser gives for a noun, a verb and an adjective (and
// the other words sharing their forms), read by the answer parser, and every
// form listed for them looked up in the analyser again.
TEST(EntryForms, EveryFormOfAnalysedEntriesIsKnownToTheAnalyser) {
    if (words_analyser::program().isEmpty()) GTEST_SKIP() << "whitakers-words is not installed";
    const QStringList lookedUp = {"puella", "urbs", "corpus", "manus", "dies", "amo", "moneo", "rego", "audio", "capio", "bonus", "fortis", "acer", "pulcher", "ingens"};
    const words_analyser::Run run = words_analyser::analyse(lookedUp, false);
    ASSERT_TRUE(run.finished) << run.error.toStdString();

    // One answer per prompt, after the banner and the set-up questions.
    QStringList answers = run.output.split(QStringLiteral("=>"));
    answers.removeIf([](const QString& a) { return a.contains(QLatin1String("(Currently")) || a.contains(QLatin1String("English-to-Latin")); });
    QStringList queries;
    QMap<QString, QString> madeBy;
    QSet<int> kinds;
    for (const QString& answer : answers) {
        for (const DictionaryEntryPtr& root : DictionaryControllerParser::parseEnglishVocab(answer, false)) {
            // As the dictionary window shows them: an adjective's declension
            // is worked out from its text when it is first shown.
            for (const DictionaryEntryPtr& entry : root->childList()) entry->font();
            for (const DictionaryEntryPtr& base : root->getBaseWords()) kinds.insert(base->type());
            for (const QString& form : root->getAllInflectedForms())
                for (const QString& word : wordsOf(form)) {
                    const QString plain = foldLatinString(word).toLower();
                    if (plain.isEmpty() || madeBy.contains(plain)) continue;
                    madeBy.insert(plain, root->entry());
                    queries.append(plain);
                }
        }
    }
    ASSERT_TRUE(kinds.contains(E::Noun) && kinds.contains(E::Verb) && kinds.contains(E::Adjective));
    ASSERT_GT(queries.size(), 200);

    QString error;
    // The check itself can fail: a made-up form is reported.
    EXPECT_EQ(words_analyser::unknownWords({QStringLiteral("amo"), QStringLiteral("amavx"), QStringLiteral("jujx")}, &error),
              QStringList({"amavx", "jujx"}));
    const QStringList unknown = words_analyser::unknownWords(queries, &error);
    ASSERT_TRUE(error.isEmpty()) << error.toStdString();
    QStringList unexpected;
    for (const QString& q : unknown)
        if (!knownGaps().contains(q)) unexpected.append(q + QStringLiteral(" (") + madeBy.value(q) + QLatin1Char(')'));
    EXPECT_TRUE(unexpected.isEmpty()) << "unknown to the analyser: " << unexpected.join(QStringLiteral(", ")).toStdString();
    for (auto it = knownGaps().begin(); it != knownGaps().end(); ++it)
        EXPECT_TRUE(unknown.contains(it.key())) << "no longer a gap: " << it.key().toStdString();
}
