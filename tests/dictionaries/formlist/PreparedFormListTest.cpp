// The word-form list made from a prepared dictionary: lines of entries in
// memory, when a list is stale, the shared dictionary reading it, and the
// list made from the real Lewis and Short letters.
#include "ParserFixture.h"

#include "dictionaries/LewisAndShort.h"
#include "dictionaries/PreparedFormList.h"
#include "dictsource/DictionarySourceBuilders.h"
#include "morphology/TSWordFormDictionary.h"
#include "morphology/TaggedForms.h"
#include "platform/Color.h"
#include "platform/PropertyList.h"

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>

#include <cstdio>

#include <gtest/gtest.h>

namespace {

QString sourceDir() {
    const QString env = qEnvironmentVariable("TS_SOURCE_DIR");
    return env.isEmpty() ? QStringLiteral(TS_SOURCE_DIR_DEFAULT) : env;
}

QString sharedDir() {
    const QString env = qEnvironmentVariable("TS_SHARED_DIR");
    return env.isEmpty() ? sourceDir() + QStringLiteral("/../shared") : env;
}

QString readText(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

DictionaryEntryPtr makeEntry(const char* text, int type, int conj = 0, int gender = 0, const char* key = nullptr) {
    auto e = std::make_shared<DictionaryEntry>();
    e->setEntry(QString::fromUtf8(text));
    e->setType(type);
    if (conj) e->setConjugation(conj);
    if (gender) e->setGender(gender);
    e->setKey(QString::fromUtf8(key ? key : text).section(u' ', 0, 0));
    return e;
}

// The lines of one entry as "key tag lemma form" strings.
QStringList linesOf(const DictionaryEntryPtr& entry, PreparedFormList::Summary* summary = nullptr) {
    QByteArray out;
    PreparedFormList::appendEntryForms(out, *entry, summary);
    QStringList lines = QString::fromUtf8(out).split(u'\n', Qt::SkipEmptyParts);
    for (QString& l : lines) l.replace(u'\t', u' ');
    return lines;
}

TEST(PreparedFormList, LinesOfEntries) {
    const struct {
        DictionaryEntryPtr entry;
        std::vector<const char*> expected;  // lines that must be there
        int lines;                          // how many in all; -1 any
    } cases[] = {
        {makeEntry("ămo -āre -āvi -ātum", DictionaryEntry::Verb, 1, 0, "a^mo1"),
         {"amo v1spia--- amo1 amo_", "amaui v1sria--- amo1 ama_vi_", "amauisse v--rna--- amo1 ama_visse",
          "amans v-sppamn- amo1 ama_ns", "amantis v-sppamg- amo1 amantis", "amante v-sppamb- amo1 amante",
          "amati v-prppmn- amo1 ama_ti_", "amandi v-spdang- amo1 amandi_", "amaturos v-pfpama- amo1 ama_tu_ro_s",
          "amari v--pnp--- amo1 ama_ri_", "ama v2spma--- amo1 ama_", "amamini v2ppmp--- amo1 ama_mini_"},
         -1},
        // A shortened perfect or supine restates the end of the first part.
        {makeEntry("rĕlinquo -ere -līqui -\n\t\t\tlictum", DictionaryEntry::Verb, 3),
         {"reliquit v3sria--- relinquo reli_quit", "relictus v-srppmn- relinquo relictus"}, -1},
        {makeEntry("vĭdĕo -ēre -vīdi -\n\t\t\tvīsum", DictionaryEntry::Verb, 2),
         {"uidi v1sria--- video vi_di_", "uisa v-srppfn- video vi_sa", "uidet v3spia--- video videt"}, -1},
        {makeEntry("vīvo -ere -vixi -victum", DictionaryEntry::Verb, 3), {"uixit v3sria--- vivo vi_xit"}, -1},
        {makeEntry("rĕgo -ere -xi -ctum", DictionaryEntry::Verb, 3), {"rexit v3sria--- rego rexit", "rectum v-srppna- rego rectum"}, -1},
        // A part on a vowel stands at the stem's last vowel, never behind it.
        {makeEntry("ĕdo -ere ēdi -ēsum", DictionaryEntry::Verb, 3, 0, "e^do1"),
         {"esus v-srppmn- edo1 e_sus", "esurus v-sfpamn- edo1 e_su_rus", "edi v1sria--- edo1 e_di_"}, -1},
        {makeEntry("agō -ere -ēgī -āctus", DictionaryEntry::Verb, 3), {"egit v3sria--- ago e_git", "actus v-srppmn- ago a_ctus"}, -1},
        // The source's hyphen is no letter of a form; an alternative after
        // "and" is no slot of its own (mollĭo's participle is mollītus).
        {makeEntry("expergē-făcĭo -ere expergē-fēci expergē-factum", DictionaryEntry::Verb, 5, 0, "experge_fa^ci^o"),
         {"expergefeci v1sria--- expergefacio experge_fe_ci_", "expergefactus v-srppmn- expergefacio experge_factus"}, -1},
        {makeEntry("mollĭo -īre -īvi and ii -ītum", DictionaryEntry::Verb, 4),
         {"mollitus v-srppmn- mollio molli_tus", "molliui v1sria--- mollio molli_vi_"}, -1},
        // A deponent has no active forms but its participles.
        {makeEntry("hortor -ārī -ātus", DictionaryEntry::Verb, 1),
         {"hortatur v3spip--- hortor horta_tur", "hortans v-sppamn- hortor horta_ns", "hortare v2spmp--- hortor horta_re"},
         -1},
        // Common gender: both genders' tags; a line break inside the parts.
        {makeEntry("cīvis -is", DictionaryEntry::Noun, 3, 4), {"ciuis n-s---mn- civis ci_vis", "ciuis n-s---fn- civis ci_vis"}, 24},
        {makeEntry("baltĕātus -a -\n\t\tum", DictionaryEntry::Adjective, 2), {"balteatum a-s---na- balteatus baltea_tum"}, -1},
        // One form each, with the headword's lengths; j keyed with i and j.
        // A vowel before ns or nf is long (mēnsus, īnferō); a nominative in
        // -o or -on whose genitive is -ōnis has its ō (mōriō, Būbōn).
        {makeEntry("mensus -a -um", DictionaryEntry::Adjective, 2), {"mense a-s---mv- mensus me_nse"}, -1},
        // "omnis -e" names the neuter, not the genitive.
        {makeEntry("omnĭs -e", DictionaryEntry::Adjective, 3), {"omne a-s---nn- omnis omne", "omnis a-s---mg- omnis omnis", "omnia a-p---na- omnis omnia"}, -1},
        {makeEntry("fortis -e", DictionaryEntry::Adjective, 3), {"forte a-s---na- fortis forte", "fortior a-s---fnc fortis fortior"}, -1},
        {makeEntry("mōrĭo -ōnis", DictionaryEntry::Noun, 3, 1), {"morio n-s---mn- morio mo_rio_", "morionem n-s---ma- morio mo_rio_nem"}, -1},
        {makeEntry("Būbon -ōnis", DictionaryEntry::Noun, 3, 2), {"bubon n-s---fn- Bubon Bu_bo_n"}, -1},
        {makeEntry("Lĕon -ontis", DictionaryEntry::Noun, 3, 1), {"leon n-s---mn- Leon Leon"}, -1},
        {makeEntry("bĕnĕ", DictionaryEntry::Adverb), {"bene d-------- bene bene"}, 1},
        {makeEntry("juxtā", DictionaryEntry::Preposition), {"iuxta r-------- juxta juxta_", "juxta r-------- juxta juxta_"}, 2},
        {makeEntry("B (indecl)", DictionaryEntry::Noun, 0, 3), {"b n-------- B B"}, 1},
        {makeEntry("ĕt", DictionaryEntry::Conjunction), {"et c-------- et et"}, 1},
        {makeEntry("ēheu", DictionaryEntry::Interjection), {"eheu e-------- eheu e_heu"}, 1},
        // Pronouns of the engine's table.
        {makeEntry("tū", DictionaryEntry::Pronoun), {"tibi p-s----d- tu tibi", "te p-s----b- tu te_", "uobis p-p----d- tu vo_bi_s"}, 13},
        {makeEntry("hīc", DictionaryEntry::Pronoun, 0, 0, "hi_c"), {"huius p-s---fg- hic huius", "hos p-p---ma- hic ho_s"}, 30},
        {makeEntry("quis", DictionaryEntry::Pronoun, 0, 0, "quis2"), {"quid p-s---nn- quis2 quid"}, 30},
        {makeEntry("ŭterque -utrăque -utrumque", DictionaryEntry::Pronoun), {"utriusque p-s---fg- uterque utri_usque"}, 30},
        // A plural-only noun in whatever declension it comes; a pronominal
        // adjective without degrees.
        {makeEntry("tĕnēbrae -ārum", DictionaryEntry::Noun, 3, 2), {"tenebrarum n-p---fg- tenebrae tene_bra_rum"}, 6},
        {makeEntry("tōtus -a -um", DictionaryEntry::Adjective, 2), {"totius a-s---fg- totus to_ti_us"}, 36},
    };
    for (const auto& c : cases) {
        const QStringList lines = linesOf(c.entry);
        for (const char* line : c.expected) EXPECT_TRUE(lines.contains(QString::fromUtf8(line))) << line << "\n" << lines.join(u'\n');
        if (c.lines >= 0) {
            EXPECT_EQ(lines.size(), c.lines) << c.entry->entry();
        }
    }

    // What gives no line is counted, never guessed.
    PreparedFormList::Summary s;
    EXPECT_TRUE(linesOf(makeEntry("bacar", DictionaryEntry::Uninitialised), &s).isEmpty());
    EXPECT_TRUE(linesOf(makeEntry("bacca", DictionaryEntry::Redirect), &s).isEmpty());
    // No gender, and none its ending decides (a name in -is would be feminine).
    EXPECT_TRUE(linesOf(makeEntry("bacar -is", DictionaryEntry::Noun, 3, 0), &s).isEmpty());
    EXPECT_TRUE(linesOf(makeEntry("ecquis", DictionaryEntry::Pronoun), &s).isEmpty());  // not in the table
    EXPECT_TRUE(linesOf(makeEntry("mālo", DictionaryEntry::Verb), &s).isEmpty());  // no conjugation
    EXPECT_EQ(s.entries, 5);
    EXPECT_EQ(s.untyped, 1);
    EXPECT_EQ(s.notWords, 1);
    EXPECT_EQ(s.refused, 3);
    EXPECT_EQ(s.refusedByType[DictionaryEntry::Noun], 1);
    EXPECT_EQ(s.lines, 0);
    EXPECT_TRUE(s.text().contains(QStringLiteral("refused by the grammar engine: 3")));
    // A part that cannot be placed gives no forms, and is counted; the
    // verb's other parts give theirs.
    PreparedFormList::Summary left;
    const QStringList ferveo = linesOf(makeEntry("fervĕo -ēre -bŭi -", DictionaryEntry::Verb, 2), &left);
    EXPECT_TRUE(ferveo.contains(QStringLiteral("feruet v3spia--- ferveo fervet")));
    EXPECT_FALSE(ferveo.join(u'\n').contains(QStringLiteral("v1sria")));
    EXPECT_EQ(left.partsLeftOut, 1);
    EXPECT_TRUE(left.text().contains(QStringLiteral("could not be placed on the stem: 1")));

    // Keys and the ASCII notation the word-form reader converts back.
    EXPECT_EQ(TaggedForms::keyOf(QStringLiteral("Vōlŭit"), false), QStringLiteral("uoluit"));
    EXPECT_EQ(TaggedForms::keyOf(QStringLiteral("Jūnō"), false), QStringLiteral("iuno"));
    EXPECT_EQ(TaggedForms::keyOf(QStringLiteral("Jūnō"), true), QStringLiteral("juno"));
    for (const char* form : {"Ōceănī", "āërĭus", "Phoebē", "ȳ"}) {
        const QString f = QString::fromUtf8(form);
        const QString expected = QString(f).replace(QChar(0x0103), u'a').replace(QChar(0x012D), u'i').replace(QChar(0x0115), u'e');
        EXPECT_EQ(TSWordFormDictionary::convert(TaggedForms::asciiForm(f)), expected) << form;
    }
}

// A prepared dictionary file holding the entries.
bool saveDictionary(const QString& path, const DictionaryEntryList& words) {
    ts::ValueArray array;
    for (const auto& w : words) array.push_back(w->serialize());
    ts::ValueDictionary root;
    root[QStringLiteral("words")] = ts::Value(std::move(array));
    QFile f(path);
    const QByteArray data = ts::PropertyList::writeXML(ts::Value(std::move(root)), nullptr);
    return f.open(QIODevice::WriteOnly) && f.write(data) == data.size();
}

// A list is current while the dictionary it was made from is unchanged; a
// new dictionary makes it again, and an unreadable one keeps the old list.
TEST(PreparedFormList, StaleListsAreMadeAgain) {
    installTestServices();
    QTemporaryDir dir;
    const QString dictionary = dir.filePath(QStringLiteral("EditedLewisShort.xml"));
    const QString list = dir.filePath(QStringLiteral("forms/macrons.txt"));
    const auto save = [&](const DictionaryEntryList& words) { return saveDictionary(dictionary, words); };
    ASSERT_TRUE(save({makeEntry("bĕnĕ", DictionaryEntry::Adverb), makeEntry("bāca -ae", DictionaryEntry::Noun, 1, 2)}));

    EXPECT_FALSE(PreparedFormList::isCurrent(list, dictionary));
    EXPECT_EQ(PreparedFormList::bringUpToDate(dictionary, list), list);
    EXPECT_TRUE(PreparedFormList::isCurrent(list, dictionary));
    const QString first = readText(list);
    EXPECT_TRUE(first.startsWith(QStringLiteral("# Tessarin word forms ")));
    EXPECT_TRUE(first.contains(QStringLiteral("\nbacam\tn-s---fa-\tbaca\tba_cam\n")));
    EXPECT_TRUE(first.contains(QStringLiteral("# lines: 13\n")));

    QThread::msleep(20);  // a new time as well as a new size
    ASSERT_TRUE(save({makeEntry("bĕnĕ", DictionaryEntry::Adverb)}));
    EXPECT_FALSE(PreparedFormList::isCurrent(list, dictionary));
    EXPECT_EQ(PreparedFormList::bringUpToDate(dictionary, list), list);
    EXPECT_FALSE(readText(list).contains(QStringLiteral("bacam")));

    QFile broken(dictionary);
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
    broken.write("not a property list");
    broken.close();
    const QString kept = readText(list);
    EXPECT_EQ(PreparedFormList::bringUpToDate(dictionary, list), list);
    EXPECT_EQ(readText(list), kept);
    EXPECT_TRUE(PreparedFormList::bringUpToDate(dir.filePath(QStringLiteral("missing.xml")),
                                                dir.filePath(QStringLiteral("none.txt"))).isEmpty());
}

// The shared word-form dictionary reads the list its preparer makes, caches
// it with the list's stamp, and gives way to the user's own list.
TEST(PreparedFormList, SharedDictionaryReadsTheMadeList) {
    installTestServices();
    QTemporaryDir dir;
    TSWordFormDictionary::resetSharedState();
    TSWordFormDictionary::Locations places;
    places.supportDirectory = dir.filePath(QStringLiteral("support"));
    places.bundledSource = dir.filePath(QStringLiteral("none.zip"));
    places.frequencyFile = dir.filePath(QStringLiteral("none.txt"));
    places.temporaryDirectory = dir.filePath(QStringLiteral("tmp"));
    TSWordFormDictionary::setLocations(places);
    const QString dictionary = dir.filePath(QStringLiteral("Dictionaries/EditedLewisShort.xml"));
    const QString list = dir.filePath(QStringLiteral("Dictionaries/macrons.txt"));
    QDir().mkpath(dir.filePath(QStringLiteral("Dictionaries")));
    ASSERT_TRUE(saveDictionary(dictionary, {makeEntry("bāca -ae", DictionaryEntry::Noun, 1, 2)}));
    int prepared = 0;
    TSWordFormDictionary::setSourcePreparer([&] {
        ++prepared;
        return PreparedFormList::bringUpToDate(dictionary, list);
    });

    ASSERT_TRUE(TSWordFormDictionary::waitForInitialisation());
    EXPECT_EQ(prepared, 1);
    EXPECT_EQ(TSWordFormDictionary::macronsFile(), list);
    const auto records = TSWordFormDictionary::wordForms(QStringLiteral("bacis"));
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0]->form(), QStringLiteral("b\u0101c\u012Bs"));
    EXPECT_EQ(records[0]->base(), QStringLiteral("baca"));
    const auto cached = TSWordFormDictionary::importFromPListData(
        [&] { QFile f(TSWordFormDictionary::saveFile()); return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray(); }());
    ASSERT_TRUE(cached);
    EXPECT_EQ(cached->sourceStamp(), TSWordFormDictionary::currentSourceStamp());
    EXPECT_TRUE(cached->sourceStamp().contains(list));

