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

}  // namespace

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
