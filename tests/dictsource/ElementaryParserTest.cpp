// The elementary dictionary converter on small documents in the structure
// of its TEI source, and on a 200-entry sample covering its rules.

#include "ParserFixture.h"
#include "dictionaries/ElementaryLewis.h"
#include "dictsource/ElementaryRuleData.h"
#include "dictsource/ElementarySourceBuilder.h"
#include "platform/NotificationCenter.h"
#include "platform/PropertyList.h"
#include "dictsource/LatinSourceRules.h"
#include "dictsource/NBSourceXMLParser.h"
#include "support/Python.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

struct ElementaryConverted {
    std::shared_ptr<NBSourceXMLParser> parser;
    std::shared_ptr<QStringList> messages;
    ts::ValueDictionary result;
    DictionaryEntryList entries;

    bool logged(const QString& part) const {
        for (const QString& m : *messages)
            if (m.contains(part)) return true;
        return false;
    }
    DictionaryEntryPtr entry(int i = 0) const { return i < int(entries.size()) ? entries[size_t(i)] : nullptr; }
};

ElementaryConverted convertElementary(const QString& body) {
    installTestServices();
    ElementaryConverted c;
    c.parser = std::make_shared<NBSourceXMLParser>();
    c.messages = std::make_shared<QStringList>();
    auto messages = c.messages;
    c.parser->setDeveloperSink(std::make_shared<DeveloperSink>());
    c.parser->setLogSink([messages](const char*, const char*, int, const QString& text) { *messages << text; });
    const QString document = body.startsWith(QLatin1String("<?xml"))
                                 ? body
                                 : QStringLiteral("<TEI.2><text><body>%1</body></text></TEI.2>").arg(body);
    const ts::Value data = c.parser->parseString(document);
    if (data.isDictionary()) c.result = data.dictionary();
    c.entries = c.parser->entries();
    return c;
}

QString entryXML(const QString& orth, const QString& inner, const QString& key = QStringLiteral("k")) {
    return QStringLiteral("<entry id=\"n1\" type=\"main\" key=\"%1\"><form><orth extent=\"full\" lang=\"la\">%2</orth>"
                          "</form>%3</entry>")
        .arg(key, orth, inner);
}

QString senseXML(const QString& text, int level = 1) {
    return QStringLiteral("<sense id=\"n1.%1\" level=\"%1\" n=\"I\">%2</sense>").arg(level).arg(text);
}

QString sampleFile() {
    return QStringLiteral(TS_DICTSOURCE_ELEMENTARY) + QStringLiteral("/sample200.xml");
}

}  // namespace

TEST(ElementaryParser, WorkedExampleRiverStream) {
    const ElementaryConverted c = convertElementary(
        entryXML(QStringLiteral("flūmen"), QStringLiteral("<itype>inis</itype>") +
                                               senseXML(QStringLiteral("a river: <foreign lang=\"la\">flumen</foreign>, a stream"))));
    ASSERT_EQ(c.entries.size(), 1u);
    const auto e = c.entry();
    EXPECT_EQ(e->entry(), QStringLiteral("flūmen -inis"));
    EXPECT_EQ(e->type(), 1);
    EXPECT_EQ(e->conjugation(), 3);
    const auto meanings = childrenOfType(e, 13);
    ASSERT_EQ(meanings.size(), 1u);
    EXPECT_EQ(meanings[0]->entry(), QStringLiteral("a river"));
    ASSERT_EQ(meanings[0]->childCount(), 1);
    const auto example = meanings[0]->lastChild();
    EXPECT_EQ(example->type(), 16);
    EXPECT_EQ(example->entry(), QStringLiteral("flumen"));
    EXPECT_TRUE(example->isForeign());
    EXPECT_EQ(example->translation(), QStringLiteral(" a stream"));
    // The meaning closes with its sense: a second sense's text and example
    // make a meaning of their own and leave the first as it was.
    const ElementaryConverted two = convertElementary(entryXML(
        QStringLiteral("flūmen"), senseXML(QStringLiteral("a river: <foreign lang=\"la\">flumen</foreign>, a stream")) +
                                      senseXML(QStringLiteral("a flood: <foreign lang=\"la\">flumina</foreign>, floods"))));
    const auto both = childrenOfType(two.entry(), 13);
    ASSERT_EQ(both.size(), 2u);
    EXPECT_EQ(both[0]->childCount(), 1);
    EXPECT_EQ(both[1]->entry(), QStringLiteral("a flood"));
    ASSERT_EQ(both[1]->childCount(), 1);
    EXPECT_EQ(both[1]->firstChild()->entry(), QStringLiteral("flumina"));
}

TEST(ElementaryParser, OneComponentTypes) {
    struct Row {
        const char* itype;
        const char* line;
        int type, conj;
    } rows[] = {
        {"ae", "rosa -ae", 1, 1},          {"ī", "rosa -ī", 1, 2},          {"trī", "rosa -trī", 1, 2},
        {"is", "rosa -is", 1, 3},          {"ūs", "rosa -ūs", 1, 4},        {"ēī", "rosa -ēī", 1, 5},
        {"e", "rosa -e", 3, 3},            {"orum", "rosa -ōrum", 1, 2},    {"āre", "rosa -āre - -", 2, 1},
        {"uī", "rosa - -uī -", 2, 2},      {"avī", "rosa - -avī -", 2, 1},  {"āvī", "rosa - -āvī -", 2, 0},
        {"ere", "rosa -ere - -", 2, 3},    {"īre", "rosa -īre - -", 2, 4},  {"—", "rosa -", 0, 0},
        {"es", "rosa -es", 1, 0},          {"us", "rosa", 0, 0},
    };
    for (const Row& r : rows) {
        const auto c = convertElementary(entryXML(QStringLiteral("rosa"),
                                                  QStringLiteral("<itype>%1</itype>").arg(QString::fromUtf8(r.itype))));
        ASSERT_EQ(c.entries.size(), 1u) << r.itype;
        EXPECT_EQ(c.entry()->entry(), QString::fromUtf8(r.line)) << r.itype;
        EXPECT_EQ(c.entry()->type(), r.type) << r.itype;
        EXPECT_EQ(c.entry()->conjugation(), r.conj) << r.itype;
    }
    // -īre verbs with "e" before the last letter are compounds of eo.
    auto c = convertElementary(entryXML(QStringLiteral("exeō"), QStringLiteral("<itype>īre</itype>")));
    EXPECT_EQ(c.entry()->conjugation(), 7);
}

TEST(ElementaryParser, ITypeNotesRedirectsAndCounts) {
    auto c = convertElementary(entryXML(QStringLiteral("adque"), QStringLiteral("<itype>for atque, see atque</itype>")));
    EXPECT_EQ(c.entry()->type(), 22);
    ASSERT_EQ(childrenOfType(c.entry(), 20).size(), 1u);
    EXPECT_EQ(childrenOfType(c.entry(), 20)[0]->entry(), QStringLiteral("for atque, see atque"));

    c = convertElementary(entryXML(QStringLiteral("rosula"), QStringLiteral("<itype>ae; see rosa</itype>")));
    EXPECT_EQ(c.entry()->entry(), QStringLiteral("rosula -ae"));
    EXPECT_EQ(c.entry()->type(), 22);
    EXPECT_EQ(c.entry()->lastChild()->entry(), QStringLiteral("see rosa"));

    c = convertElementary(entryXML(QStringLiteral("multa"), QStringLiteral("<itype>a, b, c, d, e</itype>")));
    EXPECT_EQ(c.entry()->entry(), QStringLiteral("multa"));
    EXPECT_TRUE(c.logged(QStringLiteral("Itype not handled")));

    c = convertElementary(entryXML(QStringLiteral("amō (old)"), QStringLiteral("<itype>āre</itype>")));
    EXPECT_EQ(c.entry()->entry(), QStringLiteral("amō -āre - -"));
    EXPECT_EQ(c.entry()->firstChild()->entry(), QStringLiteral("(old)"));

    c = convertElementary(entryXML(QStringLiteral("medius"), QStringLiteral("<itype>ius</itype>")));
    EXPECT_EQ(c.entry()->type(), 3);
    EXPECT_EQ(c.entry()->lastChild()->entry(), QStringLiteral("Alt ending -ius"));

    c = convertElementary(entryXML(QStringLiteral("in"), QStringLiteral("<itype>inseparable particle</itype>")));
    EXPECT_EQ(c.entry()->entry(), QStringLiteral("in-"));
    EXPECT_EQ(c.entry()->type(), 23);

    c = convertElementary(entryXML(QStringLiteral("Ap"), QStringLiteral("<itype>as an abbreviation</itype>") +
                                                         senseXML(QStringLiteral("Appius"))));
    EXPECT_EQ(c.entry()->type(), 17);
    EXPECT_EQ(c.entry()->firstSense()->entry(), QStringLiteral("AbbreviationAppius"));

    c = convertElementary(entryXML(QStringLiteral("ollus"), QStringLiteral("<itype>or</itype>") +
                                                            senseXML(QStringLiteral("that one"))));
    EXPECT_EQ(c.entry()->firstSense()->entry(), QStringLiteral("or that one"));

    c = convertElementary(entryXML(QStringLiteral("fore"), QStringLiteral("<itype>isse</itype>")));
    EXPECT_EQ(c.entry()->entry(), QStringLiteral("fore -isse"));
    EXPECT_EQ(c.entry()->type(), 2);

    c = convertElementary(entryXML(QStringLiteral("quis"), QStringLiteral("<itype>quid</itype>")));
    EXPECT_EQ(c.entry()->entry(), QStringLiteral("quis quid"));
    EXPECT_EQ(c.entry()->type(), 7);
    EXPECT_EQ(childrenOfType(c.entry(), 20).size(), 2u);
}

