#include "WordFormTestSupport.h"
#include "morphology/TSWordFormDictionary.h"
#include "morphology/WordFormCache.h"
#include "support/CaptureLogger.h"
#include "support/Python.h"
#include "platform/PropertyList.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <thread>

#include <sys/resource.h>
#include <unistd.h>

using namespace wordformtest;

namespace {

const QString L = QStringLiteral("-");
const QString S = QString(QChar(0x23D1));

TSWordFormDictionaryPtr dictionaryOf(const QStringList& lines) {
    auto d = std::make_shared<TSWordFormDictionary>();
    d->loadFromString(lines.join(QLatin1Char('\n')));
    return d;
}

}  // namespace

TEST(WordFormDictionary, SourceMarksBecomeLetters) {
    const struct {
        const char* source;
        const char* letters;
    } cases[] = {
        {"acade_mica_", "acadēmicā"}, {"a_e_i_o_u_y_", "āēīōūȳ"}, {"A_E_I_O_U_", "ĀĒĪŌŪ"}, {"Y_", "Y_"},
        {"poe+ta", "poëta"},          {"Troi+a", "Troïa"},         {"e_+", "ē+"},              {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TSWordFormDictionary::convert(QString::fromUtf8(c.source)), QString::fromUtf8(c.letters)) << c.source;
}

TEST(WordFormDictionary, LinesWithoutFourFieldsAddNothing) {
    TSWordFormDictionary d;
    EXPECT_FALSE(d.addWordFormFromString(QStringLiteral("arma\tn-p---nn-\tarma")));
    EXPECT_FALSE(d.addWordFormFromString(QStringLiteral("arma\tn-p---nn-\tarma\tarma\textra")));
    EXPECT_FALSE(d.addWordFormFromString(QStringLiteral("")));
    EXPECT_EQ(d.keyCount(), 0);
    EXPECT_TRUE(d.addWordFormFromString(QStringLiteral("arma\tn-p---nn-\tarma\tarma\r")));
    const auto records = d.records(QStringLiteral("arma"));
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0]->name(), QStringLiteral("arma"));
    EXPECT_EQ(records[0]->flags(), QStringLiteral("n-p---nn-"));
    EXPECT_EQ(records[0]->base(), QStringLiteral("arma"));
    EXPECT_EQ(records[0]->form(), QStringLiteral("arma"));
    // CR LF, lone CR and Unicode line separators all end lines.
    EXPECT_EQ(d.loadFromString(QStringLiteral("a\tc--------\ta\ta_\r\nb\tc--------\tb\tb\rc\tc--------\tc\tc\u2028bad")), 3);
}

