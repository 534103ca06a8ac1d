// Conversion by tag actions into entry trees, the tag survey, and saving
// into the user dictionaries (read back with python3's plistlib).

#include "MDictBuilder.h"
#include "dictionaries/DictionaryServices.h"
#include "dictionaries/TSDictionaries.h"
#include "dictionaries/TSMDictImporter.h"
#include "platform/NotificationCenter.h"
#include "support/Python.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <thread>

namespace {

TSMDictImporterPtr importerWith(const QString& records) {
    auto imp = std::make_shared<TSMDictImporter>();
    imp->setRecordsString(records);
    return imp;
}

QString heads(const DictionaryEntryList& list) {
    QStringList out;
    for (const auto& e : list) out << e->entry();
    return out.join(QLatin1Char('|'));
}

QString sharedFile(const QString& name) {
    QString dir = qEnvironmentVariable("TS_SHARED_DIR");
    if (dir.isEmpty()) dir = QStringLiteral(TS_DEFAULT_SHARED_DIR);
    return dir + QStringLiteral("/data/mdict/") + name;
}

// The text of an entry's first child, or "-" when it has none.
QString firstChild(const DictionaryEntryPtr& e) {
    return e->childCount() > 0 ? e->childList().front()->entry() : QStringLiteral("-");
}

}  // namespace

// Records that do not repeat their headword in a tag: each keyword heads an
// entry and the record's text is its meaning.
TEST(MDictKeywords, RealFilesGiveOneEntryPerKeyword) {
    for (const char* name : {"testbasic.mdx", "testutf16.mdx", "testbig5.mdx", "testencrypt.mdx"}) {
        SCOPED_TRACE(name);
        const QString path = sharedFile(QString::fromLatin1(name));
        if (!QFile::exists(path)) GTEST_SKIP() << "shared MDict files not found (TS_SHARED_DIR)";
        auto imp = TSMDictImporter::dictionaryWithFile(path);
        ASSERT_TRUE(imp->readError().isEmpty()) << imp->readError().toStdString();
        EXPECT_EQ(imp->recordsTags().value(1), TSMDictImporter::kEntryTag);
        EXPECT_EQ(imp->actionOfTag(TSMDictImporter::kEntryTag), TSMDictImporter::StartEntry);
        imp->parseRawString();
        ASSERT_EQ(heads(*imp->words()), QStringLiteral("alpha|beta|gamma"));
        const auto& w = *imp->words();
        EXPECT_EQ(firstChild(w[0]), QStringLiteral("alpha"));
        EXPECT_EQ(firstChild(w[1]), QStringLiteral("Letter beta"));
        EXPECT_EQ(firstChild(w[2]), QStringLiteral("Capital version is \u0393 <"));
        EXPECT_TRUE(w[0]->childList().front()->isForeign());
        EXPECT_TRUE(imp->errors().isEmpty()) << imp->errors().join(QLatin1Char('|')).toStdString();
    }
}

TEST(MDictKeywords, LinksBecomeRedirectsAndTagChoicesStillDecide) {
    mdicttest::Spec spec;
    spec.keywords = {QStringLiteral("amo"), QStringLiteral("amavi"), QStringLiteral("video \"x\" & <y>")};
    spec.blocks = {{"<div><b>amo</b>, <i>to love</i></div><div>first   sense</div>", "@@@LINK=amo\r\n",
                    "<p>videre</p>"}};
    auto imp = std::make_shared<TSMDictImporter>();
    imp->parseMDXData(mdicttest::build(spec), QStringLiteral("k"));
    ASSERT_TRUE(imp->readError().isEmpty()) << imp->readError().toStdString();
    EXPECT_EQ(imp->recordCount(), 3);
    imp->recordsTags();
    imp->parseRawString();
    const auto& w = *imp->words();
    ASSERT_EQ(heads(w), QStringLiteral("amo|amavi|video \"x\" & <y>"));
    EXPECT_EQ(firstChild(w[0]), QStringLiteral("amo, to love first sense"));
    EXPECT_EQ(w[1]->type(), DictionaryEntry::Redirect);
    ASSERT_EQ(w[1]->childCount(), 1);
    EXPECT_EQ(w[1]->childList().front()->type(), DictionaryEntry::Redirect);
    EXPECT_EQ(firstChild(w[1]), QStringLiteral("amo"));
    EXPECT_EQ(firstChild(w[2]), QStringLiteral("videre"));

    // The user's choices hold over the default: the record's own tags decide.
    imp->assignTag(QStringLiteral("b"), TSMDictImporter::StartEntry);
    imp->assignTag(QStringLiteral("i"), TSMDictImporter::Translation);
    imp->assignTag(TSMDictImporter::kEntryTag, TSMDictImporter::Ignore);
    imp->parseRawString();
    ASSERT_EQ(heads(*imp->words()), QStringLiteral("amo"));
    EXPECT_EQ(firstChild(imp->words()->front()), QStringLiteral("to love"));
}