TEST(ElementaryParser, DeleteSetDropsEntryAndUntypedEntriesAreCounted) {
    const auto c = convertElementary(entryXML(QStringLiteral("atque"), QStringLiteral("<itype>and</itype>"), "a") +
                                     entryXML(QStringLiteral("nescio"), senseXML(QStringLiteral("something")), "b"));
    ASSERT_EQ(c.entries.size(), 1u);
    EXPECT_EQ(c.entry()->key(), QStringLiteral("b"));
    // Both ended without a word class; the dropped one is still reported.
    EXPECT_EQ(c.parser->unknownTypes(), 2);
}

TEST(ElementaryParser, SensesExamplesAndTree) {
    auto c = convertElementary(entryXML(QStringLiteral("et"), senseXML(QStringLiteral("conj. and"))));
    EXPECT_EQ(c.entry()->type(), 5);
    EXPECT_EQ(c.entry()->firstSense()->entry(), QStringLiteral("and"));

    c = convertElementary(
        entryXML(QStringLiteral("heu"), senseXML(QStringLiteral("interj.,  alas: <foreign lang=\"la\">heu</foreign>"))));
    EXPECT_EQ(c.entry()->type(), 8);
    auto m = c.entry()->firstSense();
    ASSERT_TRUE(m);
    EXPECT_EQ(m->entry(), QStringLiteral("alas"));
    ASSERT_EQ(m->childCount(), 1);
    EXPECT_EQ(m->lastChild()->entry(), QStringLiteral("heu"));
    EXPECT_TRUE(m->lastChild()->isForeign());

    c = convertElementary(entryXML(QStringLiteral("stimulus"), senseXML(QStringLiteral("a goad—fig., a spur"))));
    m = c.entry()->firstSense();
    EXPECT_EQ(m->entry(), QStringLiteral("a goad"));
    ASSERT_EQ(m->childCount(), 1);
    EXPECT_EQ(m->lastChild()->type(), 13);
    EXPECT_EQ(m->lastChild()->entry(), QStringLiteral("—fig., a spur"));

    c = convertElementary(entryXML(QStringLiteral("mons"), senseXML(QStringLiteral("a mountain")) +
                                                           senseXML(QStringLiteral("a heap"), 2)));
    m = c.entry()->firstSense();
    ASSERT_EQ(m->childCount(), 1);
    EXPECT_EQ(m->lastChild()->entry(), QStringLiteral("a heap"));

    // The parenthesised run after the translation is kept whole and then
    // split again: no part is lost.
    c = convertElementary(entryXML(
        QStringLiteral("gradior"),
        senseXML(QStringLiteral(
            "to step: <foreign lang=\"la\">gradi</foreign>, to go; to walk (slowly; gently; quietly) far; to run"))));
    m = c.entry()->firstSense();
    QStringList texts;
    for (const auto& child : m->childList()) texts << child->entry();
    EXPECT_EQ(texts, (QStringList{QStringLiteral("gradi"), QStringLiteral("to walk (slowly"), QStringLiteral("gently"),
                                  QStringLiteral("quietly) far"), QStringLiteral("to run")}));
    EXPECT_EQ(m->firstChild()->translation(), QStringLiteral(" to go"));

    // Formatting elements keep their text for the sense.
    c = convertElementary(entryXML(QStringLiteral("ignis"), senseXML(QStringLiteral("fire, <emph>flame</emph> and heat"))));
    EXPECT_EQ(c.entry()->firstSense()->entry(), QStringLiteral("fire, flame and heat"));

    // A sense with empty text leaves the meaning open.
    c = convertElementary(entryXML(QStringLiteral("x"), senseXML(QStringLiteral("a thing")) + senseXML(QString()) +
                                                            senseXML(QStringLiteral("<foreign lang=\"la\">rēs</foreign>"))));
    ASSERT_EQ(childrenOfType(c.entry(), 13).size(), 1u);
    m = c.entry()->firstSense();
    ASSERT_EQ(m->childCount(), 1);
    EXPECT_EQ(m->firstChild()->entry(), QStringLiteral("rēs"));
}

TEST(ElementaryParser, ForeignEtymologyUsageAndUnknownElements) {
    auto c = convertElementary(entryXML(
        QStringLiteral("philosophia"),
        QStringLiteral("<etym>Greek <foreign lang=\"greek\">filosofi/a</foreign></etym>") + senseXML(QStringLiteral("x"))));
    auto etym = childrenOfType(c.entry(), 18);
    ASSERT_EQ(etym.size(), 1u);
    EXPECT_TRUE(etym[0]->entry().startsWith(QStringLiteral("Greek ")));
    EXPECT_TRUE(NBSourceLSParser::containsGreekLetters(etym[0]->entry()));

    c = convertElementary(entryXML(QStringLiteral("vinum"),
                                   QStringLiteral("<etym>cf. <foreign lang=\"la\">vitis</foreign></etym>")));
    EXPECT_TRUE(childrenOfType(c.entry(), 18).empty());

    c = convertElementary(entryXML(QStringLiteral("Zeus"), senseXML(QStringLiteral("Jupiter <foreign lang=\"greek\">*zeu/s</foreign>"))));
    const auto notes = childrenOfType(c.entry(), 20);
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_TRUE(NBSourceLSParser::containsGreekLetters(notes[0]->entry()));

    c = convertElementary(entryXML(QStringLiteral("sol"), senseXML(QStringLiteral("the sun <bibl>C.</bibl>"))));
    // The element takes the whole run before it, which is logged and dropped.
    EXPECT_TRUE(c.logged(QStringLiteral("sol bibl the sun C.")));
    EXPECT_TRUE(childrenOfType(c.entry(), 13).empty());

    c = convertElementary(entryXML(QStringLiteral("x"), senseXML(QStringLiteral("a <foreign lang=\"xx\">y</foreign>"))));
    EXPECT_TRUE(c.logged(QStringLiteral("Language = xx")));

    c = convertElementary(entryXML(QStringLiteral("aqua"),
                                   senseXML(QStringLiteral("water: <foreign lang=\"la\">aqua frigida</foreign>, cold "
                                                           "water<usg>; aqua calida</usg>"))));
    const auto m = c.entry()->firstSense();
    ASSERT_TRUE(m);
    EXPECT_EQ(m->lastChild()->entry(), QStringLiteral("aqua calida"));
    EXPECT_FALSE(m->lastChild()->isForeign());
}

TEST(ElementaryParser, TextSetsAreComplete) {
    const struct {
        const char* name;
        int count;
    } sets[] = {{"appendSourceSet", 49}, {"meaningSet", 36},   {"noteSet", 2},        {"newForeignExampleSet", 13},
                {"appendPreviousSet", 21}, {"newExampleSet", 18}, {"subExampleSet", 26}, {"numeralSet", 1}};
    int total = 0;
    for (const auto& s : sets) {
        EXPECT_EQ(NBSourceXMLParser::textSet(QString::fromUtf8(s.name)).size(), s.count) << s.name;
        total += s.count;
    }
    EXPECT_EQ(total, 166);
    // Trailing blanks, double blanks and long vowels survive the data file.
    EXPECT_TRUE(NBSourceXMLParser::appendSourceSet().contains(QStringLiteral("poet. ")));
    EXPECT_TRUE(NBSourceXMLParser::newForeignExampleSet().contains(
        QString::fromUtf8("Ct.—Fig.,  a spur, incentive, stimulant")));
    EXPECT_TRUE(NBSourceXMLParser::appendPreviousSet().contains(
        QString::fromUtf8("), abl. ī (once e, Tb.), a two-edged axe, double axe, battle-axe")));
    const QString em = QString::fromUtf8("in eodem curriculo esse.— Fig., a course, career");
    EXPECT_EQ(em.at(24).unicode(), 0x2014);
    EXPECT_TRUE(NBSourceXMLParser::newForeignExampleSet().contains(em));
    EXPECT_TRUE(NBSourceXMLParser::numeralSet().contains(QStringLiteral("aliquot")));
}

TEST(ElementaryParser, SharedRules) {
    EXPECT_EQ(latinsource::conjugationForEreVerb(QStringLiteral("capiō")), 5);
    EXPECT_EQ(latinsource::conjugationForEreVerb(QStringLiteral("regō")), 3);
    EXPECT_EQ(latinsource::conjugationForEreVerb(QStringLiteral("iō")), 3);
    EXPECT_EQ(latinsource::conjugationForIreVerb(QStringLiteral("eō")), 7);
    EXPECT_EQ(latinsource::conjugationForIreVerb(QStringLiteral("o")), 4);
    EXPECT_EQ(latinsource::declensionForPotentialNounEnding(QStringLiteral("patrī")), 2);
    EXPECT_EQ(latinsource::declensionForPotentialNounEnding(QStringLiteral("xy")), 0);

    NBSourceXMLParser p;
    auto entry = DictionaryEntry::make(QStringLiteral("regō"));
    p.setCurEntry(entry);
    p.makeThirdConjEndings(QStringLiteral("ere"), QStringLiteral("rēxī"), QStringLiteral("rēctus"));
    EXPECT_EQ(entry->entry(), QStringLiteral("regō -ere rēxī rēctus"));
    entry->setEntry(QStringLiteral("dūcō (old)"));
    p.makeThirdConjEndings(QStringLiteral("ere"), QStringLiteral("xī"), QString());
    EXPECT_EQ(entry->entry(), QStringLiteral("dūcō -ere -xī -"));
    entry->setEntry(QStringLiteral("sinō"));
    p.makeThirdConjEndings(QStringLiteral("ere"), QString(), QStringLiteral("situs"));
    EXPECT_EQ(entry->entry(), QStringLiteral("sinō -ere - situs"));
    p.addRedirect(QStringLiteral("see X"));
    EXPECT_EQ(entry->type(), 22);
    EXPECT_EQ(entry->lastChild()->type(), 22);
    QString s = QStringLiteral("a-b-c");
    latinsource::deleteFromString(s, QStringLiteral("-"), QString());
    EXPECT_EQ(s, QStringLiteral("abc"));
}