TEST(WordFormDictionary, CandidateOrdering) {
    Places places({QStringLiteral("malum mālum extra"), QStringLiteral("single")});
    const auto d = dictionaryOf({
        "uir\tn-s---mn-\tvir\tuir",
        "rosa\tn-s---fb-\trosa\trosa_",
        "rosa\tn-s---fn-\trosa\trosa",
        "amat\tv3spia---\tamo\tamat",
        "amat\tv3spia---\tamo2\tamat",
        "bona\ta-s---fb-\tbonus\tbona_",
        "bona\ta-s---fn-\tbonus\tbona",
        "bona\ta-p---nn-\tbonus\tbona",
        "bona\ta-p---na-\tbonus\tbona",
        "malum\tn-s---nn-\tmalum\tmalum",
        "malum\tn-s---nn-\tmalum2\tma_lum",
        "iam\td--------\tiam\tjam",
        "single\tc--------\tsingle\tsi_ngle",
    });
    const struct {
        const char* word;
        QStringList expected;
    } cases[] = {
        // Found under "u" for "v"; the written "v" comes back.
        {"vir", {"vir"}},
        {"Rosa", {"Rosa", "Rosā"}},
        {"amat", {"amat"}},
        // Three records share "bona", one has "bonā".
        {"bona", {"bona", "bonā"}},
        // A frequency line decides, even with forms not found.
        {"Malum", {"Malum", "Mālum", "Extra"}},
        {"iam", {"iam"}},
        {"nusquam", {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(d->macronizedFormsForString(QString::fromUtf8(c.word)), c.expected) << c.word;
    // A line of one form is no entry.
    ASSERT_TRUE(TSWordFormDictionary::frequencyDictionary());
    EXPECT_EQ(TSWordFormDictionary::frequencyDictionary()->lines.size(), 1u);
}

TEST(WordFormDictionary, RankingIsTheSameWhicheverOrderTheRecordsCameIn) {
    Places places;
    // "fōo" is a nominative noun with more records; "foo" belongs to a
    // privileged lemma. The privileged form goes first from either order.
    const QStringList privileged = {"foo\tv3spia---\tsum\tfoo"};
    const QStringList nominative = {"foo\tn-s---mn-\tfoo\tfo_o", "foo\tn-s---mn-\tfoo2\tfo_o"};
    const auto one = dictionaryOf(privileged + nominative);
    const auto other = dictionaryOf(nominative + privileged);
    EXPECT_EQ(one->macronizedFormsForString(QStringLiteral("foo")), (QStringList{"foo", "fōo"}));
    EXPECT_EQ(other->macronizedFormsForString(QStringLiteral("foo")), (QStringList{"foo", "fōo"}));

    // Between two nominatives the noun goes first; both before the verb's
    // present, though it has more records.
    const auto counts = dictionaryOf({"bar\ta-s---mn-\tbar\tba_r", "bar\tv3spia---\tbar2\tbar",
                                      "bar\tv3ppia---\tbar2\tbar", "bar\tn-s---fn-\tbar3\tbăr"});
    EXPECT_EQ(counts->macronizedFormsForString(QStringLiteral("bar")), (QStringList{"băr", "bār", "bar"}));
    EXPECT_TRUE(TSWordFormDictionary::checkFlags(QStringLiteral("n-s---mn-")));
    EXPECT_FALSE(TSWordFormDictionary::checkFlags(QStringLiteral("a-s---mn-")));
    EXPECT_FALSE(TSWordFormDictionary::checkFlags(QStringLiteral("n")));
}

TEST(WordFormDictionary, MetreSearch) {
    Places places;
    const auto d = dictionaryOf({
        "romae\tn-s---fg-\tRoma\tRo_mae",
        "leges\tn-p---fa-\tlex\tle_ge_s",
        "rosarum\tn-p---fg-\trosa\trosa_rum",
        "arma\tn-p---nn-\tarma\tarma",
        "laudant\tv3ppia---\tlaudo\tlaudant",
    });
    const QString pattern = TSWordFormDictionary::meterPattern(2);
    EXPECT_EQ(pattern, L + L);
    const auto keys = [](const TSWordFormDictionary::MeterResult& r) {
        QStringList k;
        for (const auto& [key, records] : r) k << key;
        return k;
    };
    EXPECT_EQ(keys(d->wordsWithMeter(pattern, 2, 1, QString(), true, 3)), (QStringList{"leges", "romae"}));
    EXPECT_EQ(keys(d->wordsWithMeter(pattern, 2, 1, QString(), true, 1)), (QStringList{"leges"}));
    EXPECT_EQ(keys(d->wordsWithMeter(pattern, 2, 1, QString(), true, 2)), (QStringList{"romae"}));
    EXPECT_TRUE(d->wordsWithMeter(pattern, 2, 1, QString(), true, 0).empty());
    EXPECT_EQ(keys(d->wordsWithMeter(pattern, 2, 0, QString(), true, 3)), (QStringList{"laudant", "leges", "romae"}));
    EXPECT_EQ(keys(d->wordsWithMeter(pattern, 0, 1, QStringLiteral("R"), true, 3)), (QStringList{"romae"}));
    EXPECT_EQ(keys(d->wordsWithMeter(pattern, 0, 1, QStringLiteral("s"), false, 3)), (QStringList{"leges"}));
    // The syllables of rosārum are short, long, short.
    EXPECT_EQ(keys(d->wordsWithMeter(TSWordFormDictionary::meterPattern(9), 3, 1, QString(), true, 3)),
              (QStringList{"rosarum"}));
    // Typed letters match whatever the vowel lengths; a typed mark narrows.
    const auto marked = dictionaryOf({"lumina\tn-p---nn-\tlumen\tlu_mina", "lumbulus\tn-s---mn-\tlumbulus\tlumbulus",
                                      "deorum\tn-p---mg-\tdeus\tdeo_rum", "horum\tp-p---mg-\thic\tho_rum"});
    const auto lumina = marked->records(QStringLiteral("lumina"));
    ASSERT_EQ(lumina.size(), 1u);
    ASSERT_EQ(lumina.front()->form(), QStringLiteral("l\u016Bmina"));
    const QString any;
    EXPECT_EQ(keys(marked->wordsWithMeter(any, 0, 0, QStringLiteral("lum"), true, 3)), (QStringList{"lumbulus", "lumina"}));
    EXPECT_EQ(keys(marked->wordsWithMeter(lumina.front()->vowelLengths(), 0, 0, QStringLiteral("lum"), true, 3)),
              (QStringList{"lumbulus", "lumina"}));
    EXPECT_EQ(keys(marked->wordsWithMeter(any, 0, 0, QStringLiteral("l\u016Bm"), true, 3)), (QStringList{"lumina"}));
    EXPECT_EQ(keys(marked->wordsWithMeter(any, 0, 0, QStringLiteral("orum"), false, 3)), (QStringList{"deorum", "horum"}));
    EXPECT_EQ(keys(marked->wordsWithMeter(any, 0, 0, QStringLiteral("\u014Drum"), false, 3)), (QStringList{"deorum", "horum"}));
    EXPECT_EQ(keys(marked->wordsWithMeter(any, 0, 0, QStringLiteral("\u014Frum"), false, 3)), QStringList());
    EXPECT_EQ(keys(marked->wordsWithMeter(any, 0, 0, QStringLiteral("de\u014Drum"), true, 3)), (QStringList{"deorum"}));
    EXPECT_EQ(keys(marked->wordsWithMeter(any, 0, 0, QStringLiteral("Lum"), true, 3)), QStringList());

    for (int index : {0, 4, 7, 15}) EXPECT_TRUE(TSWordFormDictionary::meterPattern(index).isNull()) << index;
    for (int index : {1, 2, 3, 5, 6, 8, 9, 10, 11, 12, 13, 14})
        EXPECT_FALSE(TSWordFormDictionary::meterPattern(index).isEmpty()) << index;
}

TEST(WordFormDictionary, RealListSerialisesAndReadsBackEqual) {
    const QString text = readFile(minimalListPath());
    ASSERT_FALSE(text.isNull()) << qPrintable(minimalListPath());
    TSWordFormDictionary d;
    EXPECT_EQ(d.loadFromString(text), 7629);
    EXPECT_EQ(d.keyCount(), 2742);
    // Some patterns computed, some not: both kinds must survive.
    for (const auto& r : d.records(QStringLiteral("academica"))) r->vowelLengths();

    const ts::Value written = d.serialize();
    const TSWordFormDictionaryPtr back = TSWordFormDictionary::dataFromDictionary(written);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->serialize(), written);
    EXPECT_EQ(back->recordCount(), 7629);

    const TSWordFormDictionaryPtr fromData = TSWordFormDictionary::importFromPListData(d.exportToPListFormat());
    ASSERT_TRUE(fromData);
    EXPECT_EQ(fromData->serialize(), written);
    EXPECT_FALSE(TSWordFormDictionary::importFromPListData(QByteArrayLiteral("bplist00 not really")));
    ts::ValueDictionary otherClass = written.dictionary();
    otherClass[QStringLiteral("ClassName")] = QStringLiteral("Zerivuv");
    EXPECT_FALSE(TSWordFormDictionary::dataFromDictionary(ts::Value(otherClass)));
}

TEST(WordFormDictionary, CacheReadsInAnIndependentReader) {
    QTemporaryDir dir;
    const auto plain = dictionaryOf({"arma\tn-p---nn-\tarma\tarma", "amo\tv1spia---\tamo\tamo_", "amo\tv1spia---\tamo2\tamo_"});
    // One record with its pattern computed, the others without.
    ts::ValueDictionary form = plain->serialize().dictionary();
    ts::ValueDictionary stored = form[QStringLiteral("storedData")].dictionary();
    ts::ValueArray amo = stored[QStringLiteral("amo")].array();
    ts::ValueDictionary first = amo[0].dictionary();
    first[QStringLiteral("meter")] = QStringLiteral("\u23D1-");
    amo[0] = ts::Value(first);
    stored[QStringLiteral("amo")] = ts::Value(amo);
    form[QStringLiteral("storedData")] = ts::Value(stored);
    const auto d = TSWordFormDictionary::dataFromDictionary(ts::Value(form));
    ASSERT_TRUE(d);
    d->setSourceStamp(QStringLiteral("stamp"));
    const QString path = dir.filePath(QStringLiteral("Macrons.dat"));
    ASSERT_TRUE(d->writeToFile(path));
    const PythonRun run = runPython(QStringLiteral(R"(
import plistlib, sys
with open(sys.argv[1], 'rb') as f:
    head = f.read(8)
    f.seek(0)
    p = plistlib.load(f)
s = p['storedData']
print(head.decode('ascii'), p['ClassName'], p['SourceStamp'], 'name' in p, sorted(s), len(s['amo']),
      s['amo'][0]['form'], s['amo'][0].get('meter'), 'meter' in s['amo'][1], s['arma'][0]['flags'], sorted(s['arma'][0]))
)"), {path});
    if (!run.started) GTEST_SKIP() << "python3 is not available";
    EXPECT_EQ(run.exitCode, 0) << qPrintable(run.err);
    EXPECT_EQ(run.out.trimmed(), QStringLiteral("bplist00 TSWordFormDictionary stamp False ['amo', 'arma'] 2 amō ⏑- "
                                                "False n-p---nn- ['base', 'flags', 'form']"));
    CaptureLogger::Scope capture;
    EXPECT_FALSE(d->writeToFile(dir.filePath(QStringLiteral("missing/folder/Macrons.dat"))));
    EXPECT_TRUE(capture->contains(QStringLiteral("Error writing macrons file")));
}

TEST(WordFormDictionary, ReadersAndAdditionsMayOverlap) {
    Places places;
    TSWordFormDictionary d;
    d.loadFromString(readFile(minimalListPath()));
    std::atomic<bool> done{false};
    std::atomic<int> reads{0};
    std::vector<std::thread> readers;
    for (int t = 0; t < 3; ++t) {
        readers.emplace_back([&] {
            while (!done.load()) {
                d.macronizedFormsForString(QStringLiteral("academica"));
                d.wordsWithMeter(L, 0, 0, QStringLiteral("ac"), true, 3);
                ++reads;
            }
        });
    }
    // Additions begin once the readers are walking the entries.
    while (reads.load() < 3) std::this_thread::yield();
    for (int i = 0; i < 2000; ++i)
        d.addWordFormFromString(QStringLiteral("nouum%1\ta-s---nn-\tnouus\tnovum%1").arg(i));
    done = true;
    for (auto& t : readers) t.join();
    EXPECT_GT(reads.load(), 0);
    EXPECT_EQ(d.recordCount(), 7629 + 2000);
}

TEST(WordFormDictionary, CacheReaderAgreesWithTheGeneralReader) {
    TSWordFormDictionary d;
    d.loadFromString(readFile(minimalListPath()));
    for (const auto& r : d.records(QStringLiteral("academici"))) r->vowelLengths();
    d.setSourceStamp(QStringLiteral("/a/macrons.txt|1|2"));
    d.setName(QStringLiteral("named"));
    const QByteArray data = d.exportToPListFormat();
    const auto general = TSWordFormDictionary::dataFromDictionary(ts::PropertyList::read(data).value);
    const auto fast = TSWordFormDictionary::importFromPListData(data);
    ASSERT_TRUE(general);
    ASSERT_TRUE(fast);
    EXPECT_EQ(fast->serialize(), general->serialize());
    EXPECT_EQ(fast->name(), QStringLiteral("named"));
    EXPECT_EQ(fast->sourceStamp(), QStringLiteral("/a/macrons.txt|1|2"));

    // An XML property list of the same dictionary goes through the general reader.
    const auto fromXml = TSWordFormDictionary::importFromPListData(ts::PropertyList::writeXML(d.serialize()));
    ASSERT_TRUE(fromXml);
    EXPECT_EQ(fromXml->serialize(), general->serialize());
}

TEST(WordFormDictionary, DamagedCachesReadAsNothingOrAsSomething) {
    const auto d = dictionaryOf({"arma\tn-p---nn-\tarma\tarma", "amo\tv1spia---\tamo\tamo_", "amo\tv1spia---\tamo2\tamo_"});
    const QByteArray data = d->exportToPListFormat();
    ASSERT_FALSE(data.isEmpty());
    CaptureLogger::Scope quiet;
    int read = 0;
    for (qsizetype n = 0; n < data.size(); ++n)
        if (TSWordFormDictionary::importFromPListData(data.left(n))) ++read;
    EXPECT_EQ(read, 0) << "a truncated cache must not read";
    // Every byte replaced in turn: whatever reads must be whole records.
    for (qsizetype i = 0; i < data.size(); ++i) {
        for (char b : {char(0x00), char(0xFF), char(0x5F), char(0xDF)}) {
            QByteArray bad = data;
            bad[i] = b;
            if (const auto r = TSWordFormDictionary::importFromPListData(bad)) {
                const ts::Value written = r->serialize();
                for (const auto& [key, value] : written[QStringLiteral("storedData")].dictionary())
                    EXPECT_TRUE(value.isArray()) << key.toStdString();
            }
        }
    }
}

// A small file whose records all name one long string would copy it into
// every record: it is refused rather than read into gigabytes, while the
// same string shared by a few records reads.
TEST(WordFormDictionary, CacheWhoseFormsWouldOutgrowItIsRefused) {
    const auto cacheOf = [](int keys) {
        const QString longForm(60000, QChar(0x0101));
        ts::ValueDictionary stored;
        for (int k = 0; k < keys; ++k) {
            ts::ValueDictionary record;
            record[QStringLiteral("base")] = QStringLiteral("a");
            record[QStringLiteral("form")] = longForm;
            record[QStringLiteral("flags")] = QStringLiteral("n-s---nn-");
            stored[QStringLiteral("k%1").arg(k)] = ts::Value(ts::ValueArray{ts::Value(record)});
        }
        ts::ValueDictionary top;
        top[QStringLiteral("ClassName")] = QStringLiteral("TSWordFormDictionary");
        top[QStringLiteral("storedData")] = ts::Value(stored);
        return ts::PropertyList::writeBinary(ts::Value(top));
    };
    const QByteArray many = cacheOf(3000);
    ASSERT_LT(many.size(), 1 << 20);  // the string is written once
    CaptureLogger::Scope quiet;
    EXPECT_FALSE(TSWordFormDictionary::importFromPListData(many));
    const auto few = TSWordFormDictionary::importFromPListData(cacheOf(3));
    ASSERT_TRUE(few);
    EXPECT_EQ(few->records(QStringLiteral("k2")).front()->form().size(), 60000);
}

namespace {

// One key whose array names the same long record thousands of times: read
// whole it would need some 360 MB. Run with 200 MB more address space than
// the process has; exits 0 when the read is refused within it.
[[noreturn]] void readOneKeyOfManyRecordsWithinAMemoryCeiling() {
    ts::ValueDictionary record;
    record[QStringLiteral("base")] = QStringLiteral("a");
    record[QStringLiteral("form")] = QString(60000, QChar(0x0101));
    record[QStringLiteral("flags")] = QStringLiteral("n-s---nn-");
    const ts::ValueArray records(3000, ts::Value(record));
    ts::ValueDictionary stored;
    stored[QStringLiteral("k")] = ts::Value(records);
    ts::ValueDictionary top;
    top[QStringLiteral("ClassName")] = QStringLiteral("TSWordFormDictionary");
    top[QStringLiteral("storedData")] = ts::Value(stored);
    const QByteArray data = ts::PropertyList::writeBinary(ts::Value(top));
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly)) std::_Exit(2);
    const qulonglong pages = statm.readAll().split(' ').value(0).toULongLong();
    const rlim_t ceiling = rlim_t(pages) * rlim_t(sysconf(_SC_PAGESIZE)) + (rlim_t(200) << 20);
    const rlimit limit{ceiling, ceiling};
    if (setrlimit(RLIMIT_AS, &limit) != 0) std::_Exit(3);
    CaptureLogger::Scope quiet;
    std::_Exit(TSWordFormDictionary::importFromPListData(data) ? 1 : 0);
}

// The peak resident size in MiB.
double peakMiB() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:")) return line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
    return -1;
}

// Reads the cache; exits 0 when it is refused with the process's peak grown
// by less than 50 MB (the peak is reset first).
[[noreturn]] void refuseWithinAPeakOf50MB(const QByteArray& data) {
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    if (!clear.open(QIODevice::WriteOnly) || clear.write("5") != 1) std::_Exit(2);
    clear.close();
    const double before = peakMiB();
    CaptureLogger::Scope quiet;
    const bool read = TSWordFormDictionary::importFromPListData(data) != nullptr;
    std::_Exit(!read && before > 0 && peakMiB() - before < 50 ? 0 : 1);
}

}  // namespace

