// The real Lewis and Short letter files converted whole, checked against an
// independent count by python3; and the command-line converter's outcomes.
#include "ParserFixture.h"
#include "support/PreparedLewisShort.h"
#include "support/Python.h"
#include "support/WordsAnalyser.h"

#include "dictionaries/LewisAndShort.h"
#include "dictionaries/TSDictionary.h"
#include "morphology/VowelLength.h"
#include "dictsource/DictionarySourceBuilders.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>

#include <gtest/gtest.h>

namespace {

QString lexicaFolder() {
    QString shared = QString::fromLocal8Bit(qgetenv("TS_SHARED_DIR"));
    if (shared.isEmpty()) shared = QString::fromLocal8Bit(qgetenv("TS_SOURCE_DIR")) + QStringLiteral("/../shared");
    return shared + QStringLiteral("/data/lexica");
}

// Counts entries and senses, lists the keys, and samples 30 entries with the
// text of their first headword.
const char* kCountScript = R"PY(
import glob, json, lzma, os, sys
import xml.etree.ElementTree as ET
entries = senses = 0
keys = []
orths = []
for path in sorted(glob.glob(os.path.join(sys.argv[1], 'uls-*.xml.xz'))):
    if 'front' in path: continue
    with lzma.open(path) as f:
        for event, el in ET.iterparse(f, events=('end',)):
            if el.tag == 'sense': senses += 1
            elif el.tag == 'entryFree':
                entries += 1
                keys.append(el.get('key'))
                orth = el.find('.//orth')
                orths.append(''.join(orth.itertext()) if orth is not None else None)
                el.clear()
step = max(1, len(keys) // 30)
sample = [{'index': i, 'key': keys[i], 'orth': orths[i]} for i in range(0, len(keys), step)][:30]
print(json.dumps({'entries': entries, 'senses': senses, 'keys': keys, 'sample': sample}))
)PY";

qint64 countType(const DictionaryEntryPtr& node, int type) {
    qint64 n = 0;
    for (const auto& c : node->childList()) {
        if (!c) continue;
        if (c->type() == type) ++n;
        n += countType(c, type);
    }
    return n;
}

// The headword the converter makes of a first headword: carets gone, an
// early inner hyphen removed.
QString expectedHeadword(QString orth) {
    orth.remove(QLatin1Char('^'));
    const qsizetype h = orth.indexOf(QLatin1Char('-'));
    if (h > 0 && h <= 6 && !orth.endsWith(QLatin1Char('-')) && orth.at(h - 1) != QLatin1Char(' ')) orth.remove(h, 1);
    return orth;
}

TEST(LewisShortReal, TheLetterFilesConvertWhole) {
    const QString folder = lexicaFolder();
    if (!QFileInfo(folder + QStringLiteral("/uls-B.xml.xz")).isFile()) GTEST_SKIP() << "no lexica in " << folder;
    const PythonRun py = runPython(QString::fromUtf8(kCountScript), {folder});
    ASSERT_TRUE(py.started);
    ASSERT_EQ(py.exitCode, 0) << py.err;
    const QJsonObject counts = QJsonDocument::fromJson(py.outBytes).object();
    const qint64 expectedEntries = counts.value(QStringLiteral("entries")).toInteger();
    const qint64 expectedSenses = counts.value(QStringLiteral("senses")).toInteger();
    ASSERT_GT(expectedEntries, 20000);

    installTestServices();
    LewisShortOptions options;
    options.discardLogs = true;
    options.prompt = std::make_shared<SkipDeveloperPrompt>();
    options.sink = std::make_shared<DeveloperSink>();
    const LewisShortConversion conversion = convertLewisShortLetters(folder, options);
    ASSERT_TRUE(conversion.ok) << conversion.error;

    const ts::ValueArray& entries = conversion.result.at(QStringLiteral("Entries")).array();
    ASSERT_EQ(qint64(entries.size()), expectedEntries);
    const QJsonArray keys = counts.value(QStringLiteral("keys")).toArray();
    ASSERT_EQ(qint64(keys.size()), expectedEntries);
    qint64 senses = 0;
    for (size_t i = 0; i < entries.size(); ++i) {
        auto entry = entries[i].toObjectAs<DictionaryEntry>();
        ASSERT_TRUE(entry);
        ASSERT_EQ(entry->key(), keys.at(qsizetype(i)).toString()) << i;
        EXPECT_EQ(entry->parent(), nullptr);
        senses += countType(entry, DictionaryEntry::Meaning);
    }
    // Every sense is in the tree: placed by its level, or kept under its
    // entry when it could not be (and logged).
    EXPECT_EQ(senses, expectedSenses);
    const auto& stats = conversion.statistics;
    EXPECT_EQ(stats.senses, expectedSenses);
    EXPECT_EQ(stats.placedSenses + stats.unplacedSenses, expectedSenses);

    for (const char* key : {"title", "author", "sponsor"}) {
        ASSERT_TRUE(conversion.result.count(QString::fromUtf8(key))) << key;
        EXPECT_FALSE(conversion.result.at(QString::fromUtf8(key)).toString().trimmed().isEmpty()) << key;
    }
    // The header names several titles; the last one read is kept.
    EXPECT_EQ(conversion.result.at(QStringLiteral("title")).toString(),
              QStringLiteral("Founded on Andrews' edition of Freund's Latin dictionary"));

    const QJsonArray sample = counts.value(QStringLiteral("sample")).toArray();
    ASSERT_EQ(sample.size(), 30);
    for (const auto& item : sample) {
        const QJsonObject o = item.toObject();
        auto entry = entries[size_t(o.value(QStringLiteral("index")).toInt())].toObjectAs<DictionaryEntry>();
        // An indeclinable's tag follows the headword in the same slot.
        QString headword = entry->entry().section(QStringLiteral(" -"), 0, 0);
        if (headword.endsWith(QStringLiteral(" (indecl)"))) headword.chop(9);
        EXPECT_EQ(headword, expectedHeadword(o.value(QStringLiteral("orth")).toString()))
            << o.value(QStringLiteral("key")).toString();
    }
}

TEST(LewisShortReal, CommandLineConverter) {
    QTemporaryDir dir;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_STATE_HOME"), dir.filePath(QStringLiteral("state")));
    env.insert(QStringLiteral("XDG_DATA_HOME"), dir.filePath(QStringLiteral("data")));
    auto run = [&](const QStringList& args, const QByteArray& input = QByteArray()) {
        QProcess p;
        p.setProcessEnvironment(env);
        if (input.isEmpty()) p.setStandardInputFile(QProcess::nullDevice());
        p.start(QStringLiteral(TS_DICTSOURCE_TOOL), args);
        if (!input.isEmpty()) {
            p.write(input);
            p.closeWriteChannel();
        }
        p.waitForFinished(120000);
        return std::make_pair(p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
                              QString::fromUtf8(p.readAllStandardError()));
    };

    // The elementary source has no bundled copy: its path is required.
    auto [elementary, elementaryText] = run({QStringLiteral("convert-elementary")});
    EXPECT_EQ(elementary, 2);
    EXPECT_TRUE(elementaryText.contains(QStringLiteral("convert-elementary --source PATH")));
    EXPECT_EQ(run({QStringLiteral("convert-nothing")}).first, 2);

    const QString source = dir.filePath(QStringLiteral("LewisShort.xml"));
    const QString out = dir.filePath(QStringLiteral("out/EditedLewisShort.xml"));
    QFile bad(source);
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write("<TEI.2><text><body>\n<entryFree key=\"a\"><orth>a</orth>\n</body></text></TEI.2>");
    bad.close();
    auto [badCode, badText] =
        run({QStringLiteral("convert-ls"), QStringLiteral("--non-interactive"), QStringLiteral("--source"), source,
             QStringLiteral("--out"), out});
    EXPECT_EQ(badCode, 1);
    EXPECT_TRUE(badText.contains(QStringLiteral("LewisShort.xml:3:"))) << badText;
    EXPECT_FALSE(QFileInfo::exists(out));

    QFile good(source);
    ASSERT_TRUE(good.open(QIODevice::WriteOnly));
    good.write("<TEI.2><teiHeader><fileDesc><titleStmt><title>T</title></titleStmt></fileDesc></teiHeader>"
               "<text><body><entryFree key=\"a^mo\"><orth>a^mo</orth><gen>m</gen>"
               "<sense level=\"1\" n=\"I\" id=\"n1.0\">to love</sense></entryFree></body></text></TEI.2>");
    good.close();
    auto [goodCode, goodText] =
        run({QStringLiteral("convert-ls"), QStringLiteral("--non-interactive"), QStringLiteral("--source"), source,
             QStringLiteral("--out"), out});
    ASSERT_EQ(goodCode, 0) << goodText;
    // The written dictionary read back by an independent reader.
    const PythonRun py = runPython(QStringLiteral("import plistlib,sys,json\n"
                                                  "d=plistlib.load(open(sys.argv[1],'rb'))\n"
                                                  "w=d['words'][0]\n"
                                                  "print(json.dumps([d.get('title'),len(d['words']),w['Entry'],w['key'],"
                                                  "w['gen'],w['children'][0]['Entry']]))"),
                                   {out});
    ASSERT_EQ(py.exitCode, 0) << py.err;
    EXPECT_EQ(py.out.trimmed(), QStringLiteral("[\"T\", 1, \"amo\", \"a^mo\", \"m\", \"to love\"]"));
    // And by the dictionary's own loader.
    auto loaded = TSDictionary::loadFromFile(QUrl::fromLocalFile(out));
    ASSERT_TRUE(loaded);
    loaded->waitForInitialisation();
    ASSERT_TRUE(loaded->words());
    ASSERT_EQ(loaded->words()->size(), 1u);
    EXPECT_EQ(loaded->words()->front()->key(), QStringLiteral("a^mo"));
    EXPECT_EQ(loaded->words()->front()->gender(), 1);

    // A folder of letter files converted with answers: they land in an
    // assembled source kept beside the output, which the tool names, and
    // the next run converts that file with the answers in it.
    const QString letters = dir.filePath(QStringLiteral("letters"));
    QDir().mkpath(letters);
    auto write = [](const QString& path, const QByteArray& bytes) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    };
    write(letters + QStringLiteral("/uls-front.xml"),
          "<TEI.2><teiHeader><fileDesc><titleStmt><title>T</title></titleStmt></fileDesc></teiHeader></TEI.2>");
    const QByteArray letterA = "<TEI.2><text><body><div0 n=\"A\">\r\n<entryFree key=\"zzq\"><orth>zzq</orth>,\r\n\t"
                               "<sense n=\"I\" level=\"1\">\r\n\tsomething</sense></entryFree>\r\n</div0></body></text></TEI.2>";
    write(letters + QStringLiteral("/uls-A.xml"), letterA);
    const QString kept = dir.filePath(QStringLiteral("out/LewisShort.xml"));
    const QStringList folderArgs{QStringLiteral("convert-ls"), QStringLiteral("--interactive"), QStringLiteral("--source"),
                                 letters, QStringLiteral("--out"), out};
    // "Noun", then keep the shown text.
    auto [answered, answeredText] = run(folderArgs, "2\n.\n");
    ASSERT_EQ(answered, 0) << answeredText;
    EXPECT_TRUE(answeredText.contains(QStringLiteral("Answers are written to ") + kept)) << answeredText;
    EXPECT_TRUE(answeredText.contains(QStringLiteral("1 answer(s) written to ") + kept)) << answeredText;
    QFile keptFile(kept);
    ASSERT_TRUE(keptFile.open(QIODevice::ReadOnly));
    EXPECT_TRUE(keptFile.readAll().contains("<orth>zzq</orth><pos>noun</pos>"));
    QFile letterFile(letters + QStringLiteral("/uls-A.xml"));
    ASSERT_TRUE(letterFile.open(QIODevice::ReadOnly));
    EXPECT_EQ(letterFile.readAll(), letterA);
    auto [again, againText] = run(folderArgs, "\n");
    ASSERT_EQ(again, 0) << againText;
    EXPECT_TRUE(againText.contains(QStringLiteral("holding the answers given so far"))) << againText;
    auto corrected = TSDictionary::loadFromFile(QUrl::fromLocalFile(out));
    ASSERT_TRUE(corrected);
    corrected->waitForInitialisation();
    ASSERT_TRUE(corrected->words() && corrected->words()->size() == 1u);
    EXPECT_EQ(corrected->words()->front()->type(), DictionaryEntry::Noun);
}

}  // namespace