TEST(ElementaryParser, SampleOfTwoHundredEntries) {
    QFile file(sampleFile());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(file.readAll());
    const PythonRun py = runPython(QStringLiteral(
                                       "import sys,xml.etree.ElementTree as ET\n"
                                       "root=ET.parse(sys.argv[1]).getroot()\n"
                                       "entries=root.findall('.//entry')\n"
                                       "gone=sum(1 for e in entries if e.find('itype') is not None and "
                                       "(e.find('itype').text or '').strip(' .;,:') in ('and','Cs'))\n"
                                       "print(len(entries), len(entries)-gone)\n"),
                                   {sampleFile()});
    ASSERT_TRUE(py.started);
    ASSERT_EQ(py.exitCode, 0) << py.err;
    const QStringList counts = py.out.trimmed().split(QLatin1Char(' '));
    ASSERT_EQ(counts.size(), 2);
    EXPECT_EQ(counts[0].toInt(), 200);
    const auto c = convertElementary(text);
    EXPECT_TRUE(c.parser->succeeded());
    EXPECT_EQ(int(c.entries.size()), counts[1].toInt());
    EXPECT_EQ(c.result.at(QStringLiteral("title")).toString(), QStringLiteral("An Elementary Latin Dictionary"));
    EXPECT_EQ(c.result.at(QStringLiteral("author")).toString(), QStringLiteral("Charlton T. Lewis"));
    EXPECT_EQ(c.result.at(QStringLiteral("sponsor")).toString(), QStringLiteral("Tessarin test sponsor"));
    for (const auto& e : c.entries) EXPECT_FALSE(e->entry().isEmpty());
}

TEST(ElementaryParser, MalformedDocumentFailsWithoutCrash) {
    const auto c = convertElementary(QStringLiteral("<entry key=\"a\"><form><orth>a</orth></form><sense>"));
    EXPECT_FALSE(c.parser->succeeded());
}

TEST(ElementaryParser, TwoComponentTypes) {
    struct Row {
        const char* headword;
        const char* itype;
        const char* line;
        int type, conj;
    } rows[] = {
        {"niger", "gra, grum", "niger -gra -grum", 3, 2},
        {"miser", "era, erum", "miser -era -erum", 3, 2},
        {"amō", "āvī, āre", "amō -āre -āvī -", 2, 1},
        {"ruō", "uī, ūtus", "ruō ruere ruī ruātus", 2, 3},
        {"ruina", "uī, ēre", "ruina -ēre -uī -", 2, 2},
        {"vereor", "—, ērī", "vereor -ērī -", 2, 2},
        {"hortor", "ātus, ārī", "hortor -ārī -ātus", 2, 1},
        {"ferō", "tulī, lātus", "ferō ferre tulī lātus", 2, 9},
        {"adferō", "attulī, allātus", "adferō adferre attulī allātus", 2, 9},
        {"afferō", "attulī, allātus", "afferō afferre attulī allātus", 2, 9},
        {"ardeō", "sī, ēre", "ardeō -ēre -sī -", 2, 2},
        {"ar deō", "sī, ēre", "ar -ēre -sī -", 2, 2},
        {"tristis", "tristis, e", "tristis tristis e", 3, 3},
        {"gaudeō", "gāvīsus, ēre", "gaudeō -ēre gāvīsus", 2, 2},
        {"audeō", "ausus, ēre", "audeō -ēre ausus", 2, 2},
        {"absum", "āfuī, esse", "absum abesse āfuī", 2, 8},
        {"tabēscō", "buī, —", "tabēscō -ere tabuī -", 2, 3},
        {"pulcher", "chra, chrum", "pulcher -chra -chrum", 3, 2},
        {"sacer", "cra, crum", "sacer -cra -crum", 3, 2},
        {"sum", "fuī, ērī", "sum -ērī -fuī", 2, 2},
        {"sum", "a, um", "sum", 0, 0},
        {"ēdō", "ēdī, ēsus", "ēdō - ēdī ēsus", 2, 10},
        {"neuter", "tra, trum", "neuter -tra -trum", 3, 2},
    };
    for (const Row& r : rows) {
        const auto c = convertElementary(entryXML(QString::fromUtf8(r.headword),
                                                  QStringLiteral("<itype>%1</itype>").arg(QString::fromUtf8(r.itype))));
        ASSERT_EQ(c.entries.size(), 1u) << r.itype;
        EXPECT_EQ(c.entry()->entry(), QString::fromUtf8(r.line)) << r.headword << " " << r.itype;
        EXPECT_EQ(c.entry()->type(), r.type) << r.headword << " " << r.itype;
        EXPECT_EQ(c.entry()->conjugation(), r.conj) << r.headword << " " << r.itype;
    }
    // An unread pair keeps its joined key, two blanks included, for later rules.
    auto c = convertElementary(entryXML(QStringLiteral("bonus"), QStringLiteral("<itype>a, um</itype>")));
    EXPECT_EQ(c.entry()->entry(), QStringLiteral("bonus"));
    c = convertElementary(entryXML(QStringLiteral("ruina"), QString::fromUtf8("<itype>uī, ēre</itype>")));
    ASSERT_EQ(childrenOfType(c.entry(), 20).size(), 1u);
    EXPECT_EQ(childrenOfType(c.entry(), 20).at(0)->entry(), QString::fromUtf8("uī —  ēre"));  // the components are joined untrimmed
    c = convertElementary(entryXML(QStringLiteral("alius"), QStringLiteral("<itype>a, ud</itype>")));
    EXPECT_EQ(c.entry()->entry(), QStringLiteral("alius alia aliud"));
    EXPECT_EQ(childrenOfType(c.entry(), 20).size(), 4u);
}

TEST(ElementaryParser, ThreeAndFourComponentTypesAndSpecialEntries) {
    struct Row {
        const char* headword;
        const char* itype;
        const char* line;
        int conj;
    } rows[] = {
        {"amō", "āvī, ātus, āre", "amō -āre -āvī -ātus", 1},
        {"dō", "—, —, āre", "dō -āre - -", 1},
        {"doceō", "uī, —, ēre", "doceō -ēre -uī -", 2},
        {"capiō", "cēpī, captus, ere", "capiō -ere cēpī captus", 5},
        {"regō", "rēxī, rēctus, ere", "regō -ere rēxī rēctus", 3},
        {"audiō", "īvī, ītus, īre", "audiō -īre -īvī -ītus", 4},
        {"redeō", "iī, itus, īre", "redeō -īre -iī -itus", 7},
        {"volō", "voluī, —, velle", "volō velle voluī -", 12},
        {"nōlō", "nōluī, —, nōlle", "nōlō nōlle nōluī -", 13},
        {"mālō", "māluī, —, mālle", "mālō mālle māluī -", 14},
        {"possum", "potuī, —, posse", "possum posse potuī -", 15},
        {"adferō", "attulī, allātus, adferre", "adferō adferre attulī allātus", 9},
    };
    for (const Row& r : rows) {
        const auto c = convertElementary(entryXML(QString::fromUtf8(r.headword),
                                                  QStringLiteral("<itype>%1</itype>").arg(QString::fromUtf8(r.itype))));
        EXPECT_EQ(c.entry()->entry(), QString::fromUtf8(r.line)) << r.itype;
        EXPECT_EQ(c.entry()->type(), 2) << r.itype;
        EXPECT_EQ(c.entry()->conjugation(), r.conj) << r.itype;
    }
    // The remark after an em dash in the infinitive is a note made first.
    auto c = convertElementary(entryXML(QStringLiteral("laudō"), QString::fromUtf8("<itype>āvī, ātus, āre—rare</itype>")));
    EXPECT_EQ(c.entry()->entry(), QString::fromUtf8("laudō -āre -āvī -ātus"));
    EXPECT_EQ(c.entry()->firstChild()->entry(), QStringLiteral("rare"));
    // A fourth component: one character adds nothing; longer is kept unchanged.
    c = convertElementary(entryXML(QStringLiteral("amō"), QString::fromUtf8("<itype>āvī, ātus, āre,x</itype>")));
    EXPECT_TRUE(childrenOfType(c.entry(), 20).empty());
    c = convertElementary(entryXML(QStringLiteral("amō"), QString::fromUtf8("<itype>āvī, ātus, āre, rare</itype>")));
    ASSERT_EQ(childrenOfType(c.entry(), 20).size(), 1u);
    EXPECT_EQ(childrenOfType(c.entry(), 20)[0]->entry(), QStringLiteral(" rare"));
    // Exceptions by the joined key; no note when the first three fall through.
    c = convertElementary(entryXML(QStringLiteral("faciēs"), QString::fromUtf8("<itype>—, em, ē</itype>")));
    EXPECT_EQ(c.entry()->entry(), QString::fromUtf8("faciēs -"));
    EXPECT_EQ(c.entry()->type(), 1);
    EXPECT_EQ(c.entry()->conjugation(), 5);
    EXPECT_EQ(c.entry()->gender(), 2);
    c = convertElementary(entryXML(QStringLiteral("x"), QString::fromUtf8("<itype>a, b, c, more</itype>")));
    EXPECT_TRUE(c.entry()->childList().empty());
    // Whole entries written by hand bypass the inflection rules.
    c = convertElementary(entryXML(QString::fromUtf8("dīcō"), QString::fromUtf8("<itype>ī, ātus, āre</itype><gramGrp>v</gramGrp>")));
    EXPECT_EQ(c.entry()->entry(), QString::fromUtf8("dīcō dīcere dīxī dictus"));
    EXPECT_EQ(c.entry()->conjugation(), 3);
    EXPECT_EQ(childrenOfType(c.entry(), 20).size(), 3u);
    c = convertElementary(entryXML(QString::fromUtf8("admisceō"), QString::fromUtf8("<itype>uī, ēre</itype><gramGrp>v</gramGrp>")));
    EXPECT_EQ(c.entry()->entry(), QString::fromUtf8("admisceō admiscēre admiscuī admixtus"));
    c = convertElementary(entryXML(QString::fromUtf8("commūniō"), QString::fromUtf8("<gramGrp>v</gramGrp>")));
    EXPECT_EQ(c.entry()->firstSense()->entry(), QStringLiteral("to fortify on all sides, secure, barricade, intrench"));
}