TEST(WordFormDictionary, CacheNamingOneRecordManyTimesIsRefusedBeforeItGrows) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(readOneKeyOfManyRecordsWithinAMemoryCeiling(), testing::ExitedWithCode(0), "");
}

// Every byte of a 64 MiB cache names the one record with an empty form: the
// references are not all held before the second naming is refused.
TEST(WordFormDictionary, CacheWhoseEveryByteNamesOneRecordIsRefusedBeforeItGrows) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(refuseWithinAPeakOf50MB(cacheNamingOneRecord(64 << 20, QString(), 1)), testing::ExitedWithCode(0), "");
}

namespace {

QByteArray cacheOf(CraftedPlist& p, const std::vector<int>& records) {
    const int stored = p.dictionary({p.string("k")}, {p.array(records)});
    return p.bytes(p.dictionary({p.string("ClassName"), p.string("storedData")}, {p.string("TSWordFormDictionary"), stored}));
}

// One record whose field pairs all name "base", named `times` times.
QByteArray oneRecordRepeatingItsFieldPairs(int pairs, int times) {
    CraftedPlist p;
    const int record = p.dictionary(std::vector<int>(size_t(pairs), p.string("base")), std::vector<int>(size_t(pairs), p.string("a")));
    return cacheOf(p, std::vector<int>(size_t(times), record));
}

// One record reached through `numbers` numbers of the offset table.
QByteArray manyNumbersLeadingToOneRecord(int numbers) {
    CraftedPlist p;
    std::vector<int> items{p.dictionary({p.string("base"), p.string("flags")}, {p.string("a"), p.string("n")})};
    while (int(items.size()) < numbers) items.push_back(p.alias(items.front()));
    return cacheOf(p, items);
}

// Every key of the stored data is the same long string.
QByteArray oneLongKeyNamedByEveryKey(int length, int keys) {
    CraftedPlist p;
    const int key = p.string(QByteArray(length, 'k')), empty = p.array({});
    const int stored = p.dictionary(std::vector<int>(size_t(keys), key), std::vector<int>(size_t(keys), empty));
    return p.bytes(p.dictionary({p.string("ClassName"), p.string("storedData")}, {p.string("TSWordFormDictionary"), stored}));
}

// Records of two long field names 64 numbers apart, so that in the reader's
// memory of names each pushes the other out.
QByteArray fieldNamesPushingEachOtherOut(int length, int records) {
    CraftedPlist p;
    const int first = p.string(QByteArray(length, 'x'));
    for (int i = 0; i < 63; ++i) p.string(QByteArray::number(i));
    const int second = p.string(QByteArray(length, 'y')), value = p.string("a");
    std::vector<int> items;
    for (int i = 0; i < records; ++i) items.push_back(p.dictionary({first, second}, {value, value}));
    return cacheOf(p, items);
}

}  // namespace