namespace {

bool holdsBreak(const QString& text) {
    return text.contains(QLatin1Char('\n')) || text.contains(QLatin1Char('\t')) || text.contains(QLatin1Char('\r'));
}

bool treeHoldsBreak(const DictionaryEntryPtr& node) {
    if (holdsBreak(node->entry())) return true;
    for (const auto& c : node->childList())
        if (c && treeHoldsBreak(c)) return true;
    return false;
}

bool treeHolds(const DictionaryEntryPtr& node, const QString& part) {
    if (node->entry().contains(part)) return true;
    for (const auto& c : node->childList())
        if (c && treeHolds(c, part)) return true;
    return false;
}

// What the inflection-type and part-of-speech rules leave undecided on the
// real letter files, and what the source's layout (line breaks and tabs
// inside elements, author names in citations) used to cost: printed for the
// record, and bounded.
TEST(LewisShortReal, TypedEntryFigures) {
    const QString folder = lexicaFolder();
    if (!QFileInfo(folder + QStringLiteral("/uls-B.xml.xz")).isFile()) GTEST_SKIP() << "no lexica in " << folder;
    installTestServices();
    LewisShortOptions options;
    options.prompt = std::make_shared<SkipDeveloperPrompt>();
    options.sink = std::make_shared<DeveloperSink>();
    QHash<QString, qint64> logged;
    const QStringList watched{QStringLiteral(" 1 comp pos not handed "), QStringLiteral(" ? redirect\n"),
                              QStringLiteral(" author ")};
    options.logSink = [&](const char*, const char*, int, const QString& text) {
        for (const QString& w : watched)
            if (text.contains(w)) ++logged[w];
    };
    const LewisShortConversion conversion = convertLewisShortLetters(folder, options);
    ASSERT_TRUE(conversion.ok) << conversion.error;
    const ts::ValueArray& entries = conversion.result.at(QStringLiteral("Entries")).array();
    qint64 untyped = 0, headwordBreaks = 0, treeBreaks = 0, emptyReferences = 0;
    QStringList longVerbs;
    for (const auto& v : entries) {
        auto entry = v.toObjectAs<DictionaryEntry>();
        if (entry->type() == 0) ++untyped;
        if (entry->type() == 2 && entry->entry().split(QStringLiteral(" -")).size() > 4) longVerbs << entry->entry();
        if (holdsBreak(entry->entry())) ++headwordBreaks;
        if (treeHoldsBreak(entry)) ++treeBreaks;
        if (treeHolds(entry, QStringLiteral("< "))) ++emptyReferences;
    }
    const double share = double(untyped) / double(entries.size());
    std::printf("entries %lld, type 0: %lld (%.2f%%)\n", qlonglong(entries.size()), qlonglong(untyped), share * 100);
    const auto& stats = conversion.statistics;
    for (int i = 0; i < 4; ++i)
        std::printf("itype texts of %d component(s) left to the correction: %lld\n", i + 1,
                    qlonglong(stats.iTypesToAlert[i]));
    std::printf("entries that ended without a word class: %lld\n", qlonglong(stats.untypedAlerts));
    std::printf("pos texts not recognised: %lld\n", qlonglong(logged.value(watched.at(0))));
    std::printf("sense openings read as redirects (logged): %lld\n", qlonglong(logged.value(watched.at(1))));
    std::printf("author elements logged: %lld\n", qlonglong(logged.value(watched.at(2))));
    std::printf("entries whose headword line holds a line break or tab: %lld; whose tree does: %lld\n",
                qlonglong(headwordBreaks), qlonglong(treeBreaks));
    std::printf("entries with a reference opening on a blank: %lld\n", qlonglong(emptyReferences));
    EXPECT_EQ(stats.untypedAlerts, untyped);
    // Layout inside elements no longer hides texts from the tables; what is
    // left is what the rules do not know.
    EXPECT_LE(untyped, 600);
    EXPECT_LE(stats.iTypesToAlert[1], 150);
    EXPECT_LE(stats.iTypesToAlert[2], 40);
    EXPECT_EQ(logged.value(watched.at(0)), 0);
    EXPECT_LE(logged.value(watched.at(1)), 12);
    EXPECT_EQ(logged.value(watched.at(2)), 0);
    EXPECT_EQ(headwordBreaks, 0);
    EXPECT_EQ(treeBreaks, 0);
    EXPECT_EQ(emptyReferences, 0);
    // Far fewer entries stay untyped than the two in five of a conversion
    // without these rules.
    EXPECT_LT(share, 0.10);
    std::printf("verbs with more than four slots: %lld\n", qlonglong(longVerbs.size()));
    for (const QString& line : longVerbs) std::printf("  %s\n", qPrintable(line));
    EXPECT_GT(entries.size(), 20000u);
}

}  // namespace