TEST(ElementaryParser, CommandLineConverter) {
    QTemporaryDir dir;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_STATE_HOME"), dir.filePath(QStringLiteral("state")));
    env.insert(QStringLiteral("XDG_DATA_HOME"), dir.filePath(QStringLiteral("data")));
    auto run = [&](const QStringList& args) {
        QProcess p;
        p.setProcessEnvironment(env);
        p.setStandardInputFile(QProcess::nullDevice());
        p.start(QStringLiteral(TS_DICTSOURCE_TOOL), args);
        p.waitForFinished(120000);
        return std::make_pair(p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
                              QString::fromUtf8(p.readAllStandardError()));
    };
    const QString out = dir.filePath(QStringLiteral("out/EditedElementaryLewis.xml"));
    const QString bad = dir.filePath(QStringLiteral("bad.xml"));
    QFile badFile(bad);
    ASSERT_TRUE(badFile.open(QIODevice::WriteOnly));
    badFile.write("<TEI.2><text><body>\n<entry key=\"a\"><form><orth>a</orth></form>\n</body></text></TEI.2>");
    badFile.close();
    auto [badCode, badText] = run({QStringLiteral("convert-elementary"), QStringLiteral("--source"), bad,
                                   QStringLiteral("--out"), out});
    EXPECT_EQ(badCode, 1);
    EXPECT_TRUE(badText.contains(QStringLiteral("bad.xml:3:"))) << badText;
    EXPECT_FALSE(QFileInfo::exists(out));

    auto [code, text] = run({QStringLiteral("convert-elementary"), QStringLiteral("--source"), sampleFile(),
                             QStringLiteral("--out"), out});
    ASSERT_EQ(code, 0) << text;
    const PythonRun py = runPython(QStringLiteral("import plistlib,sys,json\n"
                                                  "d=plistlib.load(open(sys.argv[1],'rb'))\n"
                                                  "w=d['words'][0]\n"
                                                  "print(json.dumps([d.get('title'),d.get('sponsor'),len(d['words']),"
                                                  "w['Entry'],w['key']]))"),
                                   {out});
    ASSERT_EQ(py.exitCode, 0) << py.err;
    const ElementaryConverted c = convertElementary(QString::fromUtf8([] {
        QFile f(sampleFile());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }()));
    EXPECT_EQ(py.out.trimmed(),
              QStringLiteral("[\"An Elementary Latin Dictionary\", \"Tessarin test sponsor\", %1, \"fl\\u016bmen -inis\", "
                             "\"flumen\"]")
                  .arg(c.entries.size()));
}

TEST(ElementaryParser, LewisShortFormsOfTheSharedRules) {
    NBSourceLSParser p;
    auto messages = std::make_shared<QStringList>();
    p.setLogSink([messages](const char*, const char*, int, const QString& text) { *messages << text; });
    auto entry = DictionaryEntry::make();
    p.setCurEntry(entry);
    const struct {
        const char* headword;
        const char* text;
        bool verb;
        int conjugation;
        bool logged;
    } rows[] = {
        {"amo", "avi, atum, āre", true, 1, false},   {"capio", "cepi, captum, ere", true, 5, false},
        {"rego", "rexi, rectum, ere", true, 3, false}, {"eo", "ivi, itum, īre", true, 7, false},
        {"audio", "ivi, itum, īre", true, 4, false},   {"moneo", "ui, itum, ēre", true, 2, false},
        {"amo", "āre", false, 0, false},               {"bonus", "a, um", false, 0, false},
        {"x", "a, b", false, 0, true},
    };
    for (const auto& r : rows) {
        entry->setDictionary({});
        entry->setEntry(QString::fromUtf8(r.headword));
        messages->clear();
        bool ignore = true;
        EXPECT_EQ(p.isVerb(QString::fromUtf8(r.text), &ignore), r.verb) << r.text;
        EXPECT_FALSE(ignore);
        EXPECT_EQ(entry->conjugation(), r.conjugation) << r.text;
        EXPECT_EQ(entry->type(), r.verb ? 2 : 0) << r.text;
        EXPECT_EQ(!messages->isEmpty(), r.logged) << r.text;
    }
    // A verb still being read answers yes without reading the text.
    entry->setType(2);
    p.setIncomplete(true);
    EXPECT_TRUE(p.isVerb(QString(), nullptr));
    EXPECT_EQ(NBSourceLSParser::ignorePosSet().size(), 25);
    EXPECT_TRUE(NBSourceLSParser::ignorePosSet().contains(QString::fromUtf8("= ζυγία (prop. an adj")));
    EXPECT_TRUE(NBSourceLSParser::recalcitrantSet().isEmpty());
    entry->setEntry(QStringLiteral("regō"));
    p.makeThirdConjEndings(QStringLiteral("ere"), QString::fromUtf8("rēxī"), QString::fromUtf8("rēctus"));
    EXPECT_EQ(entry->entry(), QString::fromUtf8("regō -ere rēxī rēctus"));
    p.addRedirect(QStringLiteral("see rex"));
    EXPECT_EQ(entry->type(), 22);
    // The shared declension rules stay those of the Lewis and Short tables.
    EXPECT_EQ(NBSourceLSParser::declensionForPotentialNounEnding(QString::fromUtf8("ēī")), 5);
    EXPECT_EQ(&NBSourceLSParser::firstDeclensionEndings(), &latinsource::firstDeclensionEndings());
}


TEST(ElementaryParser, DictionaryRebuiltThroughItsBuilder) {
    installTestServices();
    QTemporaryDir dir;
    const QString out = dir.filePath(QStringLiteral("EditedElementaryLewis.xml"));
    installElementarySourceBuilder();
    auto dictionary = std::make_shared<ElementaryLewisAt>(QUrl::fromLocalFile(out));
    // A missing or malformed source changes nothing and writes nothing.
    EXPECT_FALSE(dictionary->loadFromElementarySource(QUrl::fromLocalFile(dir.filePath(QStringLiteral("none.xml")))));
    EXPECT_FALSE(QFileInfo::exists(out));
    ASSERT_TRUE(dictionary->loadFromElementarySource(QUrl::fromLocalFile(sampleFile())));
    ASSERT_TRUE(QFileInfo::exists(out));
    ASSERT_TRUE(dictionary->words());
    const auto words = *dictionary->words();
    ASSERT_FALSE(words.empty());
    EXPECT_EQ(words.front()->entry(), QString::fromUtf8("flūmen -inis"));
    auto loaded = TSDictionary::loadFromFile(QUrl::fromLocalFile(out));
    ASSERT_TRUE(loaded);
    loaded->waitForInitialisation();
    ASSERT_TRUE(loaded->words());
    EXPECT_EQ(loaded->words()->size(), words.size());
}

TEST(ElementaryParser, IndentedSourceReadsLikeACompactOne) {
    const auto c = convertElementary(QStringLiteral(
        "<entry id=\"n1\" type=\"main\" key=\"rosa\">\n  <form>\n    <orth extent=\"full\" lang=\"la\">rosa</orth>\n"
        "  </form>\n  <itype>ae</itype>\n  <sense id=\"n1.1\" level=\"1\" n=\"I\">a rose</sense>\n</entry>\n"));
    ASSERT_EQ(c.entries.size(), 1u);
    EXPECT_EQ(c.entry()->entry(), QStringLiteral("rosa -ae"));
    EXPECT_EQ(c.entry()->conjugation(), 1);
    EXPECT_EQ(c.entry()->firstSense()->entry(), QStringLiteral("a rose"));
}

// The fuzz seeds: the sample and every cut of it at an entry boundary or
// inside a tag. Each converts or stops at its first fault, into well-formed
// top-level trees.
namespace {
bool wellFormed(const DictionaryEntryPtr& node, int depth) {
    if (!node || depth > 512) return false;
    for (const auto& c : node->childList())
        if (c->parent() != node || !wellFormed(c, depth + 1)) return false;
    return true;
}
}  // namespace