// Small crafted caches that would be read into far more memory or time than
// their size (a record named a million times, strings decoded over and over)
// are refused; the same shapes named once read.
TEST(WordFormDictionary, CacheAskingMoreThanItsSizeHoldsIsRefused) {
    struct Case { const char* fault; QByteArray crafted, once; };
    const Case cases[] = {
        {"one record named a million times", cacheNamingOneRecord(1 << 20), cacheNamingOneRecord(1)},
        {"one record repeating its field pairs, named as often", oneRecordRepeatingItsFieldPairs(4000, 4000),
         oneRecordRepeatingItsFieldPairs(4000, 1)},
        {"many numbers leading to one record", manyNumbersLeadingToOneRecord(70000), manyNumbersLeadingToOneRecord(1)},
        {"one long key named by every key", oneLongKeyNamedByEveryKey(20000, 20000), oneLongKeyNamedByEveryKey(20000, 1)},
        {"field names pushing each other out", fieldNamesPushingEachOtherOut(30000, 10000), fieldNamesPushingEachOtherOut(30000, 3)},
    };
    CaptureLogger::Scope quiet;
    for (const Case& c : cases) {
        ASSERT_LT(c.crafted.size(), 8 << 20) << c.fault;
        WordFormCache::Contents contents;
        QString error;
        EXPECT_FALSE(WordFormCache::read(c.crafted, &contents, &error)) << c.fault;
        EXPECT_FALSE(error.isEmpty()) << c.fault;
        EXPECT_FALSE(TSWordFormDictionary::importFromPListData(c.crafted)) << c.fault;
        EXPECT_TRUE(WordFormCache::read(c.once, &contents, &error)) << c.fault << ": " << error.toStdString();
    }
}