// Records that tag their own headword give one entry each, not two.
TEST(MDictKeywords, RecordsThatTagTheirHeadwordFillTheKeywordsEntry) {
    mdicttest::Spec spec;
    spec.keywords = {QStringLiteral("amo"), QStringLiteral("video")};
    spec.blocks = {{"<headword>am\u014d</headword><foreign>love</foreign>", "<headword>vide\u014d</headword><foreign>see</foreign>"}};
    auto imp = std::make_shared<TSMDictImporter>();
    imp->parseMDXData(mdicttest::build(spec), QStringLiteral("k"));
    imp->recordsTags();
    imp->parseRawString();
    const auto& w = *imp->words();
    ASSERT_EQ(heads(w), QString::fromUtf8("am\u014d|vide\u014d"));
    EXPECT_EQ(firstChild(w[1]), QStringLiteral("see"));
    EXPECT_TRUE(imp->errors().isEmpty());
}

// A record with no text keeps its keyword, wherever it stands: every keyword
// heads an entry, an empty one where its record is empty.
TEST(MDictKeywords, EmptyRecordsKeepTheirKeywords) {
    struct Case {
        QList<QList<QByteArray>> blocks;
        const char* meanings;  // each entry's first child, "-" for none
    } cases[] = {
        {{{"one", "", "three"}}, "one|-|three"},
        {{{"", "two", "three"}}, "-|two|three"},
        {{{"one", "two", ""}}, "one|two|-"},
        {{{"one", ""}, {"", "four"}}, "one|-|-|four"},
        {{{"", ""}, {""}}, "-|-|-"},
    };
    const QStringList names = {"alpha", "beta", "gamma", "delta"};
    for (const Case& c : cases) {
        mdicttest::Spec spec;
        spec.blocks = c.blocks;
        for (const auto& block : c.blocks)
            for (qsizetype i = 0; i < block.size(); ++i) spec.keywords << names.value(spec.keywords.size());
        SCOPED_TRACE(c.meanings);
        auto imp = std::make_shared<TSMDictImporter>();
        imp->parseMDXData(mdicttest::build(spec), QStringLiteral("k"));
        ASSERT_TRUE(imp->readError().isEmpty()) << imp->readError().toStdString();
        EXPECT_TRUE(imp->readWarnings().isEmpty()) << imp->readWarnings().join(QLatin1Char('|')).toStdString();
        imp->recordsTags();
        imp->parseRawString();
        QStringList meanings;
        for (const auto& e : *imp->words()) meanings << firstChild(e);
        EXPECT_EQ(heads(*imp->words()), spec.keywords.join(QLatin1Char('|')));
        EXPECT_EQ(meanings.join(QLatin1Char('|')), QString::fromLatin1(c.meanings));
        EXPECT_TRUE(imp->errors().isEmpty()) << imp->errors().join(QLatin1Char('|')).toStdString();
    }
}