    // The user's own list goes first.
    TSWordFormDictionary::resetSharedState();
    QFile own(places.supportDirectory + QStringLiteral("/macrons.txt"));
    ASSERT_TRUE(own.open(QIODevice::WriteOnly));
    own.write("bacis\tn-p---fd-\tbaca\tba_ci_s\n");
    own.close();
    ASSERT_TRUE(TSWordFormDictionary::waitForInitialisation());
    EXPECT_EQ(TSWordFormDictionary::wordForms(QStringLiteral("bacis")).size(), 1u);
    EXPECT_EQ(prepared, 1);  // no list is made for nothing
    TSWordFormDictionary::setSourcePreparer(nullptr);
    TSWordFormDictionary::resetSharedState();
}

// The command-line tool makes the list once and then finds it current.
TEST(PreparedFormList, CommandLineTool) {
    QTemporaryDir dir;
    const QString dictionary = dir.filePath(QStringLiteral("EditedLewisShort.xml"));
    ASSERT_TRUE(saveDictionary(dictionary, {makeEntry("bĕnĕ", DictionaryEntry::Adverb)}));
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_STATE_HOME"), dir.filePath(QStringLiteral("state")));
    env.insert(QStringLiteral("XDG_DATA_HOME"), dir.filePath(QStringLiteral("data")));
    const auto run = [&](const QStringList& args) {
        QProcess p;
        p.setProcessEnvironment(env);
        p.start(QStringLiteral(TS_DICTSOURCE_TOOL), QStringList{QStringLiteral("make-forms")} + args);
        p.waitForFinished(60000);
        return std::make_pair(p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
                              QString::fromUtf8(p.readAllStandardError()));
    };
    const auto [made, madeText] = run({QStringLiteral("--dictionary"), dictionary});
    EXPECT_EQ(made, 0) << madeText;
    EXPECT_TRUE(madeText.contains(QStringLiteral("lines: 1"))) << madeText;
    EXPECT_TRUE(readText(dir.filePath(QStringLiteral("macrons.txt"))).contains(QStringLiteral("bene\td--------\tbene\tbene\n")));
    const auto [again, againText] = run({QStringLiteral("--dictionary"), dictionary});
    EXPECT_EQ(again, 0);
    EXPECT_TRUE(againText.contains(QStringLiteral("is current"))) << againText;
    EXPECT_EQ(run({QStringLiteral("--dictionary"), dir.filePath(QStringLiteral("missing.xml"))}).first, 1);
    EXPECT_EQ(run({QStringLiteral("--bogus")}).first, 2);
}