TEST(ElementaryParser, SeedsAndTheirCutsGiveWellFormedTrees) {
    installTestServices();
    QFile f(sampleFile());
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray all = f.readAll();
    int failed = 0, inputs = 0;
    for (qsizetype cut = all.size(); cut > 0; cut -= 997) {
        auto parser = std::make_shared<NBSourceXMLParser>();
        parser->discardLogs();
        parser->setDeveloperSink(std::make_shared<DeveloperSink>());
        parser->parseData(all.left(cut));
        if (!parser->succeeded()) {
            ++failed;
            EXPECT_TRUE(parser->parseError());
        }
        for (const auto& e : parser->entries()) {
            EXPECT_EQ(e->parent(), nullptr);
            EXPECT_TRUE(wellFormed(e, 0));
        }
        ++inputs;
    }
    EXPECT_GT(inputs, 10);
    EXPECT_EQ(failed, inputs - 1);  // only the whole sample is well-formed
}

// ---- Word classes, grammar groups, gender and the data tables ----

namespace {
// A parser with a current entry whose children are the given notes, as the
// end of an entry leaves it for the word-class guess.
DictionaryEntryPtr guessed(const QStringList& children, const QString& headword = QStringLiteral("x"),
                           const QString& iType = QString()) {
    installTestServices();
    NBSourceXMLParser p;
    p.discardLogs();
    auto e = DictionaryEntry::make(headword);
    for (const QString& c : children) e->addChild(DictionaryEntry::make(c, c.endsWith(u"**") ? 13 : 20));
    for (const auto& c : e->childList())
        if (c->entry().endsWith(u"**")) c->setEntry(c->entry().chopped(2));
    p.setCurEntry(e);
    p.setIType(iType);
    p.guessEntryType(e);
    return e;
}
}  // namespace

TEST(ElementaryParser, RuleDataFilesReportFileAndLine) {
    EXPECT_TRUE(elementarydata::bundledErrors().isEmpty()) << elementarydata::bundledErrors().join(u'\n').toStdString();
    elementarydata::Tables tables;
    QStringList errors;
    elementarydata::parseRuleText(QStringLiteral("t.txt"),
                                  QStringLiteral("= \"early\"\n[t]\ntype 1\n= \"a\"\ntype x\nfly\nnote \"open\n"
                                                 "= \"a\"\n=~ \"one\"\nnote \"ok\" 3\n= \"b\" \"c\"\ntype 7\n[bad\n"),
                                  tables, errors);
    const QStringList want = {QStringLiteral("t.txt:1: a row before any [table]"),
                              QStringLiteral("t.txt:3: a step outside a row"),
                              QStringLiteral("t.txt:5: type takes a number"),
                              QStringLiteral("t.txt:6: unknown step \"fly\""),
                              QStringLiteral("t.txt:7: unterminated quoted text"),
                              QStringLiteral("t.txt:8: key \"a\" already in [t]"),
                              QStringLiteral("t.txt:9: =~ takes a quoted beginning and a quoted end"),
                              QStringLiteral("t.txt:10: a step outside a row"),
                              QStringLiteral("t.txt:13: a table name is written [name]")};
    EXPECT_EQ(errors, want);
    ASSERT_NE(tables[QStringLiteral("t")].find(QStringLiteral("c")), nullptr);
    EXPECT_EQ(tables[QStringLiteral("t")].find(QStringLiteral("c"))->steps.size(), 1);
    QHash<QString, QSet<QString>> sets;
    errors.clear();
    elementarydata::parseTextSets(QStringLiteral("s.txt"), QStringLiteral("\"x\"\n[a]\n\"y\"\nz\n\"w\\q\"\n"), sets, errors);
    EXPECT_EQ(errors, QStringList({QStringLiteral("s.txt:1: a text before any [set]"),
                                   QStringLiteral("s.txt:4: one quoted text a line"),
                                   QStringLiteral("s.txt:5: unknown escape \\q")}));
    EXPECT_EQ(sets[QStringLiteral("a")], QSet<QString>{QStringLiteral("y")});
    // The listed headwords and texts, as many as the tables name.
    EXPECT_EQ(NBSourceXMLParser::recalcitrantSet().size(), 62);
    EXPECT_EQ(NBSourceXMLParser::specialPosSet().size(), 18);
    EXPECT_EQ(NBSourceXMLParser::specialGenderTreatment().size(), 23);
    EXPECT_EQ(NBSourceXMLParser::specialWordSet().size(), 19);
    EXPECT_EQ(NBSourceXMLParser::verbPassSet().size(), 7);
    EXPECT_TRUE(NBSourceXMLParser::specialPosSet().contains(QString::fromUtf8("\xEF\xBC\x88ūtēns")));
}

TEST(ElementaryParser, GuessEntryTypeRows) {
    struct Row {
        const char* first;  // the first child; "**" marks a meaning
        int type;
        int caseCode;
        const char* firstAfter;  // the first child's text afterwards ("" when it was removed)
    } rows[] = {
        {"conj.", 5, 0, "conj."}, {"adj", 3, 0, ""}, {"interj.", 8, 0, "interj."}, {"praep insep.", 6, 0, nullptr},
        {"pron poss", 7, 0, nullptr}, {"num ord. adj.", 9, 0, nullptr}, {"num indecl", 9, 0, nullptr},
        {"P.", 19, 0, ""}, {"v. defect.", 2, 0, nullptr}, {"a gentile name", 1, 0, nullptr},
        {"part enclit", 24, 0, nullptr}, {"x praep. with abl y", 6, 6, ""}, {"so adv. and praep", 4, 0, nullptr},
        {"is praep. inseparable", 6, 0, nullptr},
        // the first meaning
        {"from, praep. with abl**", 6, 6, "from"}, {"praep. with acc; to**", 6, 3, "to"}, {"imper. of eo**", 20, 0, nullptr},
        // tags near the start of a child
        {"num. indecl, ten**", 9, 0, nullptr}, {"Adj. fine**", 3, 0, nullptr}, {"adv gladly**", 4, 0, nullptr},
        {"prep. with acc. or abl under**", 6, 3, nullptr}, {"pron. this**", 7, 0, nullptr},
        {"voc. of x**", 1, 0, nullptr}, {"enclit. and**", 24, 0, nullptr}, {"the Greek letter pi**", 26, 0, nullptr},
        {"dat. and abl of**", 1, 0, nullptr},
        // redirects, then the last tag
        {"Perf. of volo**", 22, 0, nullptr}, {"see amo**", 22, 0, nullptr}, {"sup**", 22, 0, nullptr},
        {"plur. of x**", 22, 0, nullptr}, {"a praep tag**", 6, 0, nullptr}, {"nothing known**", 0, 0, nullptr},
    };
    for (const Row& r : rows) {
        // A meaning follows a note, so that the first-child rows pass it by.
        const QString first = QString::fromUtf8(r.first);
        const bool meaning = first.endsWith(u"**");
        const auto e = meaning ? guessed({QStringLiteral("(rare)"), first}) : guessed({first});
        EXPECT_EQ(e->type(), r.type) << r.first;
        EXPECT_EQ(e->getCase(), r.caseCode) << r.first;
        if (!r.firstAfter) continue;
        if (meaning) EXPECT_EQ(e->firstChildOfType(13)->entry(), QString::fromUtf8(r.firstAfter)) << r.first;
        else if (!*r.firstAfter) EXPECT_TRUE(e->childList().empty()) << r.first;
        else EXPECT_EQ(e->firstChild()->entry(), QString::fromUtf8(r.firstAfter)) << r.first;
    }
    // Headword sets first; an entry with a type is left alone; "abbrev." lets the guess go on.
    EXPECT_EQ(guessed({QStringLiteral("conj.")}, QStringLiteral("aliquot"))->type(), 9);
    EXPECT_EQ(guessed({QStringLiteral("adj")}, QStringLiteral("quamquam"))->type(), 5);
    EXPECT_EQ(guessed({}, QStringLiteral("x"), QStringLiteral("abbrev."))->type(), 17);
    EXPECT_EQ(guessed({QStringLiteral("interj.")}, QStringLiteral("x"), QStringLiteral("abbrev."))->type(), 8);
    auto typed = guessed({});
    typed->setType(3);
    NBSourceXMLParser p;
    p.setCurEntry(typed);
    typed->addChild(DictionaryEntry::make(QStringLiteral("conj."), 20));
    p.guessEntryType(typed);
    EXPECT_EQ(typed->type(), 3);
}

