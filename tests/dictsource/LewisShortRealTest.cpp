// The real Lewis and Short letter files converted whole, checked against an
// independent count by python3; and the command-line converter's outcomes.
#include "ParserFixture.h"
#include "support/Python.h"

#include "dictionaries/TSDictionary.h"
#include "dictsource/DictionarySourceBuilders.h"

#include <QFile>
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
    auto run = [&](const QStringList& args) {
        QProcess p;
        p.setProcessEnvironment(env);
        p.setStandardInputFile(QProcess::nullDevice());
        p.start(QStringLiteral(TS_DICTSOURCE_TOOL), args);
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
}

}  // namespace

namespace {

// What the inflection-type and part-of-speech rules leave undecided on the
// real letter files: printed for the record, and bounded.
TEST(LewisShortReal, TypedEntryFigures) {
    const QString folder = lexicaFolder();
    if (!QFileInfo(folder + QStringLiteral("/uls-B.xml.xz")).isFile()) GTEST_SKIP() << "no lexica in " << folder;
    installTestServices();
    LewisShortOptions options;
    options.discardLogs = true;
    options.prompt = std::make_shared<SkipDeveloperPrompt>();
    options.sink = std::make_shared<DeveloperSink>();
    const LewisShortConversion conversion = convertLewisShortLetters(folder, options);
    ASSERT_TRUE(conversion.ok) << conversion.error;
    const ts::ValueArray& entries = conversion.result.at(QStringLiteral("Entries")).array();
    qint64 untyped = 0;
    QStringList longVerbs;
    for (const auto& v : entries) {
        auto entry = v.toObjectAs<DictionaryEntry>();
        if (entry->type() == 0) ++untyped;
        if (entry->type() == 2 && entry->entry().split(QStringLiteral(" -")).size() > 4) longVerbs << entry->entry();
    }
    const double share = double(untyped) / double(entries.size());
    std::printf("entries %lld, type 0: %lld (%.2f%%)\n", qlonglong(entries.size()), qlonglong(untyped), share * 100);
    const auto& stats = conversion.statistics;
    for (int i = 0; i < 4; ++i)
        std::printf("itype texts of %d component(s) left to the correction: %lld\n", i + 1,
                    qlonglong(stats.iTypesToAlert[i]));
    std::printf("entries that ended without a word class: %lld\n", qlonglong(stats.untypedAlerts));
    EXPECT_EQ(stats.untypedAlerts, untyped);
    // Far fewer entries stay untyped than the two in five of a conversion
    // without these rules.
    EXPECT_LT(share, 0.10);
    std::printf("verbs with more than four slots: %lld\n", qlonglong(longVerbs.size()));
    for (const QString& line : longVerbs) std::printf("  %s\n", qPrintable(line));
    EXPECT_GT(entries.size(), 20000u);
}

}  // namespace