// ---- The real Lewis and Short ----

enum class Bg { None, Clear, Red, Orange };

Bg backgroundAt(const ts::AttributedString& s, qsizetype i) {
    const auto c = s.attribute(ts::AttributeName::BackgroundColor, i).toObjectAs<ts::Color>();
    if (!c) return Bg::None;
    if (c->isEqual(*ts::Color::clearColor())) return Bg::Clear;
    if (c->isEqual(*ts::Color::systemRedColor())) return Bg::Red;
    if (c->isEqual(*ts::Color::systemOrangeColor())) return Bg::Orange;
    return Bg::None;
}


// The prepared dictionary and its list, made once for the real-data tests.
struct RealList {
    QTemporaryDir dir;
    QString dictionary, list;
    PreparedFormList::Summary summary;
    bool ok = false;
};

const RealList& realList() {
    static RealList r;
    static const bool made = [] {
        installTestServices();
        LewisShortOptions options;
        options.discardLogs = true;
        options.prompt = std::make_shared<SkipDeveloperPrompt>();
        options.sink = std::make_shared<DeveloperSink>();
        const LewisShortConversion conversion = convertLewisShortLetters(sourceDir() + QStringLiteral("/resources/lexica"), options);
        if (!conversion.ok) return false;
        r.dictionary = r.dir.filePath(QStringLiteral("EditedLewisShort.xml"));
        r.list = r.dir.filePath(QStringLiteral("macrons.txt"));
        if (!std::make_shared<LewisAndShortAt>(QUrl::fromLocalFile(r.dictionary))->loadFromSourceResult(conversion.result))
            return false;
        QString error;
        r.ok = PreparedFormList::write(r.dictionary, r.list, &r.summary, &error);
        std::printf("%s\n%s\n", qPrintable(error), qPrintable(r.summary.text()));
        return r.ok;
    }();
    return made ? r : r;
}