TEST(MDictKeywords, FurtherKeywordsOfOneRecordLeadToTheFirst) {
    mdicttest::Spec spec;
    spec.keywords = {QStringLiteral("amo"), QStringLiteral("amare")};
    spec.keyOffsets = {0, 0};
    spec.blocks = {{"love"}};
    auto imp = std::make_shared<TSMDictImporter>();
    imp->parseMDXData(mdicttest::build(spec), QStringLiteral("k"));
    ASSERT_TRUE(imp->readError().isEmpty());
    imp->parseRawString();
    const auto& w = *imp->words();
    ASSERT_EQ(heads(w), QStringLiteral("amo|amare"));
    EXPECT_EQ(firstChild(w[0]), QStringLiteral("love"));
    EXPECT_EQ(w[1]->type(), DictionaryEntry::Redirect);
    EXPECT_EQ(firstChild(w[1]), QStringLiteral("amo"));
}

TEST(MDictConversion, DefaultActionsBuildEntriesMeaningsLinksAndReplacements) {
    struct Case {
        const char* name;
        const char* html;
        const char* heads;
        int firstChildren;
        const char* firstChild;  // head text of the first entry's first child
        int errors;
    };
    const Case cases[] = {
        {"headword starts an entry", "<headword>amo</headword><headword>video</headword>", "amo|video", 0, "", 0},
        {"foreign becomes a meaning", "<headword>amo</headword><foreign>love</foreign>", "amo", 1, "love", 0},
        {"a inside headword is a link", "<headword>amo<a>amor</a></headword>", "amo", 1, "amor", 0},
        {"headword inside a is head text", "<entryfree><a><headword>x</headword></a></entryfree>", "|x", 0, "", 0},
        {"abbr title replaces the next text", "<headword><abbr title=\"adjective\"></abbr>adj.</headword>", "adjective", 0, "", 0},
        {"abbr without title leaves the text", "<headword><abbr></abbr>adj.</headword>", "adj.", 0, "", 0},
        {"text outside any action is an error", "<headword>amo</headword><p>stray</p>", "amo", 0, "", 1},
        {"text before the first entry is dropped", "<foreign>early</foreign><headword>amo</headword>", "amo", 0, "", 0},
        {"end entry stops placing text", "<headword>amo</headword><dictionary><foreign>x</foreign></dictionary>", "amo", 0, "", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto imp = importerWith(QString::fromUtf8(c.html));
        imp->parseRawString();
        auto words = imp->words();
        ASSERT_TRUE(words);
        EXPECT_EQ(heads(*words), QString::fromUtf8(c.heads));
        ASSERT_FALSE(words->empty());
        const auto& first = words->front();
        EXPECT_EQ(first->childCount(), c.firstChildren);
        if (c.firstChildren > 0) { EXPECT_EQ(first->childList().front()->entry(), QString::fromUtf8(c.firstChild)); }
        EXPECT_EQ(imp->errors().size(), c.errors) << imp->errors().join(QLatin1Char('|')).toStdString();
    }
}

TEST(MDictConversion, MeaningsAreForeignAndLinksAreRedirects) {
    auto imp = importerWith(QStringLiteral("<headword>amo<a>amor</a></headword><foreign>love</foreign><foreign>like</foreign>"));
    imp->parseRawString();
    auto words = imp->words();
    ASSERT_EQ(words->size(), 1u);
    const auto& root = words->front();
    ASSERT_EQ(root->childCount(), 2);
    EXPECT_EQ(root->childList()[0]->type(), DictionaryEntry::Redirect);
    const auto meaning = root->childList()[1];
    EXPECT_TRUE(meaning->isForeign());
    EXPECT_EQ(meaning->entry(), QStringLiteral("love"));
    // The second translation goes under the first, which is current.
    EXPECT_EQ(meaning->childCount(), 1);
}

TEST(MDictConversion, MissingElementMessageNamesTheEnclosingTagAndText) {
    auto imp = importerWith(QStringLiteral("<headword>amo</headword><span>stray words</span>"));
    imp->parseRawString();
    ASSERT_EQ(imp->errors().size(), 1);
    EXPECT_EQ(imp->errors().front(), QStringLiteral("Missing element (span/text) in stray words at\namo "));
}

TEST(MDictConversion, PrependAndFormatLeaveTextUnplaced) {
    for (auto action : {TSMDictImporter::Prepend, TSMDictImporter::Format}) {
        auto imp = importerWith(QStringLiteral("<headword>amo</headword><q>said</q>"));
        imp->assignTag(QStringLiteral("q"), action);
        imp->parseRawString();
        EXPECT_EQ(imp->errors().size(), 1);
        EXPECT_EQ(heads(*imp->words()), QStringLiteral("amo"));
    }
}

TEST(MDictConversion, ProgressIsReportedAtMostOnceASecondFromOne) {
    QString html;
    for (int i = 0; i < 500; ++i) html += QStringLiteral("<headword>w%1</headword>").arg(i);
    auto imp = importerWith(html);
    std::vector<qint64> reports;
    imp->parseRawString([&](qint64 n) { reports.push_back(n); });
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports.front(), 1);
    EXPECT_EQ(imp->words()->size(), 500u);
}