namespace {

// Answers every question with its first button ("Skip") and counts the
// inflection-type questions of two to four components.
class CountingPrompt : public DeveloperPrompt {
public:
    DeveloperAnswer ask(const DeveloperQuestion& question) override {
        const QString second = question.buttons.value(1);
        if (second == QLatin1String("iType, foreign")) ++multi[0];
        else if (second == QLatin1String("iType, remove")) ++multi[question.buttons.size() == 3 ? 1 : 2];
        return SkipDeveloperPrompt().ask(question);
    }
    qint64 multi[3] = {0, 0, 0};
};

// Every inflection type of two to four components that no rule reads is put
// to the developer: the letter files end their lines with CR LF, which the
// XML reader hands on as LF, and the element is found all the same.
TEST(LewisShortReal, EveryUnreadMultiComponentITypeIsOffered) {
    const QString folder = lexicaFolder();
    if (!QFileInfo(folder + QStringLiteral("/uls-B.xml.xz")).isFile()) GTEST_SKIP() << "no lexica in " << folder;
    QTemporaryDir letters;
    // A few letters by default; TS_LS_ALL_LETTERS=1 takes all of them (each
    // question reads the whole source, so that run takes minutes).
    QStringList names{"uls-front.xml.xz", "uls-B.xml.xz", "uls-G.xml.xz", "uls-H.xml.xz", "uls-J.xml.xz"};
    if (qgetenv("TS_LS_ALL_LETTERS") == "1") names = QDir(folder).entryList({QStringLiteral("uls-*.xml.xz")});
    for (const QString& name : names)
        ASSERT_TRUE(QFile::copy(folder + QLatin1Char('/') + name, letters.filePath(name)));
    installTestServices();
    auto prompt = std::make_shared<CountingPrompt>();
    LewisShortOptions options;
    options.discardLogs = true;
    options.prompt = prompt;
    options.sink = std::make_shared<DeveloperSink>();
    const LewisShortConversion conversion = convertLewisShortLetters(letters.path(), options);
    ASSERT_TRUE(conversion.ok) << conversion.error;
    const auto& left = conversion.statistics.iTypesToAlert;
    std::printf("multi-component itypes left: %lld %lld %lld, offered: %lld %lld %lld\n", qlonglong(left[1]),
                qlonglong(left[2]), qlonglong(left[3]), qlonglong(prompt->multi[0]), qlonglong(prompt->multi[1]),
                qlonglong(prompt->multi[2]));
    ASSERT_GT(left[1] + left[2], 0);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(prompt->multi[i], left[i + 1]) << i + 2 << " components";
}

}  // namespace