TEST(ElementaryParser, GrammarGroupRows) {
    struct Row {
        const char* orth;
        const char* gramGrp;
        const char* line;
        int type, conj;
        const char* note;  // the first note, or nullptr for none
    } rows[] = {
        {"amō", "āvī, ātus, āre", "amō -āre -āvī -ātus", 2, 1, nullptr},
        {"doceō", "uī, doctus, ēre", "doceō -ēre -uī doctus", 2, 2, nullptr},
        {"capiō", "cēpī, captus, ere", "capiō -ere cēpī captus", 2, 5, nullptr},
        {"regō", "rēxī, rēctus, ere", "regō -ere rēxī rēctus", 2, 3, nullptr},
        {"audiō", "ītus, īre", "audiō -īre - -ītus", 2, 4, nullptr},
        {"redeō", "—, īre", "redeō -īre - -", 2, 7, nullptr},
        {"crēscō", "crēvī, inch.", "crēscō -ere crēvī -", 2, 3, "inch."},
        {"ab", "praep. with acc. and abl.", "ab", 6, 0, nullptr},
        {"rosa", "ae, um", "rosa", 0, 0, "ae, um"},
        {"nōmen", "single", "nōmen", 0, 0, "single"},
        {"lacus", "dim, f.", "lacus", 1, 0, "dim."},
        {"tū", "tuī, pron pers.", "tū", 7, 0, "pron pers."},
        {"per", "x, praep. with abl.", "per", 6, 0, "x"},
        {"-que", "a, conj enclit.", "que", 24, 0, "conj enclit."},
        {"dō", "x, dedī, datus, are", "dō dare dedī, datus", 2, 1, "x"},
        {"ningit", "(ere), impers.", "ningit ningere - -", 2, 3, "Alt. 1st form ninguit"},
        {"quantō", "(not quantopere), adverb. phrase", "quantō opere", 25, 0, "(not quantopere), adverb. phrase"},
        {"decem", "x, num. card.", "decem", 9, 0, "num. card."},
    };
    for (const Row& r : rows) {
        const auto c = convertElementary(entryXML(QString::fromUtf8(r.orth),
                                                  QStringLiteral("<gramGrp>%1</gramGrp>").arg(QString::fromUtf8(r.gramGrp))));
        ASSERT_TRUE(c.entry()) << r.gramGrp;
        EXPECT_EQ(c.entry()->entry(), QString::fromUtf8(r.line)) << r.gramGrp;
        EXPECT_EQ(c.entry()->type(), r.type) << r.gramGrp;
        EXPECT_EQ(c.entry()->conjugation(), r.conj) << r.gramGrp;
        const auto notes = childrenOfType(c.entry(), 20);
        if (r.note) {
            ASSERT_FALSE(notes.empty()) << r.gramGrp;
            EXPECT_EQ(notes.front()->entry(), QString::fromUtf8(r.note)) << r.gramGrp;
        } else {
            EXPECT_TRUE(notes.empty()) << r.gramGrp;
        }
    }
    // A perfect slot already filled turns the new perfect into a note.
    auto c = convertElementary(entryXML(QString::fromUtf8("amō"),
                                        QString::fromUtf8("<itype>āvī, ātus, āre</itype><gramGrp>amāvī, ātus, āre</gramGrp>")));
    EXPECT_EQ(c.entry()->entry(), QString::fromUtf8("amō  -āre -āvī  -ātus"));
    EXPECT_EQ(childrenOfType(c.entry(), 20).back()->entry(), QString::fromUtf8("amāvī"));
    // Brackets split by commas are rejoined into one note.
    c = convertElementary(entryXML(QString::fromUtf8("legō"), QString::fromUtf8("<gramGrp>lēgī (rare, old), lēctus, ere</gramGrp>")));
    EXPECT_EQ(childrenOfType(c.entry(), 20).front()->entry(), QString::fromUtf8("(rare, old)"));
    EXPECT_EQ(c.entry()->entry(), QString::fromUtf8("legō -ere lēgī lēctus"));
    // The sum group matched by its two ends, its pieces the notes.
    c = convertElementary(entryXML(QStringLiteral("sum"), QString::fromUtf8(
        "<gramGrp>(2d pers. es, or old ēs; old subj praes. siem; fuat for sit, T., V., L.; fut. escunt for erunt, C.; "
        "fuī, futūrus (inf fut. fore or futūrum esse, C.), esse</gramGrp>")));
    EXPECT_EQ(c.entry()->entry(), QString::fromUtf8("sum esse fuī futūrus"));
    EXPECT_EQ(c.entry()->conjugation(), 8);
    EXPECT_EQ(childrenOfType(c.entry(), 20).size(), 5u);
    EXPECT_EQ(childrenOfType(c.entry(), 20)[2]->entry(), QString::fromUtf8("fuat for sit, T., V., L."));
    EXPECT_TRUE(c.parser->treatedSet().contains(QStringLiteral("sum")));
    c = convertElementary(entryXML(QStringLiteral("x"), QStringLiteral("<gramGrp>a, b, unknowable</gramGrp>")));
    EXPECT_TRUE(c.logged(QStringLiteral("isVerb a, b, unknowable")));
}

TEST(ElementaryParser, PartOfSpeechRows) {
    struct Row {
        const char* orth;
        const char* pos;
        const char* line;
        int type, conj;
    } rows[] = {
        {"bonus", "adj.", "bonus -a -um", 3, 2},
        {"fortis", "adj.", "fortis", 3, 3},
        {"ācer", "adj.", "ācer", 3, 0},
        {"iam", "adj.", "iam", 4, 0},
        {"exter", "adj.", "exter extera exterum", 3, 0},
        {"celeriter", "adv.", "celeriter", 4, 0},
        {"in", "prep.", "in", 6, 0},
        {"amāns", "P. and adj.", "amāns", 19, 0},
        {"hortor", "dep., ātus, ārī", "hortor -ārī -ātus", 2, 1},
        {"loquor", "dep., ī", "loquor -ī", 2, 3},
        {"ācer", "adj., ācris, ācre", "ācer -ācris -ācre", 3, 0},
        {"ambō", "  num. adj.,", "ambō", 3, 0},
        {"alterutr", "gen. alterutrīus (rarely separate, altera utra, etc.), pronom. adj.,",
         "alterutr gen. alterutrīus", 3, 3},
    };
    for (const Row& r : rows) {
        const auto c = convertElementary(entryXML(QString::fromUtf8(r.orth),
                                                  QStringLiteral("<pos>%1</pos>").arg(QString::fromUtf8(r.pos))));
        EXPECT_EQ(c.entry()->entry(), QString::fromUtf8(r.line)) << r.pos;
        EXPECT_EQ(c.entry()->type(), r.type) << r.pos;
        EXPECT_EQ(c.entry()->conjugation(), r.conj) << r.pos;
    }
    // An orth with a remark: the remark becomes a note with its parentheses.
    const auto c = convertElementary(entryXML(QStringLiteral("ab (abs)"), QStringLiteral("<pos>prep.</pos>")));
    EXPECT_EQ(c.entry()->entry(), QStringLiteral("ab"));
    EXPECT_EQ(c.entry()->firstChild()->entry(), QStringLiteral("(abs)"));
}

TEST(ElementaryParser, GenderRows) {
    struct Row {
        const char* orth;
        const char* before;  // elements ahead of the gender
        const char* gen;
        const char* line;
        int type, gender, conj;
    } rows[] = {
        {"lupus", "", "m", "lupus", 1, 1, 0},
        {"rosa", "", "f", "rosa", 1, 2, 0},
        {"bonus", "<pos>adj.</pos>", "m", "bonus -a -um", 3, 1, 2},
        {"finis", "<gen>m</gen>", "or f", "finis", 1, 8, 0},
        {"x", "", "or f", "x", 1, 0, 0},
        {"vulgus", "<gen>n</gen>", "or m", "vulgus", 1, 3, 0},
        {"cīvis", "<gen>m</gen>", "and f", "cīvis", 1, 7, 0},
        {"ovis", "", "rarely f", "ovis", 1, 0, 0},
        {"puella", "", "ae, f", "puella -ae", 1, 2, 1},
        {"rēx", "", "rēgis, m", "rēx -rēgis", 1, 1, 3},
        {"domus", "", "f", "domus -ūs", 1, 2, 0},
        {"anguis", "", " and f", "anguis -is", 1, 7, 0},
        {"angustia", "<itype>ae</itype>", "m", "angustia -ae", 1, 2, 1},
        {"Caurus", "", "m", "Caurus", 1, 1, 0},
        {"sors", "", "f", "sors", 1, 2, 0},
    };
    for (const Row& r : rows) {
        const auto c = convertElementary(entryXML(QString::fromUtf8(r.orth), QString::fromUtf8(r.before) +
                                                  QStringLiteral("<gen>%1</gen>").arg(QString::fromUtf8(r.gen))));
        EXPECT_EQ(c.entry()->entry(), QString::fromUtf8(r.line)) << r.orth << " " << r.gen;
        EXPECT_EQ(c.entry()->type(), r.type) << r.orth << " " << r.gen;
        EXPECT_EQ(c.entry()->gender(), r.gender) << r.orth << " " << r.gen;
        EXPECT_EQ(c.entry()->conjugation(), r.conj) << r.orth << " " << r.gen;
    }
    EXPECT_TRUE(convertElementary(entryXML(QStringLiteral("x"), QStringLiteral("<gen>or f</gen>")))
                    .logged(QStringLiteral("Setting gender for wrong type x: 1: or f")));
    EXPECT_TRUE(convertElementary(entryXML(QStringLiteral("Caurus"), QStringLiteral("<gen>m</gen>")))
                    .logged(QStringLiteral("unhandled special gender Caurus")));
    // Any other gender text on "anguis" changes nothing.
    EXPECT_EQ(convertElementary(entryXML(QStringLiteral("anguis"), QStringLiteral("<gen>m</gen>"))).entry()->gender(), 0);
}