TEST(MDictConversion, DeepNestingIsCutAndNoted) {
    QString html = QStringLiteral("<headword>deep</headword>");
    for (int i = 0; i < 3000; ++i) html += QStringLiteral("<span>");
    html += QStringLiteral("x");
    auto imp = importerWith(html);
    imp->parseRawString();
    EXPECT_EQ(heads(*imp->words()), QStringLiteral("deep"));
}

TEST(MDictConversion, ConversionsOfOneImporterDoNotOverlap) {
    QString html;
    for (int i = 0; i < 2000; ++i) html += QStringLiteral("<headword>w%1</headword><foreign>m</foreign>").arg(i);
    auto imp = importerWith(html);
    std::thread a([&] { imp->parseRawString(); });
    std::thread b([&] { imp->parseRawString(); });
    a.join();
    b.join();
    EXPECT_EQ(imp->words()->size(), 2000u);
}

TEST(MDictTagSurvey, ListsTagsInOrderAndPrunesTheSets) {
    auto imp = importerWith(QStringLiteral("<b class=\"k\" id=\"1\">x</b><foreign>y</foreign><abbr title=\"t\">z</abbr>"));
    const QStringList tags = imp->recordsTags();
    EXPECT_EQ(tags, (QStringList{QStringLiteral("body"), QStringLiteral("b"), QStringLiteral("text"),
                                 QStringLiteral("foreign"), QStringLiteral("abbr")}));
    EXPECT_EQ(imp->foundAttributes().value(QStringLiteral("b")), (QStringList{QStringLiteral("class"), QStringLiteral("id")}));
    EXPECT_TRUE(imp->tagSet(TSMDictImporter::StartEntry).isEmpty());
    EXPECT_TRUE(imp->tagSet(TSMDictImporter::Word).isEmpty());
    EXPECT_EQ(imp->tagSet(TSMDictImporter::Translation), QSet<QString>{QStringLiteral("foreign")});
    EXPECT_EQ(imp->actionOfTag(QStringLiteral("body")), TSMDictImporter::Ignore);
    EXPECT_EQ(imp->actionOfTag(QStringLiteral("b")), -1);
}

TEST(MDictTagSurvey, HeadwordShowsStartEntryThoughAlsoInWord) {
    auto imp = importerWith(QStringLiteral("<headword>a</headword>"));
    EXPECT_EQ(imp->actionOfTag(QStringLiteral("headword")), TSMDictImporter::StartEntry);
    imp->assignTag(QStringLiteral("headword"), -1);
    EXPECT_EQ(imp->actionOfTag(QStringLiteral("headword")), -1);
}