namespace {

// Reads the letter files' own parts of speech (an entry's first pos element,
// before its first sense and its second headword or, where the source opens
// the sense early, inside it) and the prepared dictionary the command-line tool
// wrote, and lists the verbs typed otherwise, the principal parts that
// would repeat their stem's opening letters once glued to it, and the
// parts left to glue that begin with a j the headword writes as i.
const char* kVerbCheckScript = R"PY(
import glob, json, lzma, os, plistlib, re, sys, unicodedata
words = plistlib.load(open(sys.argv[2], 'rb'))['words']
pos = {}
for path in sorted(glob.glob(os.path.join(sys.argv[1], 'uls-*.xml.xz'))):
    text = lzma.open(path, 'rt', encoding='utf-8').read()
    for m in re.finditer(r'<entryFree[^>]*key="([^"]*)"[^>]*>(.*?)</entryFree>', text, re.S):
        head = m.group(2).split('<sense', 1)[0]
        # A second headword opens an entry of its own (tablīnum … tablisso).
        own = head.split('<orth')
        found = re.findall(r'<pos>([^<]*)</pos>', '<orth'.join(own[:2]))
        if not found and len(own) <= 2: found = re.findall(r'<pos>([^<]*)</pos>', m.group(2))[:1]
        pos[m.group(1)] = [' '.join(p.split()) for p in found]
def plain(s):
    s = unicodedata.normalize('NFD', s)
    return ''.join(c for c in s if not unicodedata.combining(c) and c not in '^_-').lower()
infinitives = {'are', 'ere', 'ire', 'ari', 'eri', 'iri', 'esse'}
verbs = nouns = 0
typed_as_nouns, doubled, j_parts = [], [], []
for w in words:
    if any(re.match(r'v\. (a|n|dep|freq|inch|desid|intens|defect)', p) for p in pos.get(w.get('key'), [])):
        verbs += 1
        if w.get('Type') == 1: typed_as_nouns.append(w.get('key'))
    if w.get('Type') != 2: continue
    slots = w['Entry'].split(' -')
    head = plain(slots[0].split(' ')[0])
    if len(head) < 3: continue
    for slot in slots[1:]:
        if not slot or slot[0] == ' ': continue
        part = plain(slot.split(' ')[0])
        if len(part) < 3 or part in infinitives: continue
        reduplicated = part[0] == head[0] and part[0] not in 'aeiou' and part[1] in 'aeiou' and part[2] == head[0]
        if part.startswith(head[:3]) or reduplicated:
            doubled.append(w['Entry'])
            break
        if part[0] == 'j' and 'j' not in head:
            j_parts.append(w['Entry'])
            break
print(json.dumps({'verbs': verbs, 'nouns': typed_as_nouns, 'doubled': doubled, 'jParts': j_parts}, ensure_ascii=False))
)PY";

// Reads the word-form list made from the prepared dictionary and finds the
// principal parts (first person perfect, perfect and future participles)
// that are the present stem with a part glued behind it: a part that opens
// again with the stem's first letters, a reduplication, the stem's first or
// an inner vowel and the letter after it (edēsus, obedēdī, exigēgī), the
// stem's last consonant doubled (rappuī) or a final d or t kept before -s-,
// -tu- (claudsī, vertsus), or a part written with the j of a simple verb
// that the stem writes as i (ēicjēcī). The regular conjugations' stem-vowel
// endings (-āvī, -ēvī, -uī, -itum) are not glued parts. Prints the count,
// the forms built on those parts, samples, and how many forms of any kind
// carry such a j behind the stem's "ic" (ēicjectus).
const char* kGluedFormsScript = R"PY(
import collections, json, sys, unicodedata
def plain(s):
    s = unicodedata.normalize('NFD', s.replace('_', ''))
    return ''.join(c for c in s if not unicodedata.combining(c)).lower()
vowels = 'aeiouy'
first, inf = {}, {}
parts, every = collections.defaultdict(set), collections.defaultdict(set)
icj = 0
for line in open(sys.argv[1], encoding='utf-8'):
    f = line.rstrip('\n').split('\t')
    if len(f) == 4 and 'icj' in plain(f[3]): icj += 1
    if len(f) != 4 or not f[1].startswith('v'): continue
    tag, lemma = f[1], f[2]
    if tag in ('v1spia---', 'v1spip---'): first.setdefault(lemma, plain(f[3]))
    elif tag in ('v--pna---', 'v--pnp---'): inf.setdefault(lemma, f[3])
    elif tag in ('v1sria---', 'v1srip---', 'v-srppmn-', 'v-sfpamn-'): parts[lemma].add(plain(f[3]))
    if tag[3] in 'rlt' or (tag[3] in 'rf' and tag[4] == 'p'): every[lemma].add(plain(f[3]))