// Keys chosen, for a hash seed known in advance, to land in one run of the
// key table's slots: each insertion would walk all the keys before it. With
// that seed the read is refused once the slots looked at pass its work
// budget; with the process's own seed the same cache reads.
TEST(WordFormDictionary, CacheOfKeysCrowdingOneRunOfSlotsIsReadInLinearWork) {
    constexpr size_t kKnownSeed = 0x5eed;
    constexpr int kKeys = 4000;
    wordforms::WordFormStore crowded;
    for (quint32 n = 0; crowded.keyCount() < kKeys; ++n) {
        const QString key = QStringLiteral("k%1").arg(n);
        // Low 14 bits below 64: one run in any table the reader makes for
        // this many keys (at most 2^13 slots).
        if ((wordforms::stringHash(key, kKnownSeed) & 0x3FFF) < 64) crowded.add(key, u"n-s---nn-", u"a", key);
    }
    QString error;
    const QByteArray data = WordFormCache::write(QStringLiteral("TSWordFormDictionary"), QString(), QString(), crowded, &error);
    ASSERT_FALSE(data.isEmpty()) << error.toStdString();

    WordFormCache::Contents known{QString(), QString(), QString(), wordforms::WordFormStore(kKnownSeed)};
    EXPECT_FALSE(WordFormCache::read(data, &known, &error));
    EXPECT_EQ(error, QStringLiteral("more work than the data's size holds"));
    // Read whole it would look at some kKeys * kKeys / 2 slots.
    EXPECT_LT(known.store.probes(), quint64(4 * data.size() + (2 << 20)));
    EXPECT_LT(known.store.probes() * 2, quint64(kKeys) * kKeys / 2);

    WordFormCache::Contents own;
    EXPECT_TRUE(WordFormCache::read(data, &own, &error)) << error.toStdString();
    EXPECT_LT(own.store.probes(), quint64(8 * kKeys));
}