TEST(MDictSaving, TitlesAreMadeSafeFileNames) {
    const std::pair<const char*, const char*> cases[] = {
        {"Basic Test", "Basic Test"},
        {"../../etc/passwd", "-.-etc-passwd"},
        {"a/b\\c", "a-b-c"},
        {"..", ""},
        {"  .hidden ", "hidden"},
        {"tab\there", "tabhere"},
    };
    for (const auto& [in, out] : cases)
        EXPECT_EQ(TSMDictImporter::sanitizeTitle(QString::fromUtf8(in)), QString::fromUtf8(out)) << in;
    auto imp = std::make_shared<TSMDictImporter>();
    imp->parseMDXData(QByteArray(), QStringLiteral("fallback"));
    EXPECT_FALSE(imp->readError().isEmpty());
    EXPECT_EQ(imp->safeFileName(), QStringLiteral("fallback.xml"));
}

// A long title in a script of three-byte letters once made a name the file
// system refused, so the dictionary could not be saved at all.
TEST(MDictSaving, LongTitlesAreCutToAFileNameOnACharacterBoundary) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::pair<QString, int> cases[] = {
        {QString(100, QChar(0x8BCD)), 251},                                   // 3-byte letters: 83 of them
        {QString(40, QChar(0x8BCD)) + QString::fromUtf8("\U0001F600").repeated(60), 251},  // then 4-byte ones
        {QStringLiteral("a").repeated(300), 251},
        {QStringLiteral("Short"), 5},
    };
    for (const auto& [title, baseBytes] : cases) {
        mdicttest::Spec spec;
        spec.header = QStringLiteral(R"(<Dictionary GeneratedByEngineVersion="2.0" Title="%1"/>)").arg(title);
        spec.blocks = {{"<headword>amo</headword>"}};
        auto imp = std::make_shared<TSMDictImporter>();
        imp->parseMDXData(mdicttest::build(spec), QStringLiteral("k"));
        ASSERT_TRUE(imp->readError().isEmpty()) << imp->readError().toStdString();
        const QString name = imp->safeFileName();
        EXPECT_LE(name.toUtf8().size(), TSMDictImporter::kMaxFileNameBytes);
        EXPECT_GE(name.toUtf8().size(), baseBytes + 1);
        EXPECT_TRUE(title.startsWith(name.chopped(4))) << name.toStdString();
        EXPECT_FALSE(name.contains(QChar(QChar::ReplacementCharacter)));
        imp->parseRawString();
        QString error;
        EXPECT_TRUE(imp->save(dir.filePath(name), &error)) << error.toStdString();
        EXPECT_LE(imp->safeFileName(QStringLiteral(" 12")).toUtf8().size(), TSMDictImporter::kMaxFileNameBytes);
    }
}

TEST(MDictSaving, SavedIntoUserDictionariesPostsAndIsListed) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString user = dir.filePath(QStringLiteral("User Dictionaries"));
    DictionaryServices services = DictionaryServices::current();
    services.userDictionariesFolder = [user] { QDir().mkpath(user); return user; };
    DictionaryServices::install(services);

    mdicttest::Spec spec;
    spec.header = QStringLiteral(R"(<Dictionary GeneratedByEngineVersion="2.0" Encrypted="0" Title="../Latin/Words" Description="d &quot;q&quot;"/>)");
    spec.blocks = {{"<headword>amo</headword><foreign>love</foreign>", "<headword>video</headword><foreign>see</foreign>"}};
    auto imp = std::make_shared<TSMDictImporter>();
    imp->parseMDXData(mdicttest::build(spec), QStringLiteral("words"));
    ASSERT_TRUE(imp->readError().isEmpty()) << imp->readError().toStdString();
    imp->parseRawString();
    ASSERT_EQ(imp->words()->size(), 2u);

    int posted = 0;
    auto token = ts::NotificationCenter::defaultCenter().addObserver(TSDictionaries::kDictionaryChangedNotification,
                                                                     nullptr, [&](const ts::Notification&) { ++posted; });
    QString path, error;
    ASSERT_TRUE(imp->saveToUserDictionaries(&path, &error)) << error.toStdString();
    EXPECT_EQ(path, user + QStringLiteral("/-Latin-Words.xml"));
    EXPECT_EQ(posted, 1);
    EXPECT_TRUE(TSDictionaries::dictionaries()->sortedNames().contains(QStringLiteral("-Latin-Words")));

    const auto py = runPython(QStringLiteral(
        "import plistlib,sys\n"
        "d=plistlib.load(open(sys.argv[1],'rb'))\n"
        "print(d['title']); print(d['Description'])\n"
        "print('|'.join(w['Entry'] for w in d['words']))\n"
        "print(d['words'][0]['children'][0]['Entry'])\n"), {path});
    if (!py.started) GTEST_SKIP() << "python3 not available";
    ASSERT_EQ(py.exitCode, 0) << py.err.toStdString();
    EXPECT_EQ(py.out, QStringLiteral("../Latin/Words\nd \"q\"\namo|video\nlove\n"));

    // Into a missing folder: the save fails and says so.
    QString bad;
    EXPECT_FALSE(imp->save(dir.filePath(QStringLiteral("missing/x.xml")), &bad));
    EXPECT_FALSE(bad.isEmpty());
    EXPECT_EQ(posted, 1);
    DictionaryServices::install(DictionaryServices{});
    TSDictionaries::dictionaries()->resetDictionaries();
}