QString normalisedLemma(QString lemma) {
    lemma = lemma.toLower();
    lemma.remove(QRegularExpression(QStringLiteral("[0-9-]")));
    return lemma.replace(u'v', u'u').replace(u'j', u'i');
}

QString normalisedForm(QString form) { return form.toLower().replace(u'v', u'u').replace(u'j', u'i'); }

// Marking the Eclogues finds most words whose first letter the source has.
TEST(PreparedFormListReal, MarksTheEclogues) {
    const RealList& r = realList();
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.summary.entries, 22065);
    EXPECT_LT(r.summary.untyped + r.summary.refused, r.summary.entries / 8);

    TSWordFormDictionary d;
    d.loadFromString(readText(r.list));
    // The cache of a million records reads back whole (references of three
    // bytes and more).
    const QByteArray cache = d.exportToPListFormat();
    const auto back = TSWordFormDictionary::importFromPListData(cache);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->recordCount(), d.recordCount());
    EXPECT_EQ(back->keyCount(), d.keyCount());
    for (const char* key : {"uiuit", "leuis", "malum", "amaturis"}) {
        const auto a = d.records(QString::fromUtf8(key)), b = back->records(QString::fromUtf8(key));
        ASSERT_EQ(a.size(), b.size()) << key;
        for (size_t i = 0; i < a.size(); ++i) EXPECT_EQ(a[i]->serialize(), b[i]->serialize()) << key;
    }
    std::printf("list: %lld lines; cache: %.1f MiB\n", qlonglong(r.summary.lines), cache.size() / 1048576.0);
    const QString xml = readText(sharedDir() + QStringLiteral("/data/tei/eclogues-lat.xml"));
    ASSERT_FALSE(xml.isEmpty());
    static const QRegularExpression lineElement(QStringLiteral("<l\\b[^>]*>(.*?)</l>"),
                                                QRegularExpression::DotMatchesEverythingOption);
    static const QRegularExpression tag(QStringLiteral("<[^>]+>"));
    static const QRegularExpression wordPattern(QStringLiteral("[\\w\\x{2019}']+"));
    const QString letters = QStringLiteral("befghjklmnoqrtuvxyz");
    int words = 0, inSource = 0, found = 0;
    QMap<QString, int> missing;
    auto it = lineElement.globalMatch(xml.mid(xml.indexOf(QStringLiteral("<body"))));
    while (it.hasNext()) {
        const QString line = it.next().captured(1).remove(tag);
        const auto marked = d.addMacrons(ts::AttributedString(line));
        auto w = wordPattern.globalMatch(line);
        while (w.hasNext()) {
            const auto m = w.next();
            ++words;
            // Entity names (&mdash;) are not words of the poem.
            if (m.capturedStart() > 0 && line.at(m.capturedStart() - 1) == u'&') continue;
            if (!letters.contains(m.captured().at(0).toLower())) continue;
            ++inSource;
            const Bg bg = backgroundAt(*marked, m.capturedStart());
            if (bg == Bg::Clear || bg == Bg::Orange) ++found;
            else ++missing[m.captured().toLower()];
        }
    }
    const double share = double(found) / inSource;
    std::printf("Eclogues: %d words, %d begin with a letter of the source, %d found (%.1f%%)\n", words, inSource,
                found, share * 100);
    QList<QPair<int, QString>> top;
    for (auto m = missing.constBegin(); m != missing.constEnd(); ++m) top.append({m.value(), m.key()});
    std::sort(top.begin(), top.end(), [](const auto& a, const auto& b) { return a.first > b.first; });
    QStringList shown;
    for (int i = 0; i < std::min<int>(40, int(top.size())); ++i) shown << QStringLiteral("%1 %2").arg(top[i].second).arg(top[i].first);
    std::printf("most frequent words not found: %s\n", qPrintable(shown.join(QStringLiteral(", "))));
    EXPECT_EQ(words, 5729);
    EXPECT_GE(share, 0.60);
}