counts, samples, built = collections.Counter(), [], 0
for lemma, forms in parts.items():
    if lemma not in first: continue
    s, i = first[lemma], inf.get(lemma, '')
    conj = {'a': 1, 'e': 2, 'i': 4}.get(i.replace('_', '')[-3:-2], 3) if i.endswith(('_re', '_ri_')) else 3
    thematic = {1: 'a', 2: 'e'}.get(conj, '')
    for end in {1: ('or', 'o'), 2: ('eor', 'eo'), 4: ('ior', 'io')}.get(conj, ('ior', 'io', 'or', 'o')):
        if s.endswith(end) and len(s) > len(end):
            s = s[:-len(end)]
            break
    if len(s) < 2: continue
    for form in forms:
        if not form.startswith(s) or len(form) < len(s) + 3: continue
        r = form[len(s):]
        kind = None
        if r[0] == 'j' and 'j' not in s: kind = 'j part'
        elif r.startswith(s[:3]): kind = 'stem letters'
        elif r[0] == s[0] and r[0] not in vowels and r[1] in vowels and r[2] == s[0]: kind = 'reduplication'
        elif (r[0] == thematic and r[1] in 'uvt') or (r[0] in 'ui' and r[1] in 'itu' and s[-1] != r[0]): pass
        elif s[0] in vowels and r[0] == s[0]: kind = 'first vowel'
        elif any(s[k] in vowels and r.startswith(s[k:k + 2]) for k in range(1, len(s) - 1)): kind = 'inner vowel'
        if kind is None and r[0] == s[-1] and r[0] not in vowels: kind = 'doubled last letter'
        if kind is None and s[-1] in 'dt' and ((r[0] == 's' and r[1] in vowels + 's') or r[:2] == 'tu'):
            kind = 'dental kept'
        if kind:
            counts[kind] += 1
            built += sum(1 for e in every[lemma] if e.startswith(form[:-2]))
            samples.append(lemma + ' ' + form)
print(json.dumps({'parts': sum(counts.values()), 'forms': built, 'kinds': counts, 'samples': sorted(samples)[:60],
                  'icj': icj}, ensure_ascii=False))
)PY";

}  // namespace

// The prepared dictionary as the command-line tool builds it from the
// bundled letter files: a verb by its own part of speech is a verb, and
// no part given whole is glued behind its stem.
TEST(LewisShortReal, VerbsStayVerbsAndPartsAreNotGluedTwice) {
    const QString source = QStringLiteral(TS_SOURCE_DIR_DEFAULT "/resources/lexica");
    if (!QFileInfo(source + QStringLiteral("/uls-T.xml.xz")).isFile()) GTEST_SKIP() << "no lexica in " << source;
    const PreparedLewisShort& prepared = preparedLewisShort();
    ASSERT_TRUE(prepared.error.isEmpty()) << prepared.error;
    const PythonRun py = runPython(QString::fromUtf8(kVerbCheckScript), {source, prepared.dictionary});
    ASSERT_EQ(py.exitCode, 0) << py.err;
    const QJsonObject result = QJsonDocument::fromJson(py.out.toUtf8()).object();
    EXPECT_GT(result.value(QStringLiteral("verbs")).toInt(), 1500);
    EXPECT_EQ(result.value(QStringLiteral("nouns")).toArray().size(), 0) << py.out;
    EXPECT_EQ(result.value(QStringLiteral("doubled")).toArray().size(), 0) << py.out;
    // The compounds of iaciō (ēĭcĭo -jēci -jectum): 4 before their parts were
    // put after the prefix.
    EXPECT_EQ(result.value(QStringLiteral("jParts")).toArray().size(), 0) << py.out;

    // The word-form list made from it: no perfect or participle is a part
    // glued behind the present stem. On the list made before such parts
    // were put at the right point of the stem this found 160 parts and
    // 4,338 forms; then ningit, whose source line gives an imperfect and a
    // perfect ("-ēbat -nxit"), until its perfect was written whole. Before the
    // compounds of iaciō took their parts after the prefix, 11 j-parts
    // (ēicjēcī, trāicjectus ...) with 351 forms were glued, and 762 lines
    // had a form with "icj".
    const PythonRun glued = runPython(QString::fromUtf8(kGluedFormsScript), {prepared.forms});
    ASSERT_EQ(glued.exitCode, 0) << glued.err;
    const QJsonObject g = QJsonDocument::fromJson(glued.out.toUtf8()).object();
    std::printf("glued principal parts: %d (%d forms built on them)\n%s\n", g.value(QStringLiteral("parts")).toInt(),
                g.value(QStringLiteral("forms")).toInt(), qPrintable(glued.out.trimmed()));
    EXPECT_LE(g.value(QStringLiteral("parts")).toInt(), 2) << glued.out;
    EXPECT_EQ(g.value(QStringLiteral("icj")).toInt(), 0) << glued.out;
    const QJsonArray left = g.value(QStringLiteral("samples")).toArray();
    // A compound of fīō keeps facio's participle (văcēfīo, vacefactus),
    // which the test above reads as the stem's inner vowel again.
    for (const auto& sample : left) {
        const QStringList lemmaForm = sample.toString().split(u' ');
        EXPECT_TRUE(lemmaForm.first().endsWith(QStringLiteral("fio")) && lemmaForm.last().endsWith(QStringLiteral("factus")))
            << glued.out;
    }
}

namespace {

// Without an argument: the first person present of every verb of the
// word-form list. With the analyser's answers to them: per kind of part
// (perfects "r", perfect participles "p"), how many verbs the analyser knows
// were compared and which differ, compared without marks, i for j, u for v,
// bracketed alternatives dropped and -iī for -īvī; and how many forms of any
// kind hold a hyphen.
const char* kPrincipalPartsScript = R"PY(
import collections, json, re, sys, unicodedata
def plain(s):
    s = unicodedata.normalize('NFD', s.replace('_', ''))
    s = ''.join(c for c in s if not unicodedata.combining(c)).lower().replace('j', 'i').replace('v', 'u')
    return re.sub(r'iui$', 'ii', re.sub(r'\([^)]*\)', '', s))
verbs = collections.defaultdict(lambda: {'present': '', 'r': set(), 'p': set()})
hyphens = 0
for line in open(sys.argv[1], encoding='utf-8'):
    f = line.rstrip('\n').split('\t')
    if len(f) != 4: continue
    hyphens += '-' in f[0] or '-' in f[3]
    v = verbs[f[2]]
    if f[1] in ('v1spia---', 'v1spip---') and not v['present']: v['present'] = plain(f[3])
    elif f[1] in ('v1sria---', 'v-srppmn-'): v['r' if f[1] == 'v1sria---' else 'p'].add(plain(f[3]))
if len(sys.argv) == 2:
    print('\n'.join(sorted({v['present'] for v in verbs.values() if v['present']})))
    sys.exit()
known = collections.defaultdict(lambda: {'r': set(), 'p': set()})
for m in re.finditer(r'^([a-z]+(?:, [a-z()\-]+)+(?: sum)?)\s+V\b', open(sys.argv[2]).read(), re.M):
    parts = m.group(1).split(', ')
    k = known[plain(parts[0])]
    if len(parts) == 3 and parts[2].endswith(' sum'): k['p'].add(plain(parts[2][:-4]))
    elif len(parts) >= 3 and parts[2] != '-': k['r'].add(plain(parts[2]))
    if len(parts) >= 4 and parts[3] != '-': k['p'].add(plain(parts[3]))
out = {'hyphens': hyphens}
for kind in 'rp':
    pairs = [(l, v[kind], known[v['present']][kind]) for l, v in verbs.items() if v[kind] and known[v['present']][kind]]
    out[kind] = {'compared': len(pairs), 'differing': sorted('%s %s (analyser: %s)' % (l, '/'.join(sorted(o)), '/'.join(sorted(t)))
                                                       for l, o, t in pairs if not o & t)}
print(json.dumps(out))
)PY";

}  // namespace