// Records that leave elements open, as a real 1,874-record file does with
// its tables: each keyword still heads an entry of its own.
TEST(MDictKeywords, RecordsLeavingElementsOpenStillGiveEveryEntry) {
    mdicttest::Spec spec;
    QList<QByteArray> records;
    for (int i = 0; i < 1874; ++i) {
        const QString key = QStringLiteral("w%1").arg(i, 4, 10, QLatin1Char('0'));
        spec.keywords << key;
        records << QStringLiteral("<table><tr><td><b>%1</b> sense %2<div><span>").arg(key).arg(i).toUtf8();
    }
    spec.blocks = {records};
    auto imp = std::make_shared<TSMDictImporter>();
    imp->parseMDXData(mdicttest::build(spec), QStringLiteral("tables"));
    ASSERT_TRUE(imp->readError().isEmpty()) << imp->readError().toStdString();
    EXPECT_EQ(imp->recordCount(), 1874);
    EXPECT_TRUE(imp->recordsTags().contains(QStringLiteral("table")));
    imp->parseRawString();
    const auto& w = *imp->words();
    ASSERT_EQ(w.size(), 1874u);
    for (int i : {0, 1, 1063, 1064, 1873}) {
        const QString key = QStringLiteral("w%1").arg(i, 4, 10, QLatin1Char('0'));
        EXPECT_EQ(w[size_t(i)]->entry(), key);
        EXPECT_EQ(firstChild(w[size_t(i)]), QStringLiteral("%1 sense %2").arg(key).arg(i));
        EXPECT_EQ(w[size_t(i)]->childCount(), 1);
    }
    EXPECT_TRUE(imp->errors().isEmpty()) << imp->errors().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(imp->conversionSummary(), QStringLiteral("1874 records read, 1874 entries made"));

    // When the tag choices make fewer entries than there are keywords, the
    // conversion says so.
    imp->assignTag(TSMDictImporter::kEntryTag, TSMDictImporter::Ignore);
    imp->assignTag(QStringLiteral("table"), TSMDictImporter::StartEntry);
    imp->assignTag(QStringLiteral("b"), TSMDictImporter::Word);
    imp->parseRawString();
    EXPECT_EQ(imp->words()->size(), 1874u);
    imp->assignTag(QStringLiteral("table"), -1);
    imp->parseRawString();
    EXPECT_EQ(imp->words()->size(), 0u);
    ASSERT_FALSE(imp->errors().isEmpty());
    EXPECT_EQ(imp->errors().front(), QStringLiteral("1874 keywords in 1874 records were read, but 0 entries were made."));
    EXPECT_EQ(imp->conversionSummary(), QStringLiteral("1874 records read, 0 entries made"));
}