// The vowel lengths agree with an independent form list wherever both have
// the form with the same lemma and tag.
TEST(PreparedFormListReal, AgreesWithAnIndependentList) {
    const RealList& r = realList();
    ASSERT_TRUE(r.ok);
    // key|lemma|tag -> forms, of the generated list.
    QHash<QString, QSet<QString>> generated;
    const QString text = readText(r.list);
    for (const QString& line : text.split(u'\n')) {
        const QStringList f = line.split(u'\t');
        if (f.size() != 4) continue;
        generated[f[0] + u'|' + normalisedLemma(f[2]) + u'|' + f[1]].insert(normalisedForm(f[3]));
    }
    QSet<QString> compared, agreed;
    QMap<QString, QString> disagreements;
    for (const QString& line : readText(sharedDir() + QStringLiteral("/data/macrons/macrons-minimal.txt")).split(u'\n')) {
        const QStringList f = line.split(u'\t');
        if (f.size() != 4) continue;
        const QString key = normalisedForm(f[0]);
        const QString id = key + u'|' + normalisedLemma(f[2]) + u'|' + f[1];
        const auto it = generated.constFind(id);
        if (it == generated.constEnd()) continue;
        compared.insert(id);
        if (it->contains(normalisedForm(f[3]))) agreed.insert(id);
        else disagreements[id] = f[3] + QStringLiteral(" here ") + QStringList(it->values()).join(u'/');
    }
    // A form the other list gives twice, once agreeing, agrees.
    for (const QString& id : agreed) disagreements.remove(id);
    const double share = compared.isEmpty() ? 0 : double(agreed.size()) / compared.size();
    std::printf("compared %lld forms, %lld agree (%.1f%%)\n", qlonglong(compared.size()), qlonglong(agreed.size()),
                share * 100);
    for (auto d = disagreements.constBegin(); d != disagreements.constEnd(); ++d)
        std::printf("  %s: %s\n", qPrintable(d.key()), qPrintable(d.value()));
    EXPECT_GT(compared.size(), 500);
    EXPECT_GE(share, 0.95);
}