// The perfects and perfect participles of the list made from the prepared
// dictionary, compared with the principal parts the installed analyser
// prints for the verbs it knows ("flecto, flectere, flexi, flexus"). The
// differences left are forms Lewis and Short gives beside the analyser's
// (līnĕo, āvi; rēfrĭco, ŭi; rĕsīdo, sēdi); a shortened part glued behind
// the stem (flectxī) or placed wrongly would add to them.
TEST(LewisShortReal, PrincipalPartsAgreeWithTheAnalyser) {
    if (!QFileInfo(QStringLiteral(TS_SOURCE_DIR_DEFAULT "/resources/lexica/uls-T.xml.xz")).isFile())
        GTEST_SKIP() << "no lexica";
    if (words_analyser::program().isEmpty()) GTEST_SKIP() << "whitakers-words is not installed";
    const PreparedLewisShort& prepared = preparedLewisShort();
    ASSERT_TRUE(prepared.error.isEmpty()) << prepared.error;
    const PythonRun presents = runPython(QString::fromUtf8(kPrincipalPartsScript), {prepared.forms});
    ASSERT_EQ(presents.exitCode, 0) << presents.err;
    const words_analyser::Run run = words_analyser::analyse(presents.out.split(u'\n', Qt::SkipEmptyParts), false);
    ASSERT_TRUE(run.finished) << run.error;
    QTemporaryDir dir;
    QFile answers(dir.filePath(QStringLiteral("answers.txt")));
    ASSERT_TRUE(answers.open(QIODevice::WriteOnly) && answers.write(run.output.toUtf8()) > 0);
    answers.close();
    const PythonRun py = runPython(QString::fromUtf8(kPrincipalPartsScript), {prepared.forms, answers.fileName()});
    ASSERT_EQ(py.exitCode, 0) << py.err;
    const QJsonObject figures = QJsonDocument::fromJson(py.outBytes).object();
    EXPECT_EQ(figures.value(QStringLiteral("hyphens")).toInt(), 0);
    const struct {
        const char* name;
        const char* key;
        double percent;  // at most this share differs
    } kinds[] = {{"perfects", "r", 1.5}, {"perfect participles", "p", 2.0}};
    for (const auto& kind : kinds) {
        const QJsonObject k = figures.value(QString::fromLatin1(kind.key)).toObject();
        const QJsonArray differing = k.value(QStringLiteral("differing")).toArray();
        const int compared = k.value(QStringLiteral("compared")).toInt();
        const double share = compared ? 100.0 * differing.size() / compared : 100.0;
        std::printf("%s: %lld of %d differ from the analyser (%.2f%%)\n", kind.name, qlonglong(differing.size()),
                    compared, share);
        for (const auto& d : differing) std::printf("  %s\n", qPrintable(d.toString()));
        EXPECT_GT(compared, 800) << kind.name;
        EXPECT_LE(share, kind.percent) << kind.name;
    }
}

// Every noun, verb and adjective of the prepared dictionary whose headword the
// installed analyser knows, declined and conjugated as the paradigm windows
// and the word-form list build it (one route from the entry), checked form by
// form against the analyser's reading of it; the nouns' genitives against
// their entries; the verbs' first persons and infinitives against the
// analyser's. Prints the figures and the differences left, by class.
TEST(LewisShortReal, EveryWordDeclinesAsItsEntrySays) {
    if (!QFileInfo(QStringLiteral(TS_SOURCE_DIR_DEFAULT "/resources/lexica/uls-T.xml.xz")).isFile())
        GTEST_SKIP() << "no lexica";
    if (words_analyser::program().isEmpty()) GTEST_SKIP() << "whitakers-words is not installed";
    const PreparedLewisShort& prepared = preparedLewisShort();
    ASSERT_TRUE(prepared.error.isEmpty()) << prepared.error;
    QFile script(QStringLiteral(TS_SOURCE_DIR_DEFAULT "/tests/dictsource/paradigm_check.py"));
    ASSERT_TRUE(script.open(QIODevice::ReadOnly));
    const PythonRun py = runPython(QString::fromUtf8(script.readAll()),
                                   {prepared.dictionary, prepared.forms, words_analyser::program(), QStringLiteral("4")},
                                   1800000);
    ASSERT_EQ(py.exitCode, 0) << py.err.toStdString();
    const QJsonObject result = QJsonDocument::fromJson(py.outBytes).object();
    const QJsonObject figures = result.value(QStringLiteral("figures")).toObject();
    const QJsonObject differences = result.value(QStringLiteral("differences")).toObject();
    for (auto it = differences.begin(); it != differences.end(); ++it) {
        const QJsonArray list = it.value().toArray();
        std::printf("%s: %lld\n", qPrintable(it.key()), qlonglong(list.size()));
        for (qsizetype i = 0; i < list.size() && i < 40; ++i) std::printf("  %s\n", qPrintable(list.at(i).toString()));
    }
    const struct {
        const char* name;
        double withoutForms;  // at most this share of the known words has no forms
        double right;         // at least this share of their forms is read as that word in that slot
    } classes[] = {{"nouns", 2.0, 99.0}, {"verbs", 2.0, 98.5}, {"adjectives", 5.0, 97.0}};
    for (const auto& c : classes) {
        const QJsonObject f = figures.value(QString::fromLatin1(c.name)).toObject();
        const double known = f.value(QStringLiteral("known")).toDouble();
        const double without = 100.0 * f.value(QStringLiteral("without forms")).toDouble() / known;
        const double right = 100.0 * f.value(QStringLiteral("right")).toDouble() / f.value(QStringLiteral("forms")).toDouble();
        std::printf("%s: %.0f known to the analyser, %.2f%% without forms, %.0f forms, %.2f%% read as that word in "
                    "that slot\n",
                    c.name, known, without, f.value(QStringLiteral("forms")).toDouble(), right);
        for (const auto& s : f.value(QStringLiteral("without forms samples")).toArray())
            std::printf("  no forms: %s\n", qPrintable(s.toString()));
        EXPECT_GT(known, 500) << c.name;
        EXPECT_LE(without, c.withoutForms) << c.name;
        EXPECT_GE(right, c.right) << c.name;
    }
    const QJsonObject genitives = figures.value(QStringLiteral("genitives")).toObject();
    const double genitiveShare = 100.0 * genitives.value(QStringLiteral("differing")).toDouble() /
                                 genitives.value(QStringLiteral("compared")).toDouble();
    std::printf("noun genitives other than the entry's: %.2f%%\n", genitiveShare);
    EXPECT_LE(genitiveShare, 0.5);
    const QJsonObject verbParts = figures.value(QStringLiteral("verb first persons and infinitives")).toObject();
    const double verbShare = 100.0 * verbParts.value(QStringLiteral("differing")).toDouble() /
                             verbParts.value(QStringLiteral("compared")).toDouble();
    std::printf("verbs whose first person or infinitive is not the analyser's: %.2f%%\n", verbShare);
    EXPECT_LE(verbShare, 2.0);
}