TEST(WordFormDictionary, FuzzCorpusOfTheCacheReader) {
    const QDir corpus(QStringLiteral(TS_WORDFORM_CACHE_CORPUS));
    const QStringList files = corpus.entryList(QDir::Files, QDir::Name);
    ASSERT_FALSE(files.isEmpty());
    CaptureLogger::Scope quiet;
    for (const QString& name : files) {
        QFile f(corpus.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << name.toStdString();
        const auto d = TSWordFormDictionary::importFromPListData(f.readAll());
        if (!name.startsWith(QStringLiteral("seed-"))) continue;
        // Seeds were written by python's own property-list writer.
        ASSERT_TRUE(d) << name.toStdString();
        EXPECT_GT(d->keyCount(), 0) << name.toStdString();
    }
    QFile small(corpus.filePath(QStringLiteral("seed-small.cache")));
    ASSERT_TRUE(small.open(QIODevice::ReadOnly));
    const auto d = TSWordFormDictionary::importFromPListData(small.readAll());
    ASSERT_TRUE(d);
    EXPECT_EQ(d->records(QStringLiteral("amo")).size(), 2u);
    EXPECT_EQ(d->records(QStringLiteral("amo")).front()->form(), QStringLiteral("amō"));
    EXPECT_FALSE(d->records(QStringLiteral("amo")).front()->hasVowelLengths());
    EXPECT_EQ(d->records(QStringLiteral("arma")).front()->vowelLengths(), QStringLiteral("-\u23D1"));

    QFile odd(corpus.filePath(QStringLiteral("seed-odd-kinds.cache")));
    ASSERT_TRUE(odd.open(QIODevice::ReadOnly));
    const auto o = TSWordFormDictionary::importFromPListData(odd.readAll());
    ASSERT_TRUE(o);
    EXPECT_TRUE(o->name().isNull());
    EXPECT_TRUE(o->records(QStringLiteral("arma")).empty());
    const auto rosa = o->records(QStringLiteral("rosa"));
    ASSERT_EQ(rosa.size(), 2u);  // the string is no record; the dictionary without strings is an empty one
    EXPECT_FALSE(rosa[0]->hasVowelLengths());
    EXPECT_TRUE(rosa[1]->form().isEmpty());
    EXPECT_EQ(o->records(QString(300, u'x')).front()->form(), QString(300, QChar(0x0101)));
}