TEST(ElementaryParser, RecalcitrantEntries) {
    // "Īlium" ends as two entries, each with its own notes and etymology.
    auto c = convertElementary(entryXML(QString::fromUtf8("Īlium"), senseXML(QStringLiteral("Troy")) +
                                        senseXML(QStringLiteral("the citadel"))) +
                               entryXML(QStringLiteral("lupus"), QStringLiteral("<gen>m</gen>")));
    ASSERT_EQ(c.entries.size(), 3u);
    EXPECT_EQ(c.entry(0)->entry(), QString::fromUtf8("Īlium ī"));
    EXPECT_EQ(c.entry(0)->type(), 1);
    EXPECT_EQ(c.entry(0)->conjugation(), 2);
    EXPECT_EQ(c.entry(0)->lastChild()->entry(), QStringLiteral("the citadel"));
    EXPECT_EQ(childrenOfType(c.entry(0), 20)[0]->entry(), QString::fromUtf8("or Īlion (C., V., H., O.)"));
    EXPECT_EQ(childrenOfType(c.entry(0), 18)[0]->entry(), QString::fromUtf8("Ἴλιον"));
    EXPECT_EQ(c.entry(1)->entry(), QString::fromUtf8("Ilios ī"));
    EXPECT_EQ(c.entry(1)->gender(), 2);
    EXPECT_EQ(childrenOfType(c.entry(1), 20).size(), 2u);
    EXPECT_EQ(childrenOfType(c.entry(1), 18)[0]->entry(), QString::fromUtf8("Ἴλιος"));
    EXPECT_EQ(c.entry(2)->entry(), QStringLiteral("lupus"));
    // The -pōnō verbs keep what follows ", ere, "; without it nothing changes.
    c = convertElementary(entryXML(QString::fromUtf8("suppōnō"), QString::fromUtf8("<itype>posuī, positus</itype>") +
                                   senseXML(QStringLiteral("to put under, ere, to place under"))) +
                          entryXML(QString::fromUtf8("impōnō"), QString::fromUtf8("<itype>posuī, positus</itype>") +
                                   senseXML(QStringLiteral("to place upon"))));
    EXPECT_EQ(c.entry(0)->entry(), QString::fromUtf8("suppōnō -ere supposuī suppositus"));
    EXPECT_EQ(c.entry(0)->firstSense()->entry(), QStringLiteral("to place under"));
    EXPECT_EQ(c.entry(1)->firstSense()->entry(), QStringLiteral("to place upon"));
    // A meaning lifted out: its children follow the notes.
    c = convertElementary(entryXML(QStringLiteral("ecquis"), QStringLiteral("<itype>ecquid</itype>") + senseXML(QStringLiteral("any one")) +
                                   QStringLiteral("<sense id=\"a\" level=\"2\" n=\"A\">anybody</sense>")));
    EXPECT_EQ(c.entry()->type(), 7);
    ASSERT_EQ(c.entry()->childList().size(), 3u);
    EXPECT_EQ(c.entry()->childList()[0]->entry(), QStringLiteral("No gen."));
    EXPECT_EQ(c.entry()->childList()[2]->entry(), QStringLiteral("anybody"));
    // A retexted child taken out and added again after the notes.
    c = convertElementary(entryXML(QStringLiteral("dexter"), QStringLiteral("<pos>adj.</pos>") + senseXML(QStringLiteral("right"))));
    ASSERT_EQ(c.entry()->childList().size(), 4u);
    EXPECT_EQ(c.entry()->lastChild()->entry(), QStringLiteral("to the right, on the right side, right"));
    // A listed headword without a known correction is reported.
    int posted = 0;
    {
        auto token = ts::NotificationCenter::defaultCenter().addObserver(QStringLiteral("NEW EL entry"), nullptr,
                                                                          [&](const ts::Notification&) { ++posted; });
        c = convertElementary(entryXML(QStringLiteral("duo"), senseXML(QStringLiteral("two"))));
    }
    EXPECT_GE(posted, 1);
    EXPECT_EQ(c.entry()->type(), 0);
}

TEST(ElementaryParser, FixtureOfCoveredRowsLeavesNoUnknownType) {
    // One entry per row of the word-class guess, grammar group, part of
    // speech and gender that decides a class; none may end without one.
    QString body;
    int n = 0;
    auto add = [&](const QString& orth, const QString& inner) {
        body += entryXML(orth, inner, QStringLiteral("k%1").arg(++n));
    };
    for (const char* sense : {"conj. but", "interj. alas", "num. indecl, ten", "Adj. fine", "adv gladly",
                              "prep. with acc. or abl under", "pron. this", "voc. of x", "enclit. and",
                              "the Greek letter pi", "Perf. of volo", "see amo", "plur. of x", "from, praep. with abl",
                              "imper. of eo", "comp. of bonus", "inf. of sum", "acc. of ego", "abl. of ego"})
        add(QStringLiteral("w"), senseXML(QString::fromUtf8(sense)));
    for (const char* g : {"āvī, ātus, āre", "uī, ēre", "sī, sus, ere", "praep. with acc.", "dim, f.", "x, conj.", "x, num. card."})
        add(QStringLiteral("w"), QStringLiteral("<gramGrp>%1</gramGrp>").arg(QString::fromUtf8(g)));
    for (const char* pos : {"adj.", "adv.", "prep.", "P. and adj.", "subst. and adv.", "  pronom. adj."})
        add(QStringLiteral("w"), QStringLiteral("<pos>%1</pos>").arg(QString::fromUtf8(pos)));
    for (const char* gen : {"m", "f", "n", "ae, f", "（f", "> f"})
        add(QStringLiteral("w"), QStringLiteral("<gen>%1</gen>").arg(QString::fromUtf8(gen)));
    for (const char* special : {"iam", "sex"}) add(QString::fromUtf8(special), QStringLiteral("<pos>adj.</pos>"));
    add(QString::fromUtf8("plācātiō"), QString::fromUtf8("<itype>ōnis</itype>"));
    add(QString::fromUtf8("pēior"), QString());
    add(QString::fromUtf8("admisceō"), QString());
    const auto c = convertElementary(body);
    EXPECT_TRUE(c.parser->succeeded());
    ASSERT_EQ(int(c.entries.size()), n);
    for (const auto& e : c.entries) EXPECT_NE(e->type(), 0) << e->key().toStdString() << " " << e->entry().toStdString();
    EXPECT_EQ(c.parser->unknownTypes(), 0);
}

TEST(ElementaryParser, CommonGenderMapsAndNeverLoops) {
    // "c" is common gender; alone, after a gender or after an ending it is
    // read, and the conversion goes on to the next entry.
    struct Row {
        const char* orth;
        const char* gen;
        const char* line;
        int gender, conj;
    } rows[] = {
        {"bōs", "c", "bōs", 4, 0},
        {"dux", "m, c", "dux", 4, 0},
        {"cīvis", "is, c", "cīvis -is", 4, 3},
        {"parēns", "(c)", "parēns", 4, 0},
    };
    for (const Row& r : rows) {
        const auto c = convertElementary(entryXML(QString::fromUtf8(r.orth),
                                                  QStringLiteral("<gen>%1</gen>").arg(QString::fromUtf8(r.gen))) +
                                         entryXML(QStringLiteral("lupus"), QStringLiteral("<gen>m</gen>")));
        ASSERT_EQ(c.entries.size(), 2u) << r.gen;
        EXPECT_EQ(c.entry()->entry(), QString::fromUtf8(r.line)) << r.gen;
        EXPECT_EQ(c.entry()->type(), 1) << r.gen;
        EXPECT_EQ(c.entry()->gender(), r.gender) << r.gen;
        EXPECT_EQ(c.entry()->conjugation(), r.conj) << r.gen;
        EXPECT_EQ(DictionaryEntry::genderKey(c.entry()->gender()), QStringLiteral("c"));
        EXPECT_EQ(c.entry(1)->gender(), 1);
    }
}

TEST(ElementaryParser, PrepositionNoteLeavesTheMeaningAndItsExamples) {
    const auto c = convertElementary(entryXML(
        QStringLiteral("cum"),
        senseXML(QStringLiteral("praep. with abl., with, together with: <foreign lang=\"la\">cum patre</foreign>, "
                                "with his father"))));
    const auto e = c.entry();
    EXPECT_EQ(e->type(), 6);
    EXPECT_EQ(e->getCase(), 6);
    const auto meanings = childrenOfType(e, 13);
    ASSERT_EQ(meanings.size(), 1u);
    EXPECT_EQ(meanings[0]->entry(), QStringLiteral("with, together with"));
    ASSERT_EQ(meanings[0]->childCount(), 1);
    EXPECT_EQ(meanings[0]->firstChild()->entry(), QStringLiteral("cum patre"));
    // A child that is only the grammatical note goes.
    const auto n = convertElementary(entryXML(QStringLiteral("prae"), QStringLiteral("<gramGrp>praep. with abl.</gramGrp>") +
                                                                          senseXML(QStringLiteral("before"))));
    EXPECT_EQ(n.entry()->type(), 6);
    ASSERT_EQ(n.entry()->childList().size(), 1u);
    EXPECT_EQ(n.entry()->firstChild()->entry(), QStringLiteral("before"));
}

TEST(ElementaryParser, EachEntryStartsAtTheTopSenseLevel) {
    const auto c = convertElementary(
        entryXML(QStringLiteral("mons"), senseXML(QStringLiteral("a mountain")) + senseXML(QStringLiteral("a heap"), 2) +
                                             senseXML(QStringLiteral("a pile"), 3)) +
        entryXML(QStringLiteral("lupus"), QStringLiteral("<sense id=\"x\">a wolf</sense>")));
    ASSERT_EQ(c.entries.size(), 2u);
    ASSERT_TRUE(c.entry(1)->firstSense());
    EXPECT_EQ(c.entry(1)->firstSense()->entry(), QStringLiteral("a wolf"));
    // A level that skips one is kept under the deepest meaning there is.
    const auto skip = convertElementary(entryXML(QStringLiteral("mons"), senseXML(QStringLiteral("a mountain")) +
                                                                             senseXML(QStringLiteral("a pile"), 3)));
    ASSERT_EQ(skip.entry()->firstSense()->childCount(), 1);
    EXPECT_EQ(skip.entry()->firstSense()->firstChild()->entry(), QStringLiteral("a pile"));
}