namespace {

// Reads the letter files and the prepared dictionary: the entry's head is
// the text before its first sense and, where that sense opens inside a
// bracket of the head, the sense's text after the bracket closes up to the
// first translation. Counts the nouns without gender whose head gives one,
// the verbs whose head gives a perfect and whose line has none, the verbs
// without conjugation and the -eo verbs with -īre not coded as eō; and
// prints the type, gender, conjugation and line of the named entries.
const char* kHeadScript = R"PY(
import glob, json, lzma, os, plistlib, re, sys, unicodedata
words = plistlib.load(open(sys.argv[2], 'rb'))['words']
raw = {}
for path in sorted(glob.glob(os.path.join(sys.argv[1], 'uls-*.xml.xz'))):
    text = lzma.open(path, 'rt', encoding='utf-8').read()
    for m in re.finditer(r'<entryFree[^>]*key="([^"]*)"[^>]*>(.*?)</entryFree>', text, re.S):
        raw[m.group(1)] = m.group(2)
untag = lambda s: re.sub(r'<[^>]*>', '', s)
def head_of(body):
    h, _, rest = body.partition('<sense')
    depth = untag(h).count('(') - untag(h).count(')')
    if depth <= 0 or not rest: return h
    first = rest.split('</sense>', 1)[0]
    first = first[first.index('>') + 1:]
    for m in re.finditer(r'<[^>]*>|[()]', first):
        if m.group(0) == '(': depth += 1
        elif m.group(0) == ')':
            depth -= 1
            if depth == 0: return h + ' ' + first[m.end():].split('<hi', 1)[0]
    return h
def plain(s):
    s = unicodedata.normalize('NFD', s)
    return ''.join(c for c in s if not unicodedata.combining(c)).lower()
out = {'genderless': 0, 'perfectless': 0, 'unconjugated': 0, 'eo': 0, 'named': {}}
for w in words:
    k, t = w.get('key'), w.get('Type')
    head = head_of(raw.get(k, ''))
    toks = w['Entry'].split(' ')
    if t == 1 and not w.get('gen') and re.search(r'<gen>', head): out['genderless'] += 1
    if t == 2:
        its = ' , '.join(re.findall(r'<itype>([^<]*)</itype>', head))
        perf = [x for x in re.split(r'[ ,]+', its) if len(x) > 2 and re.search(r'[iī]$', x)
                and not re.search(r'(ā|ē|ī|a|e|i)ri$', x) and x not in ('īvi', 'āvi', 'ēvi', 'ĭi', 'fĭĕri')]
        if perf and (len(toks) < 3 or toks[2] == '-'): out['perfectless'] += 1
        if not w.get('conj'): out['unconjugated'] += 1
        if plain(toks[0]).endswith('eo') and len(toks) > 1 and toks[1] == '-īre' and w.get('conj') != 7: out['eo'] += 1
    if k in sys.argv[3:]: out['named'][k] = [t or 0, w.get('gen', ''), w.get('conj', 0), w['Entry']]
print(json.dumps(out, ensure_ascii=False))
)PY";

}  // namespace

