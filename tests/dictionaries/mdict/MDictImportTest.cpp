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