// An empty headword is filled by the key, or the entry left out, before any
// ending is added to it, whether the entry ends in a whole document or is
// cut off by a broken one.
TEST(ElementaryParser, AnEmptyHeadwordTakesTheKeyBeforeAnyEnding) {
    struct Row {
        const char* xml;
        const char* headwords;  // of the entries kept, joined by "|"
    } rows[] = {
        {"<entry key=\"rosa\"><form><itype>ae</itype></form></entry>", "rosa -ae"},
        {"<entry><form><itype>ae</itype></form></entry>", ""},
        {"<entry key=\"amo\"><form><itype>āre</itype></form></entry>", "amo -āre - -"},
        {"<entry><itype>inis</itype><gen>n</gen></entry>", ""},
        {"<entry key=\"rosa\"><form><itype>ae</itype></form><gen>f</gen>", "rosa -ae"},
        {"<entry><form><itype>ae</itype></form><gen>f</gen>", ""},
        {"<entry key=\"rosa\"><form><orth>ro", "rosa"},
        {"<entry><form><orth>ro", ""},
        {"<entry key=\"k\"><form><orth>lupus</orth></form><sense>", "lupus"},
        // An entry opened inside another: the outer one is finished at its
        // own end, and left out without a headword.
        {"<entry><entry key=\"rosa\"><form><orth>rosa</orth></form></entry></entry>", "rosa"},
        {"<entry key=\"lupus\"><entry><form><orth>rosa</orth></form></entry></entry>", "lupus|rosa"},
        {"<entry><form><orth>lupus</orth></form><entry><form><orth>rosa</orth></form></entry><gen>m</gen></entry>",
         "lupus|rosa"},
        {"<entry><entry><entry key=\"rosa\"><form><orth>ro", "rosa"},
        {"<entry><form><orth>lupus</orth></form><entry><form><orth>ro", "lupus"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.xml);
        const auto c = convertElementary(QString::fromUtf8(row.xml));
        QStringList heads;
        for (const auto& e : c.entries) heads << e->entry();
        EXPECT_EQ(heads.join(QLatin1Char('|')), QString::fromUtf8(row.headwords));
    }
}

TEST(ElementaryParser, EntriesWithoutHeadwordOrTooDeepAreRefusedAlone) {
    // No orth: the key stands in; without a key either the entry is left out.
    auto c = convertElementary(QStringLiteral("<entry key=\"lupus\">") + senseXML(QStringLiteral("a wolf")) +
                               QStringLiteral("</entry><entry>") + senseXML(QStringLiteral("lost")) +
                               QStringLiteral("</entry>") + entryXML(QStringLiteral("rosa"), QStringLiteral("<gen>f</gen>")));
    ASSERT_EQ(c.entries.size(), 2u);
    EXPECT_EQ(c.entry(0)->entry(), QStringLiteral("lupus"));
    EXPECT_EQ(c.entry(0)->firstSense()->entry(), QStringLiteral("a wolf"));
    EXPECT_EQ(c.entry(1)->entry(), QStringLiteral("rosa"));
    EXPECT_TRUE(c.logged(QStringLiteral("no headword")));
    for (const auto& e : c.entries) EXPECT_FALSE(e->entry().isEmpty());

    // One entry nested past what the dictionary file can hold is refused;
    // its neighbours are kept and the whole list writes.
    QString deep;
    for (int level = 1; level <= 300; ++level) deep += senseXML(QStringLiteral("sense %1").arg(level), level);
    c = convertElementary(entryXML(QStringLiteral("rosa"), QStringLiteral("<gen>f</gen>")) +
                          entryXML(QStringLiteral("profundus"), deep) +
                          entryXML(QStringLiteral("lupus"), QStringLiteral("<gen>m</gen>")));
    ASSERT_EQ(c.entries.size(), 2u);
    EXPECT_EQ(c.entry(1)->entry(), QStringLiteral("lupus"));
    EXPECT_TRUE(c.logged(QStringLiteral("profundus")));
    ts::ValueArray words;
    for (const auto& e : c.entries) words.push_back(e->serialize());
    QString error;
    EXPECT_FALSE(ts::PropertyList::writeBinary(ts::Value(std::move(words)), &error).isEmpty()) << error;
    // A deep entry the file can hold stays.
    deep.clear();
    for (int level = 1; level <= 60; ++level) deep += senseXML(QStringLiteral("sense %1").arg(level), level);
    c = convertElementary(entryXML(QStringLiteral("profundus"), deep));
    EXPECT_EQ(c.entries.size(), 1u);
}

TEST(ElementaryParser, DeponentInfinitivesAndPluralGenitivesBeforeNounEndings) {
    struct Row {
        const char* orth;
        const char* itype;
        const char* line;
        int type, conj;
        bool deponent;
    } rows[] = {
        {"hortor", "ārī", "hortor -ārī -", 2, 1, true},   {"vereor", "ērī", "vereor -ērī -", 2, 2, true},
        {"partior", "īrī", "partior -īrī -", 2, 4, true}, {"dīvitiae", "ārum", "dīvitiae -ārum", 1, 1, false},
        {"īnsidiae", "ārum", "īnsidiae -ārum", 1, 1, false}, {"līberī", "ōrum", "līberī -ōrum", 1, 2, false},
        {"puer", "ī", "puer -ī", 1, 2, false},
    };
    for (const Row& r : rows) {
        const auto c = convertElementary(entryXML(QString::fromUtf8(r.orth),
                                                  QStringLiteral("<itype>%1</itype>").arg(QString::fromUtf8(r.itype))));
        EXPECT_EQ(c.entry()->entry(), QString::fromUtf8(r.line)) << r.orth;
        EXPECT_EQ(c.entry()->type(), r.type) << r.orth;
        EXPECT_EQ(c.entry()->conjugation(), r.conj) << r.orth;
        EXPECT_EQ(c.entry()->deponent(), r.deponent) << r.orth;
    }
}

TEST(ElementaryParser, FixedResultsAgreeWithTheCorrectionsKeyedOnThem) {
    // prōsum's fixed line is the key of its correction, which then cuts the
    // first meaning.
    auto c = convertElementary(entryXML(QString::fromUtf8("prōsum"), QString::fromUtf8("<itype>prōfuī,  prōdesse</itype>") +
                                        senseXML(QString::fromUtf8("(prōfore, H.), to be useful"))));
    EXPECT_EQ(c.entry()->entry(), QString::fromUtf8("prōsum prōdesse prōfuī"));
    EXPECT_EQ(c.entry()->type(), 2);
    EXPECT_EQ(c.entry()->conjugation(), 8);
    ASSERT_TRUE(c.entry()->firstSense());
    EXPECT_EQ(c.entry()->firstSense()->entry(), QStringLiteral("to be useful"));
    // Every key of the corrections' list that a general rule writes is one
    // the rules can still write.
    c = convertElementary(entryXML(QString::fromUtf8("incandēscō"), QString::fromUtf8("<itype>duī, —</itype>")));
    EXPECT_EQ(c.entry()->entry(), QString::fromUtf8("incandēscō -ere incanduī -"));
    EXPECT_TRUE(NBSourceXMLParser::recalcitrantSet().contains(QString::fromUtf8("incandēscō -ere incanduī -")));
    EXPECT_EQ(childrenOfType(c.entry(), 20).at(0)->entry(), QStringLiteral("inch"));
}

TEST(ElementaryParser, ReduplicatedAndCompoundPerfectsStandWhole) {
    struct Row {
        const char* orth;
        const char* itype;
        const char* line;
        int conjugation = 0;  // 0: not checked
    } rows[] = {
        {"crēscō", "crēvī, crētus, ere", "crēscō -ere crēvī crētus"},
        {"cōnsuēscō", "suēvī, suētus, ere", "cōnsuēscō -ere cōnsuēvī cōnsuētus"},
        {"resistō", "stitī, —, ere", "resistō -ere restitī -"},
        {"dēfendō", "fendī, fēnsus, ere", "dēfendō -ere dēfendī dēfēnsus"},
        {"tangō", "tetigī, tāctus, ere", "tangō -ere tetigī tāctus"},
        {"regō", "rēxī, rēctus, ere", "regō -ere rēxī rēctus"},
        {"amō", "āvī, ātus, āre", "amō -āre -āvī -ātus"},
        // The simple verb's parts inside a compound: after its first member,
        // with the vowel the compound weakens (per-pessus).
        {"recorrigō", "rēxī, rēctus, ere", "recorrigō -ere recorrēxī recorrēctus"},
        {"fābrēfaciō", "fēcī, factus, ere", "fābrēfaciō -ere fābrēfēcī fābrēfactus", 5},
        {"perpetior", "passus, ī", "perpetior -ī perpessus", 5},
        // A vowel-initial verb's changed vowel: left to the form generator,
        // which puts it at the stem's last vowel (ēgī, āctus, not agēgī).
        {"agō", "ēgī, āctus, ere", "agō -ere -ēgī -āctus"},
    };
    for (const Row& r : rows) {
        const auto c = convertElementary(entryXML(QString::fromUtf8(r.orth),
                                                  QStringLiteral("<itype>%1</itype>").arg(QString::fromUtf8(r.itype))));
        EXPECT_EQ(c.entry()->entry(), QString::fromUtf8(r.line)) << r.orth;
        EXPECT_EQ(c.entry()->type(), 2) << r.orth;
        if (r.conjugation) {
            EXPECT_EQ(c.entry()->conjugation(), r.conjugation) << r.orth;
        }
    }
}