// What the head of each entry gives, wherever the source's mark-up puts it,
// reaches the prepared dictionary: the gender after a remark into which the
// first sense opens (ĕquus, i (…), m.), the perfect and conjugation given
// on either side of such a remark (gĕro, gessi, gestum (…), 3), parts
// written as plain text (mūnĭo, īvi or ĭi, ītum, 4), and the conjugation
// code of irregular verbs and the compounds of eō; the class and parts the
// entry itself gives, not those of a form it names as an entry of its own
// (bācātus … bāco, āre) or of a remark, a verb's class written in italics
// after a remark (vĕrĕor … 2, v. dep. a.), and the verbs the inflection
// rules leave short (the verbs of will, ferō's compounds, perfects without
// present, deponents given participle and infinitive). Before: 240 nouns
// without their gender, 34 verbs without their perfect, 120 verbs without
// conjugation, 7 compounds of eō coded 4; then 43 entries of the kinds
// above with a wrong class or line, over the whole converted dictionary.
TEST(LewisShortReal, TheHeadOfEveryEntryReachesTheDictionary) {
    const QString source = QStringLiteral(TS_SOURCE_DIR_DEFAULT "/resources/lexica");
    if (!QFileInfo(source + QStringLiteral("/uls-T.xml.xz")).isFile()) GTEST_SKIP() << "no lexica in " << source;
    const PreparedLewisShort& prepared = preparedLewisShort();
    ASSERT_TRUE(prepared.error.isEmpty()) << prepared.error;
    const struct {
        const char* key;
        int type;
        const char* gender;
        int conjugation;
        const char* line;
    } named[] = {
        {"e^quus", 1, "m", 2, "ĕquus -i"},
        {"no_men", 1, "n", 3, "nōmen -ĭnis"},
        {"ho^mo", 1, "c", 3, "hŏmo -ĭnis"},
        {"fu^ga", 1, "f", 1, "fŭga -ae"},
        {"ge^ro1", 2, "", 3, "gĕro -ere gessi gestum"},
        {"ju^be^o", 2, "", 2, "jŭbĕo -ēre jussi jussum"},
        {"rumpo", 2, "", 3, "rumpo -ere rūpi ruptum"},
        {"re^pe^ri^o", 2, "", 4, "rĕpĕrĭo -īre repperi rĕpertum"},
        {"obli_viscor", 2, "", 3, "oblīviscor -ī oblītus"},
        {"re^ve^re^or", 2, "", 2, "rĕvĕrĕor -ērī -ĭtus"},
        {"mu_ni^o1", 2, "", 4, "mūnĭo -īre -īvi or ĭi -ītum"},
        {"re^de^o", 2, "", 7, "rĕdĕo -īre -ĭi -ĭtum"},
        {"ma_lo", 2, "", 14, "mālo malle mālŭi"},
        {"no_lo", 2, "", 13, "nōlo nolle nōlŭi"},
        {"vo^lo1", 2, "", 12, "vŏlo velle vŏlŭi"},
        {"effe^ro1", 2, "", 9, "effĕro efferre extŭli ēlatum"},
        {"offe^ro", 2, "", 9, "offĕro offerre obtŭli oblātum"},
        {"o_di", 2, "", 6, "ōdī -isse"},
        {"me^mi^ni", 2, "", 6, "mĕmĭnī -isse"},
        {"fungor", 2, "", 3, "fungor -ī functus"},
        {"nascor", 2, "", 3, "nascor -ī nātus"},
        {"re_^tro_gra^di^or", 2, "", 5, "rētrōgrădĭor -ī"},
        {"ve^re^or", 2, "", 2, "vĕrĕor -ērī -ĭtus"},
        {"ni_tor1", 2, "", 3, "nītor -ī -"},
        {"fi_o", 2, "", 11, "fīo fĭĕri"},
        {"ningit", 2, "", 3, "ningit -ere ninxit"},
        {"transjungo", 2, "", 3, "transjungo -ere - -"},
        {"explendesco", 2, "", 3, "explendesco -ere - -"},
        {"ge^no", 2, "", 3, "gĕno -ĕre"},
        {"ba_ca_tus", 3, "", 2, "bācātus -a -um"},
        {"ho^ri^or", 2, "", 5, "hŏrĭor -ī"},
        {"vi_vo", 2, "", 3, "vīvo -ere vīxi vīctum"},
    };
    QStringList args{source, prepared.dictionary};
    for (const auto& n : named) args << QString::fromUtf8(n.key);
    const PythonRun py = runPython(QString::fromUtf8(kHeadScript), args);
    ASSERT_EQ(py.exitCode, 0) << py.err;
    const QJsonObject result = QJsonDocument::fromJson(py.outBytes).object();
    std::printf("nouns without the gender their head gives: %d; verbs without the perfect their head gives: %d; "
                "verbs without conjugation: %d; -eo verbs in -īre not coded as eō: %d\n",
                result.value(QStringLiteral("genderless")).toInt(), result.value(QStringLiteral("perfectless")).toInt(),
                result.value(QStringLiteral("unconjugated")).toInt(), result.value(QStringLiteral("eo")).toInt());
    EXPECT_LE(result.value(QStringLiteral("genderless")).toInt(), 5);
    EXPECT_LE(result.value(QStringLiteral("perfectless")).toInt(), 20);
    EXPECT_LE(result.value(QStringLiteral("unconjugated")).toInt(), 40);
    EXPECT_EQ(result.value(QStringLiteral("eo")).toInt(), 0);
    const QJsonObject table = result.value(QStringLiteral("named")).toObject();
    for (const auto& n : named) {
        const QJsonArray row = table.value(QString::fromUtf8(n.key)).toArray();
        ASSERT_EQ(row.size(), 4) << n.key;
        EXPECT_EQ(row.at(0).toInt(), n.type) << n.key;
        EXPECT_EQ(row.at(1).toString(), QString::fromUtf8(n.gender)) << n.key;
        EXPECT_EQ(row.at(2).toInt(), n.conjugation) << n.key;
        EXPECT_EQ(row.at(3).toString(), QString::fromUtf8(n.line)) << n.key;
    }
}

// Every headword of the prepared dictionary that keeps a hyphen inside the
// word (vīgintĭ-vĭri, quantus-cumque) is found by its letters typed without
// the hyphen or the marks.
TEST(LewisShortReal, HyphenatedHeadwordsAreFoundWithoutTheHyphen) {
    if (!QFileInfo(QStringLiteral(TS_SOURCE_DIR_DEFAULT "/resources/lexica/uls-T.xml.xz")).isFile())
        GTEST_SKIP() << "no lexica";
    const PreparedLewisShort& prepared = preparedLewisShort();
    ASSERT_TRUE(prepared.error.isEmpty()) << prepared.error;
    installTestServices();
    auto dictionary = std::make_shared<LewisAndShortAt>(QUrl::fromLocalFile(prepared.dictionary));
    dictionary->initialize();
    dictionary->waitForInitialisation();
    ASSERT_TRUE(dictionary->words());
    DictionaryEntryList hyphenated;
    for (const auto& entry : *dictionary->words()) {
        const QString head = entry->entry().section(u' ', 0, 0);
        const qsizetype at = head.indexOf(u'-');
        if (at > 0 && at + 1 < head.size() && head.at(at + 1).isLetter()) hyphenated.push_back(entry);
    }
    EXPECT_GT(hyphenated.size(), 20u);
    QStringList missed;
    for (const auto& entry : hyphenated) {
        const QString typed = foldLatinString(entry->entry().section(u' ', 0, 0)).remove(u'-').toLower();
        const DictionaryEntryList found = dictionary->translateToEnglish(typed, 0, -1);
        if (std::find(found.begin(), found.end(), entry) == found.end()) missed << entry->entry();
    }
    EXPECT_TRUE(missed.isEmpty()) << missed.join(QStringLiteral(", ")).toStdString();
}