// Nouns given with a genitive plural (Helvētii -ōrum) decline in the plural
// only; read as a singular genitive, their -ōrum was cut into a stem
// (Helvētiōruī, Helvētiōruōrum), over four thousand forms of the letters.
TEST(PreparedFormListReal, NoNounFormIsMadeOnAGenitivePlural) {
    const RealList& r = realList();
    ASSERT_TRUE(r.ok);
    static const QRegularExpression cutGenitive(QStringLiteral("o_ru(?!m)"));
    QStringList bad;
    for (const QString& line : readText(r.list).split(u'\n')) {
        const QStringList f = line.split(u'\t');
        if (f.size() != 4 || !f[1].startsWith(u'n') || f[2].toLower().contains(QLatin1String("oru"))) continue;
        if (cutGenitive.match(f[3]).hasMatch()) bad << f[2] + u' ' + f[3];
    }
    EXPECT_TRUE(bad.isEmpty()) << bad.size() << ": " << qPrintable(bad.mid(0, 20).join(QStringLiteral(", ")));
}

}  // namespace

// When its dictionary has changed, the application makes the list itself and
// loads it in the same process: that costs no more memory than loading a
// list made beforehand (at most 120 MiB kept, 300 MiB at the peak), as the
// entries are not all held at once and what they took goes back to the
// system. Measured in a process of its own, so that its peak is its own.
TEST(PreparedFormListReal, ListMadeByTheApplicationStaysWithinTheLoadsMemory) {
    const RealList& r = realList();
    ASSERT_TRUE(r.ok);
    QTemporaryDir home;
    const QString data = home.filePath(QStringLiteral("data"));
    const QString lexica = data + QStringLiteral("/Tessarin/Dictionaries");
    ASSERT_TRUE(QDir().mkpath(lexica));
    ASSERT_TRUE(QFile::copy(r.dictionary, lexica + QStringLiteral("/EditedLewisShort.xml")));
    QProcess helper;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("HOME"), home.path());
    environment.insert(QStringLiteral("XDG_DATA_HOME"), data);
    environment.insert(QStringLiteral("XDG_CACHE_HOME"), home.filePath(QStringLiteral("cache")));
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral("config")));
    helper.setProcessEnvironment(environment);
    helper.start(QStringLiteral(TS_REBUILD_HELPER), {});
    ASSERT_TRUE(helper.waitForFinished(300000)) << "the helper did not end";
    ASSERT_EQ(helper.exitCode(), 0) << helper.readAllStandardError().toStdString();
    const QList<QByteArray> figures = helper.readAllStandardOutput().trimmed().split(' ');
    ASSERT_EQ(figures.size(), 3);
    std::printf("list made and loaded by the application: added %s MiB, peak %s MiB\n", figures[0].constData(),
                figures[1].constData());
    EXPECT_TRUE(PreparedFormList::isCurrent(lexica + QStringLiteral("/macrons.txt"), lexica + QStringLiteral("/EditedLewisShort.xml")));
    EXPECT_EQ(figures[2].toLongLong(), r.summary.lines);
    EXPECT_LE(figures[0].toDouble(), 120.0);
    EXPECT_LE(figures[1].toDouble(), 300.0);
}
